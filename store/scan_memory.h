#pragma once
// The remembered scans: after each successful scan the window keeps it as its
// volume's snapshot, one file per volume serial number in a folder of its
// own, and compares it with the one kept before. The snapshot names every
// folder and file of the volume, other users' too, so the folder and the
// files are readable by the owner and the administrators only.
//
// Nothing here fails a scan: a snapshot that cannot be read or written only
// means no comparison this time, with the reason for the trace log.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "model/result_generation.h"
#include "model/scan_compare.h"
#include "model/scan_result.h"

namespace tw {

// What is known of a volume's previous scan once a new one is remembered.
enum class PreviousScan {
  kNone,        // no snapshot of this volume yet (or its serial number is unknown)
  kCompared,    // the previous snapshot was read and compared
  kUnreadable,  // a snapshot exists but could not be read (damaged, newer format, unreadable)
};

struct RememberedScan {
  PreviousScan previous_scan = PreviousScan::kNone;
  // kCompared: the previous snapshot compared with the new result,
  // CompareScans(previous, result, top).
  std::unique_ptr<ComparedScans> changes;
  bool saved = false;   // the new result is now the volume's snapshot
  std::string problem;  // why a load or save failed (English, for the trace log); "" otherwise
};

// Reads the previous snapshot of the result's volume from `folder` (UTF-8),
// compares it with `result` (the `top` largest files of each list), then
// saves `result` as the volume's snapshot in its place: encoded once, written
// under a temporary name, flushed and renamed over the old one, and only when
// the volume keeps room (HasRoomForSnapshot). The folder is created when
// missing (its parent must exist), private (FileAccess::kPrivate). A serial
// number of 0 (unknown) reads and writes nothing, and so does an empty folder
// (which is a problem); a snapshot of another serial number at the volume's
// path counts as none and is replaced. Never throws (std::bad_alloc
// included): failures land in `problem`.
RememberedScan RememberScan(const std::string& folder, const ResultGeneration& result, std::size_t top);

// The snapshot of a volume: folder + separator + "volume-" + 16 upper-case
// hex digits of the serial + ".twsnap".
std::string SnapshotPathFor(const std::string& folder, std::uint64_t serial);

// Whether a snapshot of `size` bytes may be written where `free_bytes` are
// free: only when the volume would be left with at least twice the
// snapshot's size free once it is written (free_bytes >= 3 * size).
bool HasRoomForSnapshot(std::uint64_t free_bytes, std::uint64_t size);

// Deletes every remembered scan in the folder (volume-*.twsnap and leftover
// temporaries of them, volume-*.twsnap.*); other files stay. True when none
// is left; a missing folder (or none given) is success. Otherwise false with
// the first reason in `error`.
bool ForgetScans(const std::string& folder, std::string& error);

}  // namespace tw
