// Remembering a scan: the volume's previous snapshot read and compared, the
// new one written beside it when the volume has room and the history
// trimmed to its places; forgetting them all.
#include "store/scan_memory.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
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

// One remembering at a time: its listing, reading, writing and deleting
// never interleave with another's, nor with the read of a picked baseline
// or with forgetting them all.
std::mutex& RememberingLock() {
  static std::mutex lock;
  return lock;
}

// Reads the previous snapshot at `path` and compares `result` with it; why
// it could not be read goes to `problem`.
void ComparePrevious(const std::string& path, const ResultGeneration& result, std::size_t top, RememberedScan& memory,
                     std::string& problem) {
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
                  std::uint64_t kept_bytes, std::string& problem) {
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
  if (!HasRoomForSnapshot(space.available, bytes.size(), kept_bytes)) {
    Note(problem, "snapshot not saved: ", "the volume would be left with less than twice the remembered scans free");
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

// Which earlier scans keep a place once a scan of `newest` joins them.
std::vector<std::uint8_t> StayingScans(const std::vector<KeptScan>& earlier, std::int64_t newest) {
  std::vector<std::int64_t> times;
  for (const KeptScan& scan : earlier) times.push_back(scan.scanned_at);
  times.push_back(newest);
  std::vector<std::uint8_t> staying(earlier.size(), 0);
  for (const std::optional<std::size_t>& place : PlaceScans(times, earlier.size())) {
    if (place && *place < earlier.size()) staying[*place] = 1;
  }
  return staying;
}

// The bytes the remembered scans will take beside the new one: every
// volume's, less this volume's that fill no place any more (among them the
// file the new one replaces, when it has its name).
std::uint64_t StayingBytes(const std::string& folder, const std::vector<KeptScan>& earlier,
                           const std::vector<std::uint8_t>& staying) {
  std::uint64_t bytes = RememberedBytes(folder);
  for (std::size_t i = 0; i < earlier.size(); ++i) {
    if (staying[i] == 0) bytes -= std::min(bytes, earlier[i].size);
  }
  return bytes;
}

// Deletes the earlier scans that fill no place now that `path` is the
// newest, and empties their paths. A file the new one replaced is gone
// already.
void TrimHistory(const std::string& path, std::vector<KeptScan>& earlier, const std::vector<std::uint8_t>& staying,
                 std::string& problem) {
  for (std::size_t i = 0; i < earlier.size(); ++i) {
    if (staying[i] != 0) continue;
    std::error_code failure;
    if (earlier[i].path != path && !fs::remove(PathOf(earlier[i].path), failure) && failure) {
      Note(problem, "older snapshot not deleted: ", failure.message());
      continue;
    }
    earlier[i].path.clear();
  }
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
    const std::lock_guard<std::mutex> one_at_a_time(RememberingLock());
    memory.earlier = ListKeptScans(folder, result.volume_serial);
    const std::string path = KeptScanPath(folder, result.volume_serial, result.scanned_at);
    // The previous snapshot is read and compared while the new one is
    // encoded; nothing is replaced or deleted before it has been read.
    std::string compare_problem;
    std::thread reader;
    if (!memory.earlier.empty()) {
      const std::string& previous = memory.earlier.front().path;
      try {
        reader = std::thread(ComparePreviousSafely, std::cref(previous), std::cref(generation), top, std::ref(memory),
                             std::ref(compare_problem));
      } catch (const std::system_error&) {
        ComparePreviousSafely(previous, generation, top, memory, compare_problem);  // no thread to be had: in turn
      }
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
    if (bytes.empty()) return memory;
    const std::vector<std::uint8_t> staying = StayingScans(memory.earlier, result.scanned_at);
    memory.saved = SaveSnapshot(folder, path, bytes, StayingBytes(folder, memory.earlier, staying), memory.problem);
    if (memory.saved) TrimHistory(path, memory.earlier, staying, memory.problem);
  } catch (const std::exception& e) {
    Note(memory.problem, "snapshot not saved: ", e.what());
  }
  return memory;
}

RememberedScan CompareWithRemembered(const std::string& folder, const ResultGeneration& generation, std::size_t top) {
  RememberedScan memory;
  if (generation->volume_serial == 0 || folder.empty()) return memory;
  try {
    const std::lock_guard<std::mutex> not_while_remembering(RememberingLock());
    memory.earlier = ListKeptScans(folder, generation->volume_serial);
    if (!memory.earlier.empty()) {
      ComparePreviousSafely(memory.earlier.front().path, generation, top, memory, memory.problem);
    }
  } catch (const std::exception& e) {  // the listing did not fit in memory
    Note(memory.problem, "previous snapshot not compared: ", e.what());
  }
  return memory;
}

bool LoadKeptScan(const std::string& path, ScanResult& result, SnapshotError& error) {
  const std::lock_guard<std::mutex> not_while_remembering(RememberingLock());
  return LoadSnapshotFile(path, result, error);
}

bool HasRoomForSnapshot(std::uint64_t free_bytes, std::uint64_t size, std::uint64_t kept_bytes) {
  // What is left once it is written, at least twice everything remembered.
  std::uint64_t all = 0;
  if (__builtin_add_overflow(size, kept_bytes, &all)) return false;
  return free_bytes >= size && (free_bytes - size) / 2 >= all;
}

bool ForgetScans(const std::string& folder, std::string& error) {
  if (folder.empty()) return true;
  try {
    const std::lock_guard<std::mutex> not_while_remembering(RememberingLock());
    std::error_code failure;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(PathOf(folder), failure), end; !failure && it != end; it.increment(failure)) {
      const std::u8string name = it->path().filename().u8string();
      if (IsRememberedScanName(std::string(name.begin(), name.end()))) doomed.push_back(it->path());
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
