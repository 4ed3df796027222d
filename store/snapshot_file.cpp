// Reading a saved scan from a file: its size first, then the decoder's
// bounded reads; the names of the temporary files of saves. (Writing the
// bytes safely is the platform's part.)
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <stdexcept>

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

bool SaveSnapshotBytes(const std::string& path, std::span<const std::uint8_t> bytes, FileAccess access,
                       std::string& error) {
  const FileContent content = [bytes](const ByteSink& sink, std::string&) { return sink(bytes); };
  return ReplaceFileContent(path, content, access, {}, error);
}

std::string SaveTemporaryPath(const std::string& path) {
  const fs::path target = PathOf(path);
  char name[32];
  std::snprintf(name, sizeof name, ".tw%016llx.tmp",
                static_cast<unsigned long long>(HashOf(Utf8Of(target.filename()))));
  return Utf8Of(target.parent_path() / name);
}

bool IsLeftoverOfSave(std::uint64_t size, std::span<const std::uint8_t> head, std::span<const std::uint8_t> own_head) {
  if (size == 0 || HasSnapshotMagic(head)) return true;
  const std::size_t wanted = std::min(own_head.size(), kLeftoverHeadSize);
  return wanted > 0 && head.size() >= wanted && std::equal(own_head.begin(), own_head.begin() + wanted, head.begin());
}

bool MakeContent(const FileContent& content, const ByteSink& sink, std::string& error) {
  try {
    if (content(sink, error)) return true;
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (error.empty()) error = "the content could not be made";
  return false;
}

bool IsSnapshotFile(const std::string& path) {
  if (!Readable(path)) return false;
  std::ifstream file(PathOf(path), std::ios::binary);
  std::uint8_t head[kSnapshotMagicSize] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return HasSnapshotMagic(head);
}

namespace {

// Opens the file and hands `decode` its size and a bounded reader; what
// cannot be opened is kNotSnapshot with the reason.
template <typename Decode>
bool LoadWith(const std::string& path, SnapshotError& error, Decode decode) {
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
  const SnapshotReadFunction read = [&](std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
    const std::lock_guard<std::mutex> hold(reading);
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(destination), static_cast<std::streamsize>(length));
    return file.gcount() == static_cast<std::streamsize>(length);
  };
  return decode(read, static_cast<std::uint64_t>(size));
}

}  // namespace

bool LoadSnapshotFile(const std::string& path, ScanResult& result, SnapshotError& error) {
  return LoadWith(path, error, [&](const SnapshotReadFunction& read, std::uint64_t size) {
    return DecodeSnapshot(read, size, result, error);
  });
}

bool LoadSnapshotMeta(const std::string& path, ScanResult& meta, SnapshotError& error) {
  return LoadWith(path, error, [&](const SnapshotReadFunction& read, std::uint64_t size) {
    return DecodeSnapshotMeta(read, size, meta, error);
  });
}

}  // namespace tw
