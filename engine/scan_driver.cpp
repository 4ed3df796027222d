#include "engine/scan_driver.h"

#include <chrono>
#include <functional>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "base/drive_letter.h"
#include "base/trace.h"
#include "model/tree_builder.h"
#include "scan/mft_loader.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"
#include "scan/slice_pass.h"

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;
// Opens the volume; on failure sets the error (left as is when the opener
// cannot tell, which the caller has set to kCannotOpen).
using VolumeOpener = std::function<std::unique_ptr<RawVolume>(ScanError&)>;

void Report(const ProgressCallback& progress, ScanStage stage, const ScanProgress& figures = {}) {
  if (!progress) return;
  ScanProgress report = figures;
  report.stage = stage;
  progress(report);
}

double SecondsSince(Clock::time_point& mark) {
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - mark).count();
  mark = now;
  return seconds;
}

// The hardware thread count as the system reports it (0 when it cannot tell).
std::int32_t HardwareThreads() {
  const unsigned count = std::thread::hardware_concurrency();
  return count > static_cast<unsigned>(std::numeric_limits<std::int32_t>::max())
             ? std::numeric_limits<std::int32_t>::max()
             : static_cast<std::int32_t>(count);
}

// Records in the image: the trailing partial record is dropped, and a count
// beyond the 32-bit record range (only a corrupt geometry gives one) is cut.
std::int32_t RecordCount(std::size_t image_size, std::int32_t record_size) {
  const std::size_t count = image_size / static_cast<std::size_t>(record_size);
  const auto limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(count < limit ? count : limit);
}

// Merges the slice results in list order (completion order). The entry
// lists are concatenated into one list reserved at its final size, each slice
// released as soon as it is folded in; Merge then has no entries left to move.
ScanSlice MergeSlices(std::vector<ScanSlice>& results) {
  ScanSlice merged;
  std::size_t entries = 0;
  for (const ScanSlice& slice : results) entries += slice.entries.size();
  merged.entries.reserve(entries);
  for (ScanSlice& slice : results) {
    merged.entries.insert(merged.entries.end(), std::make_move_iterator(slice.entries.begin()),
                          std::make_move_iterator(slice.entries.end()));
    std::vector<MftEntry>().swap(slice.entries);
  }
  for (ScanSlice& slice : results) {
    Merge(merged, std::move(slice));
    slice = ScanSlice();
  }
  std::vector<ScanSlice>().swap(results);
  return merged;
}

ScanResult RunScan(const VolumeOpener& open, const std::wstring& drive, ProgressCallback progress,
                   const ScanOptions& options) {
  const Clock::time_point start = Clock::now();
  Clock::time_point mark = start;
  ScanTimings timings;
  Trace(L"ScanDriveMft: start drive=%ls", drive.c_str());

  // Open and load; the volume is closed as soon as the image is in memory.
  Report(progress, ScanStage::kOpening);
  ScanError open_error = ScanError::kCannotOpen;
  std::unique_ptr<RawVolume> volume = open(open_error);
  if (!volume || !volume->IsOpen()) throw ScanFailure(IsOpenError(open_error) ? open_error : ScanError::kCannotOpen);
  Report(progress, ScanStage::kReadingMft);
  ImageBuffer image;
  std::int32_t record_size = 0;
  const bool loaded = ReadMft(*volume, image, record_size);
  volume->Close();
  volume.reset();
  if (!loaded || record_size <= 0) throw ScanFailure(ScanError::kCannotReadMft);
  timings.load = SecondsSince(mark);

  // Slices: an equal share per hardware thread, at least kSliceMinimum records.
  const std::int32_t records = RecordCount(image.size(), record_size);
  const std::int32_t threads = options.threads > 0 ? options.threads : HardwareThreads();
  const std::int32_t slice_size = ChooseSliceSize(records, threads, kSliceMinimum);
  ScanProgress figures;
  figures.records_total = records;
  figures.mft_bytes = static_cast<std::int64_t>(image.size());
  figures.threads = threads;
  Report(progress, ScanStage::kParseStart, figures);
  const std::vector<SliceRange> slices = BuildSlices(records, slice_size);
  const ByteSpan view(image.data(), image.size());
  SlicePassSettings settings;
  settings.total = records;
  settings.slice_size = slice_size;
  settings.threads = threads;
  settings.report = figures;
  std::vector<ScanSlice> results = ParseSlices(view, record_size, slices, settings, progress);
  timings.slice_pass = SecondsSince(mark);

  ScanSlice merged = MergeSlices(results);
  timings.merge = SecondsSince(mark);

  Report(progress, ScanStage::kOverflow, figures);
  CollectOverflowSizes(view, record_size, merged);
  image.Reset();  // nothing reads the image after this
  timings.overflow_pass = SecondsSince(mark);

  Report(progress, ScanStage::kApply, figures);
  ApplyOverflowSizes(merged);
  timings.apply = SecondsSince(mark);

  Report(progress, ScanStage::kTree, figures);
  ScanResult result = BuildScanResult(merged, drive);
  merged = ScanSlice();
  timings.tree = SecondsSince(mark);

  const Clock::time_point end = Clock::now();
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
  result.elapsed_seconds = static_cast<double>(nanoseconds) / 1000000000.0;
  Trace(L"ScanDriveMft: done drive=%ls records=%d dirs=%zu files=%d time=%.2fs", drive.c_str(), records,
        result.folders.size(), result.file_count, result.elapsed_seconds);
  if (options.timings) *options.timings = timings;
  progress = nullptr;
  return result;
}

}  // namespace

ScanResult ScanDriveMft(const std::wstring& drive, ProgressCallback progress) {
  // Anything but one ASCII letter names no source, so the open fails (as it
  // does for every drive on a system without drive letters).
  return RunScan(
      [&drive](ScanError& error) -> std::unique_ptr<RawVolume> {
        const wchar_t letter = drive.size() == 1 ? DriveLetterOf(drive) : 0;
        return letter == 0 ? nullptr : OpenSourceVolume(VolumeDevicePath(letter), 0, &error);
      },
      drive, std::move(progress), ScanOptions{});
}

ScanResult ScanSourceMft(const std::string& source, const std::wstring& drive, ProgressCallback progress,
                         const ScanOptions& options) {
  return RunScan([&](ScanError& error) { return OpenSourceVolume(source, options.partition, &error); }, drive,
                 std::move(progress), options);
}

ScanResult ScanOpenedVolume(std::unique_ptr<RawVolume> volume, const std::wstring& drive, ProgressCallback progress,
                            const ScanOptions& options) {
  return RunScan([&volume](ScanError&) { return std::move(volume); }, drive, std::move(progress), options);
}

}  // namespace tw
