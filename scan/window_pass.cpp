#include "scan/window_pass.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace tw {

bool WindowProgressDue(std::int64_t done, std::int64_t window_records) {
  return done % kProgressStride < window_records;
}

namespace {

// The ring: buffers go from free to full (with their window) and back.
class WindowRing {
 public:
  struct Full {
    MftWindow window;
    std::uint8_t* buffer = nullptr;  // the slot's buffer (null while it has none)
    MappedView mapped;               // the window's bytes when mapped instead of read
  };

  // count slots, each of which gets its buffer the first time a window is
  // read into it (a mapped window needs none). Buffers start on a 4 KiB
  // boundary: a raw volume handle on Windows reads straight into a
  // sector-aligned buffer, any other goes through a bounce copy.
  WindowRing(std::size_t count, std::size_t bytes) : bytes_(bytes), free_(count, nullptr) {
    storage_.reserve(count);
  }

  static constexpr std::uintptr_t kBufferAlignment = 4096;

  // A buffer for a slot that has none; the reader's alone.
  std::uint8_t* Allocate() {
    storage_.push_back(std::make_unique<std::uint8_t[]>(bytes_ + kBufferAlignment - 1));
    const auto at = reinterpret_cast<std::uintptr_t>(storage_.back().get());
    const std::uintptr_t aligned = (at + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    return storage_.back().get() + (aligned - at);
  }

  // The buffers, once no thread reads or parses into them.
  std::vector<SpareBlock> TakeSpare() {
    std::vector<SpareBlock> spare;
    for (std::unique_ptr<std::uint8_t[]>& block : storage_) {
      spare.push_back({std::move(block), bytes_ + kBufferAlignment - 1});
    }
    storage_.clear();
    free_.clear();
    return spare;
  }

  // A free slot and its buffer (null when it has none yet); false once the
  // pass has failed.
  bool TakeFree(std::uint8_t*& buffer) {
    std::unique_lock<std::mutex> lock(mutex_);
    free_changed_.wait(lock, [&] { return failed_ || !free_.empty(); });
    if (failed_) return false;
    buffer = free_.back();
    free_.pop_back();
    return true;
  }
  void GiveFree(std::uint8_t* buffer) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(buffer);
    }
    free_changed_.notify_one();
  }
  void PutFull(Full full) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      full_.push_back(std::move(full));
    }
    full_changed_.notify_one();
  }
  // The next full window; false when the reader has finished and none is left,
  // or the pass has failed.
  bool TakeFull(Full& full) {
    std::unique_lock<std::mutex> lock(mutex_);
    full_changed_.wait(lock, [&] { return failed_ || finished_ || !full_.empty(); });
    if (failed_ || full_.empty()) return false;
    full = std::move(full_.front());
    full_.pop_front();
    return true;
  }
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    full_changed_.notify_all();
  }
  // Records the first exception and wakes everybody.
  void Fail(std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!error_) error_ = error;
      failed_ = true;
    }
    free_changed_.notify_all();
    full_changed_.notify_all();
  }
  std::exception_ptr error() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }

 private:
  std::size_t bytes_;
  std::vector<std::unique_ptr<std::uint8_t[]>> storage_;  // the buffers given so far
  std::mutex mutex_;
  std::condition_variable free_changed_;
  std::condition_variable full_changed_;
  std::vector<std::uint8_t*> free_;
  std::deque<Full> full_;
  bool finished_ = false;
  bool failed_ = false;
  std::exception_ptr error_;
};

}  // namespace

WindowPassOutcome RunWindowPass(std::int64_t record_count, const WindowPassSettings& settings,
                                const ProgressCallback& progress, const WindowReader& read, const WindowParser& parse,
                                const MappedWindows& mapped) {
  std::vector<MftWindow> runs;
  if (record_count > 0) runs.push_back(MftWindow{0, record_count});
  return RunWindowPass(runs, record_count, settings, progress, read, parse, mapped);
}

