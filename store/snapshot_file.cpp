// Reading a saved scan from a file: its size first, then the decoder's
// bounded reads. (Writing the bytes safely is the platform's part.)
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "store/snapshot.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Only what holds bytes at fixed places is read: never a FIFO, a socket or
// a character device, which could make a read wait forever.
bool Readable(const std::string& path) {
  std::error_code ec;
  const fs::file_type type = fs::status(PathOf(path), ec).type();
  return type == fs::file_type::regular || type == fs::file_type::block;
}

// 64-bit FNV-1a.
std::uint64_t HashOf(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const char c : text) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= 0x100000001B3ull;
  }
  return hash;
}

}  // namespace

bool SaveSnapshotFile(const std::string& path, const ScanResult& result, std::string& error) {
  return SaveSnapshotBytes(path, EncodeSnapshot(result), FileAccess::kOrdinary, error);
}

std::string SaveTemporaryPath(const std::string& path) {
  const fs::path target = PathOf(path);
  char name[32];
  std::snprintf(name, sizeof name, ".tw%016llx.tmp",
                static_cast<unsigned long long>(HashOf(Utf8Of(target.filename()))));
  return Utf8Of(target.parent_path() / name);
}

bool IsLeftoverOfSave(std::uint64_t size, std::span<const std::uint8_t> head) {
  return size == 0 || HasSnapshotMagic(head);
}

bool IsSnapshotFile(const std::string& path) {
  if (!Readable(path)) return false;
  std::ifstream file(PathOf(path), std::ios::binary);
  std::uint8_t head[kSnapshotMagicSize] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return HasSnapshotMagic(head);
}

bool LoadSnapshotFile(const std::string& path, ScanResult& result, SnapshotError& error) {
  if (!Readable(path)) {
    error.problem = SnapshotProblem::kNotSnapshot;
    error.detail = "not a regular file";
    return false;
  }
  errno = 0;
  std::ifstream file(PathOf(path), std::ios::binary);
  if (!file) {
    error.problem = SnapshotProblem::kNotSnapshot;
    error.detail = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0) {
    error.problem = SnapshotProblem::kNotSnapshot;
    error.detail = "its size cannot be told";
    return false;
  }
  // The decoder reads from two threads; one stream serves them in turn.
  std::mutex reading;
  const auto read = [&](std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
    const std::lock_guard<std::mutex> hold(reading);
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(destination), static_cast<std::streamsize>(length));
    return file.gcount() == static_cast<std::streamsize>(length);
  };
  return DecodeSnapshot(read, static_cast<std::uint64_t>(size), result, error);
}

}  // namespace tw
