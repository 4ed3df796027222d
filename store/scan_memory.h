#pragma once
// The remembered scans: after each successful scan the window keeps it as its
// volume's newest snapshot, a few older ones beside it (scan_history.h), in a
// folder of its own, and compares it with the one kept before. A snapshot
// names every folder and file of the volume, other users' too, so the folder
// and the files are readable by the owner and the administrators only.
//
// Nothing here fails a scan: a snapshot that cannot be read or written only
// means no comparison this time, with the reason for the trace log.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/result_generation.h"
#include "model/scan_compare.h"
#include "model/scan_result.h"
#include "store/scan_history.h"
#include "store/snapshot.h"

namespace tw {

// What is known of a volume's previous scan once a new one is remembered.
enum class PreviousScan {
  kNone,        // no snapshot of this volume yet (or its serial number is unknown)
  kCompared,    // the previous snapshot was read and compared
  kUnreadable,  // a snapshot exists but could not be read (damaged, newer format, unreadable)
};

struct RememberedScan {
  PreviousScan previous_scan = PreviousScan::kNone;
  // kCompared: the previous scan (the newest of `earlier`) compared with the
  // new result, CompareScans(previous, result, top).
  std::unique_ptr<ComparedScans> changes;
  // The volume's scans kept before this one, newest first: what the new
  // one can be compared with. A scan whose file was deleted as this one
  // was kept (it fills no place of the history any more) has an empty path.
  std::vector<KeptScan> earlier;
  bool saved = false;   // the new result is now the volume's newest kept scan
  std::string problem;  // why a load, save or deletion failed (English, for the trace log); "" otherwise
};

// Remembers a scan: reads the volume's previous scan (the newest kept one)
// from `folder` (UTF-8) and compares it with `result` (the `top` largest
// files of each list), then keeps `result` as the volume's newest scan:
// encoded once, written under a temporary name, flushed and renamed into
// place (KeptScanPath), and only when the volume keeps room for every
// remembered scan (HasRoomForSnapshot over RememberedBytes). Once it is
// written, the volume's scans that fill no place of the history any more
// are deleted. The folder is created when missing (its parent must exist),
// private (FileAccess::kPrivate), and so is every file.
//
// One remembering at a time in the process: a second call waits until the
// first has written and deleted what it does, and only then lists and reads
// the kept scans. A serial number of 0 (unknown) reads and writes nothing,
// and so does an empty folder (which is a problem); a kept scan that holds
// another volume counts as none. Never throws (std::bad_alloc included):
// failures land in `problem`.
RememberedScan RememberScan(const std::string& folder, const ResultGeneration& result, std::size_t top);

// Compares `result`, a saved scan opened from a file, with the newest
// remembered scan of its volume in `folder`, as RememberScan would, and
// lists the volume's kept scans in `earlier`, but writes nothing: an opened
// scan is never remembered. kNone without a kept scan of the same serial
// number (or with an unknown serial number); never throws.
RememberedScan CompareWithRemembered(const std::string& folder, const ResultGeneration& result, std::size_t top);

// Reads a kept scan (a baseline picked for a comparison) into `result`, as
// LoadSnapshotFile does, while no scan is being remembered: its file is not
// deleted under the read.
bool LoadKeptScan(const std::string& path, ScanResult& result, SnapshotError& error);

// Whether a snapshot of `size` bytes may be written where `free_bytes` are
// free while the remembered scans that stay beside it take `kept_bytes`:
// only when the volume would be left with at least twice the bytes of
// every remembered scan, the new one included, free once it is written
// (free_bytes - size >= 2 * (size + kept_bytes)); no overflow.
bool HasRoomForSnapshot(std::uint64_t free_bytes, std::uint64_t size, std::uint64_t kept_bytes = 0);

// Deletes every remembered scan in the folder (volume-*.twsnap and leftover
// temporaries of them, volume-*.twsnap.*); other files stay. True when none
// is left; a missing folder (or none given) is success. Otherwise false with
// the first reason in `error`. Waits for a remembering under way.
bool ForgetScans(const std::string& folder, std::string& error);

}  // namespace tw
