#pragma once
// The windows a scan reads, planned from record 0's $BITMAP.
//
// The MFT of a volume grows and rarely shrinks: after years of use, large
// ranges of it hold no file in use. Record 0's $BITMAP has one bit per MFT
// record, set while the record is in use. A scan reads only the windows, or
// runs of windows, that hold a record marked in use; a gap between two of
// them smaller than a window is read through, so the reads stay long. The
// bitmap is trusted for what it marks free: those records are skipped and
// count as not in use, never as unreadable. Every record that is read is
// still judged by its own in-use flag.
//
// Every planned window starts on a granule (whole records, whole clusters
// and whole 4 KiB, so every read a window makes starts on a sector boundary
// of the volume, as a raw volume handle on Windows demands) and holds whole
// granules, except the one that ends with the MFT. Pure functions over bytes.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace tw {

// A range of records [first, first + count).
struct MftWindow {
  std::int64_t first = 0;
  std::int64_t count = 0;
  friend bool operator==(const MftWindow&, const MftWindow&) = default;
};

// The alignment every planned read keeps on the volume: a multiple of every
// sector size in use.
inline constexpr std::int64_t kReadAlignment = 4096;

// Records per granule: the smallest run of whole records that is also whole
// clusters and whole kReadAlignment bytes (all three are powers of two).
std::int64_t GranuleRecords(std::int64_t record_size, std::int64_t cluster_size);

// True when `in_use` can plan a scan of record_count records: it has a bit
// for every record and marks record 0 (the MFT itself) in use. A bitmap that
// does not is damaged or short, and the scan reads everything instead.
bool BitmapCoversRecords(std::span<const std::uint8_t> in_use, std::int64_t record_count);

// The runs of records to read, in record order, each read as consecutive
// windows of window_records records (CutWindow; window_records is taken
// down to a multiple of granule_records). With an empty `in_use` one run
// covers every record; otherwise the runs cover the granules holding a record
// marked in use, a gap of fewer than window_records records between two of
// them read through. A bitmap that BitmapCoversRecords refuses plans every
// record too. The plan holds a few runs, not a window each, whatever the
// MFT's size.
std::vector<MftWindow> PlanReadRuns(std::int64_t record_count, std::int64_t window_records,
                                    std::int64_t granule_records, std::span<const std::uint8_t> in_use);

// The records of the window of a run that starts at record `at` (in the run):
// window_records of them, fewer at the run's end.
inline MftWindow CutWindow(const MftWindow& run, std::int64_t at, std::int64_t window_records) {
  return MftWindow{at, std::min(window_records, run.first + run.count - at)};
}

// The windows of a plan, one after the other.
std::vector<MftWindow> PlannedWindows(const std::vector<MftWindow>& runs, std::int64_t window_records);

// The records the runs hold.
std::int64_t PlannedRecords(const std::vector<MftWindow>& runs);

}  // namespace tw
