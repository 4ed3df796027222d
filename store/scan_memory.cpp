// Remembering a scan: the volume's previous snapshot read and compared, the
// new one written in its place when the volume has room; forgetting them all.
#include "store/scan_memory.h"

#include <exception>
#include <functional>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "store/snapshot.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// Adds a reason to the problem line. A reason that does not fit in memory
// any more is dropped: remembering never throws.
void Note(std::string& problem, std::string_view what, std::string_view why) noexcept {
  try {
    if (!problem.empty()) problem += "; ";
    problem.append(what).append(why);
  } catch (...) {
  }
}

// Reads the previous snapshot at `path` and compares `result` with it; why
// it could not be read goes to `problem`.
void ComparePrevious(const std::string& path, const ResultGeneration& result, std::size_t top,
                     RememberedScan& memory, std::string& problem) {
  std::error_code ignored;
  // Also "not found" when a file stands where the folder should be.
  if (fs::status(PathOf(path), ignored).type() == fs::file_type::not_found) return;
  auto previous = std::make_unique<ScanResult>();
  SnapshotError error;
  if (!LoadSnapshotFile(path, *previous, error)) {
    memory.previous_scan = PreviousScan::kUnreadable;
    Note(problem, "previous snapshot unreadable: ", error.detail);
    return;
  }
  if (previous->volume_serial != result->volume_serial) return;  // not this volume's: as good as none
  memory.changes = std::make_unique<ComparedScans>(CompareScans(std::move(previous), result, top));
  memory.previous_scan = PreviousScan::kCompared;
}

// Writes the encoded snapshot at `path` in `folder`; false with the reason
// in `problem`.
bool SaveSnapshot(const std::string& folder, const std::string& path, const std::vector<std::uint8_t>& bytes,
                  std::string& problem) {
  std::string reason;
  if (!MakePrivateFolder(folder, reason)) {
    Note(problem, "snapshot folder not made: ", reason);
    return false;
  }
  std::error_code error;
  const fs::space_info space = fs::space(PathOf(folder), error);
  if (error) {
    Note(problem, "snapshot not saved, free space unknown: ", error.message());
    return false;
  }
  if (!HasRoomForSnapshot(space.available, bytes.size())) {
    Note(problem, "snapshot not saved: ", "the volume would be left with less than twice its size free");
    return false;
  }
  if (!SaveSnapshotBytes(path, bytes, FileAccess::kPrivate, reason)) {
    Note(problem, "snapshot not saved: ", reason);
    return false;
  }
  return true;
}

// Reads and compares the previous snapshot; what it throws (out of memory,
// mostly) only loses the comparison.
void ComparePreviousSafely(const std::string& path, const ResultGeneration& result, std::size_t top,
                           RememberedScan& memory, std::string& problem) noexcept {
  try {
    ComparePrevious(path, result, top, memory, problem);
  } catch (const std::exception& e) {
    memory.changes.reset();
    memory.previous_scan = PreviousScan::kUnreadable;
    Note(problem, "previous snapshot not compared: ", e.what());
  }
}

// volume-*.twsnap, or a temporary of one (volume-*.twsnap.*).
bool IsRememberedScan(const fs::path::string_type& name) {
  using Native = fs::path::string_type;
  const Native prefix = fs::path("volume-").native();
  const Native suffix = fs::path(".twsnap").native();
  if (!name.starts_with(prefix)) return false;
  return name.ends_with(suffix) || name.find(suffix + Native::value_type('.'), prefix.size()) != Native::npos;
}

}  // namespace

RememberedScan RememberScan(const std::string& folder, const ResultGeneration& generation, std::size_t top) {
  RememberedScan memory;
  const ScanResult& result = *generation;
  if (result.volume_serial == 0) return memory;
  if (folder.empty()) {
    Note(memory.problem, "no snapshot folder", "");
    return memory;
  }
  try {
    const std::string path = SnapshotPathFor(folder, result.volume_serial);
    // The previous snapshot is read and compared while the new one is
    // encoded; it is replaced only once it has been read.
    std::string compare_problem;
    std::thread reader;
    try {
      reader = std::thread(ComparePreviousSafely, std::cref(path), std::cref(generation), top, std::ref(memory),
                           std::ref(compare_problem));
    } catch (const std::system_error&) {
      ComparePreviousSafely(path, generation, top, memory, compare_problem);  // no thread to be had: in turn
    }
    std::vector<std::uint8_t> bytes;
    try {
      bytes = EncodeSnapshot(result);
    } catch (const std::exception& e) {
      Note(memory.problem, "snapshot not saved: ", e.what());
    } catch (...) {
      Note(memory.problem, "snapshot not saved", "");
    }
    if (reader.joinable()) reader.join();
    if (!compare_problem.empty()) Note(memory.problem, compare_problem, "");
    if (!bytes.empty()) memory.saved = SaveSnapshot(folder, path, bytes, memory.problem);
  } catch (const std::exception& e) {
    Note(memory.problem, "snapshot not saved: ", e.what());
  }
  return memory;
}

std::string SnapshotPathFor(const std::string& folder, std::uint64_t serial) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string name = "volume-0000000000000000.twsnap";
  for (int i = 0; i < 16; ++i) name[7 + i] = kHex[(serial >> (60 - 4 * i)) & 0xF];
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

bool HasRoomForSnapshot(std::uint64_t free_bytes, std::uint64_t size) {
  // What is left once it is written, at least twice its size; no overflow.
  return free_bytes >= size && (free_bytes - size) / 2 >= size;
}

bool ForgetScans(const std::string& folder, std::string& error) {
  if (folder.empty()) return true;
  try {
    std::error_code failure;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(PathOf(folder), failure), end; !failure && it != end; it.increment(failure)) {
      if (IsRememberedScan(it->path().filename().native())) doomed.push_back(it->path());
    }
    if (failure == std::errc::no_such_file_or_directory || failure == std::errc::not_a_directory) return true;
    bool all = !failure;
    if (failure) error = failure.message();
    for (const fs::path& path : doomed) {
      if (!fs::remove(path, failure) && failure) {
        if (all) error = failure.message();
        all = false;
      }
    }
    return all;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace tw