WindowPassOutcome RunWindowPass(const std::vector<MftWindow>& runs, std::int64_t record_count,
                                const WindowPassSettings& settings, const ProgressCallback& progress,
                                const WindowReader& read, const WindowParser& parse, const MappedWindows& mapped) {
  WindowPassOutcome outcome;
  const std::int64_t window_records = std::max<std::int64_t>(settings.window_records, 1);
  if (runs.empty()) return outcome;
  const auto threads = static_cast<std::size_t>(std::max(settings.threads, std::int32_t{1}));
  const std::size_t buffers = settings.buffers > 0 ? static_cast<std::size_t>(settings.buffers) : threads + 2;
  std::int64_t largest = 0;
  std::size_t windows = 0;
  for (const MftWindow& run : runs) {
    largest = std::max(largest, std::min(run.count, window_records));
    windows += static_cast<std::size_t>(
        std::min<std::int64_t>((run.count + window_records - 1) / window_records, static_cast<std::int64_t>(buffers)));
  }
  // A small MFT needs buffers of its own size only.
  const auto bytes = static_cast<std::size_t>(largest * std::max<std::int64_t>(settings.record_size, 1));
  WindowRing ring(std::min(buffers, windows), bytes);

  std::atomic<std::int64_t> done{0};
  std::mutex progress_lock;
  std::vector<ScanSlice> slices(threads);
  for (ScanSlice& slice : slices) slice.entries = EntryList(settings.groups);

  auto parse_windows = [&](ScanSlice& slice) noexcept {
    try {
      WindowRing::Full full;
      while (ring.TakeFull(full)) {
        const auto size = static_cast<std::size_t>(full.window.count * settings.record_size);
        if (full.mapped) {
          mapped.parse(full.window, ByteSpan{full.mapped.data(), size}, slice);
          full.mapped.Reset();
        } else {
          parse(full.window, MutableSpan{full.buffer, size}, slice);
        }
        ring.GiveFree(full.buffer);
        const std::int64_t now = done.fetch_add(full.window.count) + full.window.count;
        if (progress && WindowProgressDue(now, window_records)) {
          ScanProgress report = settings.report;
          report.stage = ScanStage::kParsing;
          report.records_done = now;
          std::lock_guard<std::mutex> lock(progress_lock);
          progress(report);
        }
      }
    } catch (...) {
      ring.Fail(std::current_exception());
    }
  };

  std::vector<std::thread> pool;
  try {
    pool.reserve(threads);
    for (std::size_t k = 0; k < threads; ++k) pool.emplace_back(parse_windows, std::ref(slices[k]));
  } catch (...) {
    // Fewer threads than asked for: the ones started share the work; with
    // none at all the pass cannot run.
    if (pool.empty()) throw;
  }

  // The reader: this thread. Records left out count as parsed as it passes them.
  std::int64_t passed = 0;
  const auto pass_over = [&](std::int64_t to) {
    if (to > passed) done.fetch_add(to - passed);
    passed = std::max(passed, to);
  };
  // False once a parse thread has failed.
  const auto read_window = [&](const MftWindow& window) {
    pass_over(window.first);
    passed = std::max(passed, window.first + window.count);
    std::uint8_t* buffer = nullptr;
    if (!ring.TakeFree(buffer)) return false;
    if (mapped.map && mapped.parse) {
      if (MappedView view = mapped.map(window)) {
        ring.PutFull({window, buffer, std::move(view)});
        return true;
      }
    }
    if (buffer == nullptr) buffer = ring.Allocate();
    const std::int64_t lost = read(window, buffer);
    outcome.unreadable_records += lost;
    if (lost >= window.count) {
      ring.GiveFree(buffer);  // nothing in it to parse
    } else {
      ring.PutFull({window, buffer, MappedView()});
    }
    return true;
  };
  try {
    bool going = true;
    for (const MftWindow& run : runs) {
      for (std::int64_t at = run.first; going && at < run.first + run.count; at += window_records) {
        going = read_window(CutWindow(run, at, window_records));
      }
    }
    pass_over(record_count);
  } catch (...) {
    ring.Fail(std::current_exception());
  }
  ring.Finish();
  for (std::thread& t : pool) t.join();
  if (std::exception_ptr error = ring.error()) std::rethrow_exception(error);

  for (ScanSlice& slice : slices) {
    if (!slice.entries.empty() || !slice.pending.empty() || !slice.extension_records.empty() ||
        !slice.overflow_sizes.empty()) {
      outcome.slices.push_back(std::move(slice));
    }
  }
  outcome.spare = ring.TakeSpare();
  return outcome;
}

WindowPassOutcome ParseMft(RawVolume& volume, const MftLayout& layout, const WindowPassSettings& settings,
                           const ProgressCallback& progress, std::vector<ByteRange>& unreadable) {
  const std::int64_t granule = GranuleRecords(layout.record_size, layout.cluster_size);
  const std::vector<MftWindow> runs =
      PlanReadRuns(layout.record_count, settings.window_records, granule, layout.in_use);
  // Windows of whole granules, so that every window of a run starts on one.
  WindowPassSettings whole = settings;
  whole.window_records = std::max<std::int64_t>(settings.window_records / granule, 1) * granule;
  std::int64_t bytes_read = 0;  // the reader's alone
  WindowPassOutcome outcome = RunWindowPass(
      runs, layout.record_count, whole, progress,
      [&](const MftWindow& window, std::uint8_t* buffer) {
        return ReadMftWindow(volume, layout, window.first, window.count, buffer, unreadable, &bytes_read);
      },
      [&](const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
        ParseWindow(bytes, window.first, layout.record_size, out);
      },
      MappedWindows{[&](const MftWindow& window) {
                      return MapMftWindow(volume, layout, window.first, window.count, &bytes_read);
                    },
                    [&](const MftWindow& window, ByteSpan bytes, ScanSlice& out) {
                      ParseWindow(bytes, window.first, layout.record_size, out);
                    }});
  outcome.bytes_read = bytes_read;
  return outcome;
}

}  // namespace tw
