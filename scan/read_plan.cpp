#include "scan/read_plan.h"

#include <algorithm>

namespace tw {
namespace {

bool BitSet(std::span<const std::uint8_t> bits, std::int64_t n) {
  return (bits[static_cast<std::size_t>(n >> 3)] >> (n & 7)) & 1;
}

// True when any of records [from, to) is marked in use; whole zero bytes are
// passed over at once.
bool AnyInUse(std::span<const std::uint8_t> bits, std::int64_t from, std::int64_t to) {
  std::int64_t n = from;
  while (n < to) {
    if ((n & 7) == 0 && to - n >= 8) {
      if (bits[static_cast<std::size_t>(n >> 3)] != 0) return true;
      n += 8;
      continue;
    }
    if (BitSet(bits, n)) return true;
    ++n;
  }
  return false;
}

}  // namespace

std::int64_t GranuleRecords(std::int64_t record_size, std::int64_t cluster_size) {
  if (record_size <= 0) return 1;
  const std::int64_t bytes = std::max({record_size, cluster_size, kReadAlignment});
  return std::max<std::int64_t>(bytes / record_size, 1);
}

bool BitmapCoversRecords(std::span<const std::uint8_t> in_use, std::int64_t record_count) {
  if (record_count <= 0 || in_use.empty()) return false;
  if (static_cast<std::uint64_t>(in_use.size()) < (static_cast<std::uint64_t>(record_count) + 7) / 8) return false;
  return BitSet(in_use, 0);
}

std::vector<MftWindow> PlanReadRuns(std::int64_t record_count, std::int64_t window_records,
                                    std::int64_t granule_records, std::span<const std::uint8_t> in_use) {
  std::vector<MftWindow> runs;
  if (record_count <= 0) return runs;
  const std::int64_t granule = std::max<std::int64_t>(granule_records, 1);
  const std::int64_t window = std::max<std::int64_t>(window_records / granule, 1) * granule;
  if (!BitmapCoversRecords(in_use, record_count)) {
    runs.push_back(MftWindow{0, record_count});
    return runs;
  }
  // Runs of granules holding a record in use; a gap shorter than a window
  // joins the runs on either side.
  std::int64_t run_first = -1;
  std::int64_t run_end = -1;
  for (std::int64_t at = 0; at < record_count; at += granule) {
    const std::int64_t end = std::min(at + granule, record_count);
    if (!AnyInUse(in_use, at, end)) continue;
    if (run_first >= 0 && at - run_end < window) {
      run_end = end;
      continue;
    }
    if (run_first >= 0) runs.push_back(MftWindow{run_first, run_end - run_first});
    run_first = at;
    run_end = end;
  }
  if (run_first >= 0) runs.push_back(MftWindow{run_first, run_end - run_first});
  return runs;
}

std::vector<MftWindow> PlannedWindows(const std::vector<MftWindow>& runs, std::int64_t window_records) {
  std::vector<MftWindow> windows;
  const std::int64_t window = std::max<std::int64_t>(window_records, 1);
  for (const MftWindow& run : runs) {
    for (std::int64_t at = run.first; at < run.first + run.count; at += window) {
      windows.push_back(CutWindow(run, at, window));
    }
  }
  return windows;
}

std::int64_t PlannedRecords(const std::vector<MftWindow>& runs) {
  std::int64_t records = 0;
  for (const MftWindow& run : runs) records += run.count;
  return records;
}

}  // namespace tw
