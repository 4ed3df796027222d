#include "scan/slice_pass.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "scan/mft_record.h"

namespace tw {

// ---------------------------------------------------------------------------
// Slicing and the progress rule

std::int32_t ChooseSliceSize(std::int32_t record_count, std::int32_t hardware_threads, std::int32_t minimum) {
  const std::int32_t share = record_count / std::max(hardware_threads, std::int32_t{1});
  return std::max(share, minimum);
}

std::vector<SliceRange> BuildSlices(std::int32_t record_count, std::int32_t slice_size) {
  std::vector<SliceRange> slices;
  if (record_count <= 0 || slice_size <= 0) return slices;
  // 64-bit steps: first + slice_size may pass the 32-bit range on the last slice.
  const std::int64_t count = record_count;
  const std::int64_t size = slice_size;
  slices.reserve(static_cast<std::size_t>((count + size - 1) / size));
  for (std::int64_t first = 0; first < count; first += size) {
    slices.push_back({static_cast<std::int32_t>(first), static_cast<std::int32_t>(std::min(first + size, count))});
  }
  return slices;
}

bool SliceProgressDue(std::int32_t done, std::int32_t slice_size) { return done % kProgressStride < slice_size; }

// ---------------------------------------------------------------------------
// The pool

std::vector<ScanSlice> RunSlicePass(const std::vector<SliceRange>& slices, const SlicePassSettings& settings,
                                    const ProgressCallback& progress, const SliceParser& parse) {
  std::vector<ScanSlice> results;
  results.reserve(slices.size());
  if (slices.empty()) return results;

  std::atomic<std::int32_t> done{0};
  std::atomic<std::size_t> next{0};  // index of the next slice to hand out
  std::atomic<bool> failed{false};
  std::mutex progress_lock;
  std::mutex results_lock;
  std::mutex error_lock;
  std::exception_ptr error;

  auto run_slice = [&](const SliceRange& slice) {
    ScanSlice local;
    parse(slice, local);
    const std::int32_t n = slice.end - slice.first;
    const std::int32_t now = done.fetch_add(n) + n;
    if (progress && SliceProgressDue(now, settings.slice_size)) {
      ScanProgress report = settings.report;
      report.stage = ScanStage::kParsing;
      report.records_done = now;
      report.records_total = settings.total;
      std::lock_guard<std::mutex> lock(progress_lock);
      progress(report);
    }
    std::lock_guard<std::mutex> lock(results_lock);
    results.push_back(std::move(local));  // reserved: never reallocates
  };

  // Every thread, the caller included, pulls slice indices until none are
  // left or some slice has failed. Nothing escapes a worker: the first
  // exception is kept for the caller.
  auto work = [&]() noexcept {
    try {
      while (!failed.load()) {
        const std::size_t i = next.fetch_add(1);
        if (i >= slices.size()) break;
        run_slice(slices[i]);
      }
    } catch (...) {
      failed.store(true);
      std::lock_guard<std::mutex> lock(error_lock);
      if (!error) error = std::current_exception();
    }
  };

  std::size_t helpers = static_cast<std::size_t>(std::max(settings.threads, std::int32_t{1})) - 1;
  helpers = std::min(helpers, slices.size() - 1);
  std::vector<std::thread> pool;
  try {
    pool.reserve(helpers);
  } catch (...) {
    helpers = 0;  // the caller alone still parses every slice
  }
  for (std::size_t k = 0; k < helpers; ++k) {
    try {
      pool.emplace_back(work);
    } catch (...) {
      break;  // fewer threads than asked for: the rest share the work
    }
  }
  work();
  for (std::thread& t : pool) t.join();

  if (error) std::rethrow_exception(error);
  return results;
}

std::vector<ScanSlice> ParseSlices(ByteSpan image, std::int32_t record_size, const std::vector<SliceRange>& slices,
                                   const SlicePassSettings& settings, const ProgressCallback& progress) {
  return RunSlicePass(slices, settings, progress, [&](const SliceRange& slice, ScanSlice& out) {
    // At most one entry per record: one allocation for the slice's list.
    out.entries.reserve(static_cast<std::size_t>(slice.end - slice.first));
    ParseRange(image, record_size, slice.first, slice.end, out);
  });
}

}  // namespace tw
