#pragma once
// The orders of the folder tree list: how the children of one open folder
// (with its "[直接文件]" entry) and the files of one open "[直接文件]" row are
// sorted for a sort column and direction.
//
// Numeric keys compare as signed 64-bit values; equal keys fall back to the
// name, always ascending whatever the direction. Names and attribute texts
// compare case-insensitively (CompareTextNoCase). Entries that compare equal
// both ways may come in any order (an unstable sort).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/scan_result.h"

namespace tw {

// One entry under an open folder: a child folder, or (folder null) the
// folder's "[直接文件]" row.
struct FolderEntry {
  std::int64_t id = 0;  // the child's id; unused for the "[直接文件]" entry
  const DirNode* folder = nullptr;
};

// The children of `folder` that are folders of `result`, plus the
// "[直接文件]" entry when the folder has direct files by count or by size, in
// display order. Child ids that are not folders are left out.
std::vector<FolderEntry> OrderFolderEntries(const ScanResult& result, const DirNode& folder, std::int32_t column,
                                            bool ascending);

// Positions 0 .. files.size()-1 in display order; `files` are files of `result`
// (their names are read from it).
std::vector<std::size_t> OrderFileIndices(const ScanResult& result, std::span<const FileItem> files,
                                          std::int32_t column, bool ascending);

}  // namespace tw
