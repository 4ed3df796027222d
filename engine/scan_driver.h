#pragma once
// One complete scan: open the raw volume, read record 0 (and its $BITMAP),
// read the MFT window by window (only the windows that hold records in use)
// while a pool of threads parses it, name the records found without a name
// from their extension records, then build the tree on the same threads,
// converting the parsed entries in place and applying the overflow sizes. Progress goes to the
// callback as numbers (scan/scan_progress.h). Throws ScanFailure with the
// reason when the volume cannot be opened or the MFT cannot be read (with
// the system's error number when a read of the boot sector or of record 0
// failed); allocation failures pass through unchanged.

#include <cstdint>
#include <memory>
#include <string>

#include "model/scan_result.h"
#include "scan/mft_entry.h"
#include "scan/raw_volume.h"
#include "scan/scan_progress.h"

namespace tw {

// Durations of the engine's stages, in seconds, for --timings and benchmarks:
// load is record 0, the run list and the bitmap, slice_pass the overlapped
// reading and parsing of the MFT, merge the kept records, the folders and the
// extensions, overflow_pass the naming from extension records, apply the
// conversion of the parsed entries, tree the placing of the files, the totals
// and the largest files. Everything after slice_pass runs after the last
// window. Also what was read: the MFT's bytes, and those the scan read of them.
struct ScanTimings {
  double load = 0, slice_pass = 0, merge = 0, overflow_pass = 0, apply = 0, tree = 0;
  std::int64_t mft_bytes = 0;
  std::int64_t mft_bytes_read = 0;
};

struct ScanOptions {
  // Parse threads and the thread count of the parse-start report; 0 = the
  // hardware threads the system reports (a report of 0 runs one thread).
  std::int32_t threads = 0;
  // POSIX sources: which partition of a whole-disk image (1-based); 0 = the
  // first NTFS partition, or the whole source when it has no partition table.
  std::int32_t partition = 0;
  // Plan the reads from record 0's $BITMAP, leaving out the ranges of
  // records it marks free; false reads every record (for tests and
  // benchmarks: the result is the same either way).
  bool use_bitmap = true;
  ScanTimings* timings = nullptr;  // filled when non-null
  // Filled when non-null, once the volume is open: where it lies in its
  // source (a partition cut at the end of the source has listed_length).
  PartitionExtent* placement = nullptr;
};

// The Windows entry point: drive is the letter alone (C); opens \\.\C:
// through OpenSourceVolume. Anything but one ASCII letter fails to open, and
// so does every drive on a system without drive letters.
ScanResult ScanDriveMft(const std::wstring& drive, ProgressCallback progress);

// Any platform: source is a path (image file, block device; on Windows also
// \\.\C:). drive is the letter used for the root's name and every path.
ScanResult ScanSourceMft(const std::string& source, const std::wstring& drive, ProgressCallback progress,
                         const ScanOptions& options = {});

// A scan of a volume the caller has opened (memory volumes in tests, fuzzing).
// Reports and fails exactly like the entry points above: kOpening first,
// kCannotOpen when the volume is null or not open, and the volume is closed as
// soon as the MFT is loaded. All three share one implementation.
ScanResult ScanOpenedVolume(std::unique_ptr<RawVolume> volume, const std::wstring& drive, ProgressCallback progress,
                            const ScanOptions& options = {});

}  // namespace tw
