#include "engine/scan_driver.h"

#include <chrono>
#include <functional>
#include <limits>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "base/drive_letter.h"
#include "base/memory_hints.h"
#include "base/trace.h"
#include "engine/tree_builder.h"
#include "scan/boot_sector.h"
#include "scan/mft_loader.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"
#include "scan/window_pass.h"

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;
// Opens the volume; on failure sets the error (left as is when the opener
// cannot tell, which the caller has set to kCannotOpen) and, when a read
// failed, the system's error number.
using VolumeOpener = std::function<std::unique_ptr<RawVolume>(ScanError&, int&)>;

// Why record 0 and the geometry could not be had: a read the system refused
// of the boot sector or of record 0, or anything else wrong with them.
ScanFailure LoadFailure(const RawVolume& volume) {
  const ReadFailure read = volume.LastReadFailure();
  if (read.error == 0) return ScanFailure(ScanError::kCannotReadMft);
  const bool boot_sector = read.offset < static_cast<std::int64_t>(kBootSectorSize);
  return ScanFailure(boot_sector ? ScanError::kCannotRead : ScanError::kCannotReadMft, read.error);
}

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

ScanResult RunScan(const VolumeOpener& open, const std::wstring& drive, ProgressCallback progress,
                   const ScanOptions& options) {
  const Clock::time_point start = Clock::now();
  Clock::time_point mark = start;
  ScanTimings timings;
  Trace(L"ScanDriveMft: start drive=%ls", drive.c_str());
  HandBackLargeBlocks();  // the chunks the parse fills leave the process as tree building frees them

  // Open, read record 0; the volume is closed as soon as the MFT has been read.
  Report(progress, ScanStage::kOpening);
  ScanError open_error = ScanError::kCannotOpen;
  int open_system_error = 0;
  std::unique_ptr<RawVolume> volume = open(open_error, open_system_error);
  if (!volume || !volume->IsOpen()) {
    throw ScanFailure(IsOpenError(open_error) ? open_error : ScanError::kCannotOpen, open_system_error);
  }
  if (options.placement != nullptr) *options.placement = volume->Placement();
  Report(progress, ScanStage::kReadingMft);
  MftLayout layout;
  if (!ReadMftLayout(*volume, layout, options.use_bitmap) || layout.record_size <= 0) {
    const ScanFailure failure = LoadFailure(*volume);
    volume->Close();
    throw failure;
  }
  timings.load = SecondsSince(mark);

  // The pass: windows of whole records read on this thread, parsed on the pool.
  const std::int32_t threads = options.threads > 0 ? options.threads : HardwareThreads();
  ScanProgress figures;
  figures.records_total = layout.record_count;
  figures.mft_bytes = layout.mft_bytes;
  figures.threads = threads;
  Report(progress, ScanStage::kParseStart, figures);
  WindowPassSettings settings;
  settings.record_size = layout.record_size;
  settings.window_records = std::max<std::int64_t>(kWindowBytes / layout.record_size, 1);
  settings.threads = std::max(threads, std::int32_t{1});
  settings.groups = ParentGroups::For(layout.record_count);
  settings.report = figures;
  std::vector<ByteRange> unreadable;
  WindowPassOutcome pass = ParseMft(*volume, layout, settings, progress, unreadable);
  volume->Close();
  volume.reset();
  timings.slice_pass = SecondsSince(mark);

  timings.mft_bytes = layout.mft_bytes;
  timings.mft_bytes_read = pass.bytes_read;

  // What the threads kept for the overflow stage, in one slice; their
  // entries stay where they are until tree building takes them over.
  ScanSlice kept;
  kept.entries = EntryList(settings.groups);
  for (ScanSlice& slice : pass.slices) MergeKeptRecords(kept, slice);
  timings.merge = SecondsSince(mark);

  Report(progress, ScanStage::kOverflow, figures);
  std::vector<FolderRename> renames;
  ResolvePendingRecords(kept.pending, kept.extension_records, kept.entries, renames);
  timings.overflow_pass = SecondsSince(mark);

  Report(progress, ScanStage::kApply, figures);
  TreeInput input;
  for (ScanSlice& slice : pass.slices) input.lists.push_back(&slice.entries);
  input.lists.push_back(&kept.entries);
  input.overflow = &kept.overflow_sizes;
  input.renames = &renames;
  input.threads = settings.threads;
  input.spare = &pass.spare;
  input.placing = [&] { Report(progress, ScanStage::kTree, figures); };
  TreeTimings tree_timings;
  ScanResult result = BuildScanResult(input, drive, &tree_timings);
  std::vector<ScanSlice>().swap(pass.slices);
  kept = ScanSlice();
  result.unreadable_records = pass.unreadable_records;
  result.unreadable_ranges = std::move(unreadable);
  timings.merge += tree_timings.merge;
  timings.apply = tree_timings.apply;
  timings.tree = SecondsSince(mark) - tree_timings.merge - tree_timings.apply;

  const Clock::time_point end = Clock::now();
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
  result.elapsed_seconds = static_cast<double>(nanoseconds) / 1000000000.0;
  result.scanned_at =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  result.volume_serial = layout.volume_serial;
  Trace(L"ScanDriveMft: done drive=%ls records=%lld dirs=%zu files=%d time=%.2fs", drive.c_str(),
        static_cast<long long>(layout.record_count), result.folders.size(), result.file_count, result.elapsed_seconds);
  if (options.timings) *options.timings = timings;
  progress = nullptr;
  return result;
}

}  // namespace

ScanResult ScanDriveMft(const std::wstring& drive, ProgressCallback progress) {
  // Anything but one ASCII letter names no source, so the open fails (as it
  // does for every drive on a system without drive letters).
  return RunScan(
      [&drive](ScanError& error, int& system_error) -> std::unique_ptr<RawVolume> {
        const wchar_t letter = drive.size() == 1 ? DriveLetterOf(drive) : 0;
        return letter == 0 ? nullptr : OpenSourceVolume(VolumeDevicePath(letter), 0, &error, &system_error);
      },
      drive, std::move(progress), ScanOptions{});
}

ScanResult ScanSourceMft(const std::string& source, const std::wstring& drive, ProgressCallback progress,
                         const ScanOptions& options) {
  return RunScan([&](ScanError& error,
                     int& system_error) { return OpenSourceVolume(source, options.partition, &error, &system_error); },
                 drive, std::move(progress), options);
}

ScanResult ScanOpenedVolume(std::unique_ptr<RawVolume> volume, const std::wstring& drive, ProgressCallback progress,
                            const ScanOptions& options) {
  return RunScan([&volume](ScanError&, int&) { return std::move(volume); }, drive, std::move(progress), options);
}

}  // namespace tw
