// Reading a saved scan from a file: the whole file into memory, then the
// decoder. (Writing the bytes safely is the platform's part.)
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "model/snapshot.h"

namespace tw {
namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

bool SaveSnapshotFile(const std::string& path, const ScanResult& result, std::string& error) {
  return SaveSnapshotBytes(path, EncodeSnapshot(result), FileAccess::kOrdinary, error);
}

bool IsSnapshotFile(const std::string& path) {
  std::ifstream file(PathOf(path), std::ios::binary);
  std::uint8_t head[kSnapshotMagicSize] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return HasSnapshotMagic(head);
}

bool LoadSnapshotFile(const std::string& path, ScanResult& result, SnapshotError& error) {
  errno = 0;
  std::ifstream file(PathOf(path), std::ios::binary);
  if (!file) {
    error.problem = SnapshotProblem::kNotSnapshot;
    error.detail = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  try {
    // Read in large blocks: a file of unknown size (a pipe) grows the buffer.
    constexpr std::size_t kBlock = std::size_t{4} << 20;
    std::size_t used = 0;
    for (;;) {
      bytes.resize(used + kBlock);
      file.read(reinterpret_cast<char*>(bytes.data() + used), static_cast<std::streamsize>(kBlock));
      used += static_cast<std::size_t>(file.gcount());
      if (!file) break;
    }
    bytes.resize(used);
  } catch (const std::bad_alloc&) {
    error.problem = SnapshotProblem::kOutOfMemory;
    error.detail = "too large for the memory available";
    return false;
  }
  if (file.bad()) {
    error.problem = SnapshotProblem::kTruncated;
    error.detail = "cannot be read to its end";
    return false;
  }
  return DecodeSnapshot(bytes, result, error);
}

}  // namespace tw
