#include "scan/scan_driver.h"

#include <chrono>
#include <functional>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "model/tree_builder.h"
#include "scan/mft_loader.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"
#include "scan/slice_pass.h"
#include "scan/trace.h"

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;
using VolumeOpener = std::function<std::unique_ptr<RawVolume>()>;

void Report(const ProgressCallback& progress, std::int32_t value, const wchar_t* text) {
  if (progress) progress(value, text);
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

// The source of a drive letter: its volume device \\.\X:. Anything but one
// ASCII letter names no source, so the open fails (as it does for every drive
// on a system without drive letters).
std::string DriveSource(const std::wstring& drive) {
  if (drive.size() != 1) return std::string();
  const wchar_t c = drive[0];
  if (!((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'))) return std::string();
  return std::string("\\\\.\\") + static_cast<char>(c) + ":";
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
  Trace(L"ScanDriveMft: start drive=%s", drive.c_str());

  // Open and load; the volume is closed as soon as the image is in memory.
  Report(progress, 1, L"正在打开 NTFS 卷...");
  std::unique_ptr<RawVolume> volume = open();
  if (!volume || !volume->IsOpen()) throw std::runtime_error(kOpenVolumeError);
  Report(progress, 5, L"正在读取 MFT...");
  ImageBuffer image;
  std::int32_t record_size = 0;
  const bool loaded = ReadMft(*volume, image, record_size);
  volume->Close();
  volume.reset();
  if (!loaded || record_size <= 0) throw std::runtime_error(kReadMftError);
  timings.load = SecondsSince(mark);

  // Slices: an equal share per hardware thread, at least kSliceMinimum records.
  const std::int32_t records = RecordCount(image.size(), record_size);
  const std::int32_t threads = options.threads > 0 ? options.threads : HardwareThreads();
  const std::int32_t slice_size = ChooseSliceSize(records, threads, kSliceMinimum);
  if (progress) {
    progress(10, L"MFT " + std::to_wstring(image.size() >> 20) + L" MB \u00B7 " + std::to_wstring(threads) +
                     L" 线程并行解析");
  }
  const std::vector<SliceRange> slices = BuildSlices(records, slice_size);
  const ByteSpan view(image.data(), image.size());
  SlicePassSettings settings;
  settings.total = records;
  settings.slice_size = slice_size;
  settings.threads = threads;
  std::vector<ScanSlice> results = ParseSlices(view, record_size, slices, settings, progress);
  timings.slice_pass = SecondsSince(mark);

  ScanSlice merged = MergeSlices(results);
  timings.merge = SecondsSince(mark);

  Report(progress, 90, L"解析 ATTRIBUTE_LIST 溢出属性...");
  CollectOverflowSizes(view, record_size, merged);
  image.Reset();  // nothing reads the image after this
  timings.overflow_pass = SecondsSince(mark);

  Report(progress, 91, L"合并扩展 MFT 记录...");
  ApplyOverflowSizes(merged);
  timings.apply = SecondsSince(mark);

  Report(progress, 92, L"构建目录树...");
  ScanResult result = BuildScanResult(merged, drive);
  merged = ScanSlice();
  timings.tree = SecondsSince(mark);

  const Clock::time_point end = Clock::now();
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
  result.elapsed_seconds = static_cast<double>(nanoseconds) / 1000000000.0;
  Trace(L"ScanDriveMft: done drive=%s records=%d dirs=%zu files=%d time=%.2fs", drive.c_str(), records,
        result.folders.size(), result.file_count, result.elapsed_seconds);
  if (options.timings) *options.timings = timings;
  progress = nullptr;
  return result;
}

}  // namespace

ScanResult ScanDriveMft(const std::wstring& drive, ProgressCallback progress) {
  return RunScan(
      [&drive]() -> std::unique_ptr<RawVolume> {
        const std::string source = DriveSource(drive);
        return source.empty() ? nullptr : OpenSourceVolume(source, 0);
      },
      drive, std::move(progress), ScanOptions{});
}

ScanResult ScanSourceMft(const std::string& source, const std::wstring& drive, ProgressCallback progress,
                         const ScanOptions& options) {
  return RunScan([&] { return OpenSourceVolume(source, options.partition); }, drive, std::move(progress),
                 options);
}

ScanResult ScanOpenedVolume(std::unique_ptr<RawVolume> volume, const std::wstring& drive, ProgressCallback progress,
                            const ScanOptions& options) {
  return RunScan([&volume] { return std::move(volume); }, drive, std::move(progress), options);
}

}  // namespace tw
