#pragma once
// The parallel slice pass: every record of the in-memory MFT image is parsed
// once, in slices of consecutive records, on a small pool of threads in which
// the calling thread takes part. Each slice leaves one ScanSlice holding only
// its parsed entries; the results list keeps them in completion order.
//
// Shared while the pass runs: the image and the counts (read only), one atomic
// done counter, a progress lock that serialises callback calls and a results
// lock that serialises appends. The two locks are never held together.
//
// When any slice fails (allocation failure is the only realistic cause) no
// further slice starts, every thread is joined, and the first exception is
// rethrown on the calling thread: a pass never returns with slices missing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scan/byte_reader.h"
#include "scan/mft_entry.h"
#include "scan/scan_progress.h"
#include "scan/scan_slice.h"

namespace tw {

// A half-open range of record numbers [first, end).
struct SliceRange {
  std::int32_t first = 0;
  std::int32_t end = 0;
};

// Records per slice at least; otherwise an equal share per hardware thread.
inline constexpr std::int32_t kSliceMinimum = 16384;

// A slice reports progress when the done count has just passed a multiple of
// this many records (within one slice's worth).
inline constexpr std::int32_t kProgressStride = 300000;

// Records per slice: an equal share per hardware thread (0 threads counts as
// one), never fewer than `minimum`.
std::int32_t ChooseSliceSize(std::int32_t record_count, std::int32_t hardware_threads, std::int32_t minimum);

// Consecutive ranges of slice_size records covering [0, record_count); the last
// one may be shorter. No ranges for a count of 0 (or a slice size below 1).
std::vector<SliceRange> BuildSlices(std::int32_t record_count, std::int32_t slice_size);

// True when a slice that brought the done counter to `done` reports progress.
bool SliceProgressDue(std::int32_t done, std::int32_t slice_size);

// Parses one slice into the (empty) aggregate it is given.
using SliceParser = std::function<void(const SliceRange& slice, ScanSlice& out)>;

struct SlicePassSettings {
  std::int32_t total = 0;       // record count over all slices
  std::int32_t slice_size = 0;  // used by the progress rule
  std::int32_t threads = 1;     // pool size including the caller; below 1 counts as 1
  ScanProgress report;          // the MFT's figures, repeated in every slice report
};

// Runs `parse` once per slice on the pool and returns one aggregate per slice
// in completion order. progress may be empty (no reports).
std::vector<ScanSlice> RunSlicePass(const std::vector<SliceRange>& slices, const SlicePassSettings& settings,
                                    const ProgressCallback& progress, const SliceParser& parse);

// The scan's pass: every slice parsed from the image with ParseRange.
std::vector<ScanSlice> ParseSlices(ByteSpan image, std::int32_t record_size, const std::vector<SliceRange>& slices,
                                   const SlicePassSettings& settings, const ProgressCallback& progress);

}  // namespace tw
