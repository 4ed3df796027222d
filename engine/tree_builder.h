#pragma once
// Tree building: the parsed entries become the ScanResult the user interface
// reads.
//
// One DirNode per folder entry (the last of an id counts; the root, record 5, is created when the
// volume lacks it and is named "[" + drive + ":]"); every folder hangs under
// its recorded parent, or under the root when that parent is unknown; files
// whose folder is unknown count as direct files of the root. Sizes and counts
// are summed bottom-up over the tree, every file gets its extension and the
// id of the folder it is listed under (its path is built when shown), each
// folder's files are in record order (the root's own files before the ones it
// takes in), the root's children are ordered by size, and the extension
// statistics and the largest files (kLargestFilesKept of them, equal sizes by
// record number) are finished and sorted.
//
// Corrupt metadata can make folders name each other as parent (or one name
// itself), a loop that never reaches the root. Each such loop is cut at its
// lowest-numbered folder, which hangs under the root (tree_parent_id is the
// root; parent_id stays as recorded); the rest of the loop hangs below it as
// recorded, so every folder, and every file, is in the tree exactly once and
// the root's totals count every file. Paths follow the same cut (see
// BuildFolderPath).
//
// The work is spread over the threads, group by group of the lists' files
// (file_placement.h): each group's files are counted by folder (their
// overflow sizes applied), the names move to the result's arena chunk by
// chunk, and each group's files are copied straight to their places,
// converted, summed per folder and checked for record order (each folder's
// files arrive in it already when the lists hold them so), its chunks let
// go behind it. The extensions' totals and the candidates for the largest
// files were kept as the files were parsed. What runs on one thread is the
// work per folder, per extension and per largest file, and the files the
// root takes in from unknown parents.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/memory_hints.h"
#include "model/scan_result.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

namespace tw {

// The largest files a result lists.
inline constexpr std::size_t kLargestFilesKept = kLargestCandidates;

// What tree building takes over.
struct TreeInput {
  // The parsed entries, in the order they count (of two folder entries of one
  // id the later one wins). Consumed: each list is released as it is taken
  // over.
  std::vector<EntryList*> lists;
  // Extension records' sizes by base record (ApplyOverflow); may be null.
  const IdMap<OverflowSizes>* overflow = nullptr;
  // Names found for folders that had dir_N, in id order; may be null.
  const std::vector<FolderRename>* renames = nullptr;
  std::int32_t threads = 1;
  // Blocks done with (the read buffers), consumed: freed once the first
  // files lie in their pages. May be null.
  std::vector<SpareBlock>* spare = nullptr;
  // Called when the entries are converted, before the files are placed.
  std::function<void()> placing;
};

// Seconds spent: merge (folders and extensions), apply (converting the
// entries in place), tree (placing the files, totals, largest files).
struct TreeTimings {
  double merge = 0, apply = 0, tree = 0;
};

// drive is the letter alone (C). Allocation failures propagate.
ScanResult BuildScanResult(const TreeInput& input, const std::wstring& drive, TreeTimings* timings = nullptr);

// One slice's entries, its overflow sizes applied, on one thread. The
// caller only destroys the slice afterwards.
ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive);
ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive);

}  // namespace tw
