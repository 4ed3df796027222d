#pragma once
// Tree building: the merged scan aggregate becomes the ScanResult the user
// interface reads.
//
// One DirNode per folder entry (the last of an id counts; the root, record 5, is created when the
// volume lacks it and is named "[" + drive + ":]"); every folder hangs under
// its recorded parent, or under the root when that parent is unknown; files
// whose folder is unknown count as direct files of the root. Sizes and counts
// are summed bottom-up over the tree, every file gets its extension and the
// id of the folder it is listed under (its path is built when shown), the
// root's children are ordered by size, and the extension statistics and the
// largest files (kLargestFilesKept of them, equal sizes by record number) are
// finished and sorted.
//
// Corrupt metadata can make folders name each other as parent (or one name
// itself), a loop that never reaches the root. Each such loop is cut at its
// lowest-numbered folder, which hangs under the root (tree_parent_id is the
// root; parent_id stays as recorded); the rest of the loop hangs below it as
// recorded, so every folder, and every file, is in the tree exactly once and
// the root's totals count every file. Paths follow the same cut (see
// BuildFolderPath).

#include <string>

#include "model/scan_result.h"
#include "scan/scan_slice.h"

namespace tw {

// The largest files a result lists.
inline constexpr std::size_t kLargestFilesKept = 100000;

// Consumes the slice's entries: their name arena becomes the result's and
// the entries are released as the files are placed, so a scan holds little
// more than its result. The caller only destroys the slice afterwards. drive is the letter alone (C). Allocation
// failures propagate.
ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive);
ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive);

}  // namespace tw
