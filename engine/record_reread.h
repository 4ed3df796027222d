#pragma once
// The volume as it is now, learnt from the records an action touched: after
// a deletion, a move to the Recycle Bin or any shell command on an item, the
// item's MFT records are read again, alone, and the next generation of the
// result is built from what they say.
//
// Each touched record is read again, with the extension records its
// attribute list names, and parsed as the scan parses it:
//   - a record no longer in use (or no longer a file or folder) leaves the
//     result, and so does the subtree of a folder that left, apart from the
//     folders of it that were read again and are still there;
//   - a record that moved (new parent or name) moves, with its subtree;
//   - a record whose sizes changed takes the new ones.
// A parent folder a record now names that the result does not hold is read
// too, and its parent in turn, until a folder the result holds (a first
// deletion to the Recycle Bin makes `$Recycle.Bin\<SID>`). The result is then
// built again from its own folders and files and what was read, by tree
// building, so totals, counts, the extension statistics and the largest
// files (chosen again from every file) follow exactly as a scan makes them.
// For every folder and file the action touched the new generation equals a
// full scan of the volume.

#include <cstdint>
#include <span>

#include "base/ids.h"
#include "model/scan_result.h"
#include "scan/raw_volume.h"
#include "scan/scan_progress.h"

namespace tw {

// How many records a re-read reads at most, the touched ones and the new
// parents together; a chain of new parents longer than that (only a corrupt
// volume makes one) ends there and what hangs from it goes under the root.
inline constexpr std::size_t kMaxRereadRecords = 1u << 20;

// Reads the touched records of `volume` again and returns the next
// generation of `result`. Throws ScanFailure: kCannotReadMft when record 0
// cannot be read, kOtherVolume when the volume's serial number is not the
// result's (the volume is not the one scanned); allocation failures pass
// through. Touched records beyond the MFT are taken as gone.
ScanResult RereadRecords(const ScanResult& result, RawVolume& volume, std::span<const RecordId> touched);

}  // namespace tw
