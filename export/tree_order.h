#pragma once
// The order in which the exports walk a result's folder tree.

#include <vector>

#include "model/scan_result.h"

namespace tw {

// The folders reachable from the root, root first, in tree pre-order: each
// folder before its children, children in the order of their children list.
// A child id that is not a folder, or one already visited, is skipped.
std::vector<const DirNode*> FoldersInPreOrder(const ScanResult& result);

// The index into result.folders of a folder of the result.
inline std::size_t FolderIndex(const ScanResult& result, const DirNode& folder) {
  return static_cast<std::size_t>(&folder - result.folders.data());
}

}  // namespace tw
