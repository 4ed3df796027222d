#pragma once
// The pass over the MFT: one reader fills a small ring of window buffers with
// whole records, in MFT order, while parse threads take the full windows, each
// folding its windows into its own ScanSlice, and hand the buffers back. The
// reader waits only when every buffer is full or being parsed, so reading and
// parsing overlap and memory stays at the ring plus the parsed output,
// whatever the MFT's size. Where the volume can map a window's bytes from the
// system's cache, the window takes a slot of the ring without a buffer and is
// parsed where it lies: no copy, and a reader with little to do.
//
// Shared while the pass runs: the queue of full windows and the free buffers
// (one lock, two condition variables), one atomic count of records parsed and
// a progress lock that serialises callback calls. When reading or parsing
// throws (allocation failure is the only realistic cause), nothing new starts,
// every thread is joined, and the first exception is rethrown on the calling
// thread: a pass never returns with windows missing.

#include <cstdint>
#include <functional>
#include <vector>

#include "base/memory_hints.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/raw_volume.h"
#include "scan/read_plan.h"
#include "scan/scan_progress.h"
#include "scan/scan_slice.h"

namespace tw {

// The MFT bytes one window holds at most (whole records; a record larger than
// this makes a window of one record).
inline constexpr std::int64_t kWindowBytes = 4 << 20;

// A parse thread reports progress when the parsed count has just passed a
// multiple of this many records (within one window's worth).
inline constexpr std::int64_t kProgressStride = 300000;

// True when a window that brought the parsed count to `done` reports progress.
bool WindowProgressDue(std::int64_t done, std::int64_t window_records);

struct WindowPassSettings {
  std::int64_t record_size = 0;
  std::int64_t window_records = 1;  // records per window
  std::int32_t threads = 1;         // parse threads; below 1 counts as 1
  std::int32_t buffers = 0;         // window buffers; 0: two more than the threads
  ParentGroups groups;              // how each thread's entries group their files
  ScanProgress report;              // the MFT's figures, repeated in every parse report
};

// Fills the buffer with the window's records; returns how many of them could
// not be read (left zero). A window all of whose records are lost is not parsed.
using WindowReader = std::function<std::int64_t(const MftWindow& window, std::uint8_t* buffer)>;
// Parses a full window (its bytes are the parser's to change) into the thread's slice.
using WindowParser = std::function<void(const MftWindow& window, MutableSpan bytes, ScanSlice& out)>;

// Windows mapped instead of read: map is asked first for each window, and
// when it hands out a view, the window is parsed from it by parse (the bytes
// are read-only) and the view let go on the parse thread. A window it
// declines is read. Both empty: every window is read.
struct MappedWindows {
  std::function<MappedView(const MftWindow& window)> map;
  std::function<void(const MftWindow& window, ByteSpan bytes, ScanSlice& out)> parse;
};

struct WindowPassOutcome {
  std::vector<ScanSlice> slices;  // one per parse thread that parsed something
  // The read buffers the pass gave (none when every window was mapped),
  // their pages written: tree building places the first files in them.
  std::vector<SpareBlock> spare;
  std::int64_t unreadable_records = 0;
  std::int64_t bytes_read = 0;  // MFT bytes read from the volume (ParseMft)
};

// Reads the runs of records on the calling thread, in list order, each in
// consecutive windows of window_records records (the last of a run may be
// shorter), and parses them on `threads` threads. Records the runs leave out
// count as parsed in the progress reports (as the reader passes them), of
// record_count in all. progress may be empty (no reports).
WindowPassOutcome RunWindowPass(const std::vector<MftWindow>& runs, std::int64_t record_count,
                                const WindowPassSettings& settings, const ProgressCallback& progress,
                                const WindowReader& read, const WindowParser& parse,
                                const MappedWindows& mapped = {});
// Every record of [0, record_count), in consecutive windows of
// window_records records (the last may be shorter).
WindowPassOutcome RunWindowPass(std::int64_t record_count, const WindowPassSettings& settings,
                                const ProgressCallback& progress, const WindowReader& read, const WindowParser& parse,
                                const MappedWindows& mapped = {});

// The scan's pass: the planned runs of the MFT (PlanReadRuns over the
// layout's bitmap; every record when it has none) mapped from the volume
// where it can (MapMftWindow: the pages the system's cache holds) and read
// with ReadMftWindow where not, and parsed with ParseWindow. The volume
// ranges that could not be read are appended to `unreadable`.
WindowPassOutcome ParseMft(RawVolume& volume, const MftLayout& layout, const WindowPassSettings& settings,
                           const ProgressCallback& progress, std::vector<ByteRange>& unreadable);

}  // namespace tw
