#pragma once
// A hand-made result of one chain of folders `depth` deep below the root
// ([C:] > d1 > d2 > ... > dN), with one file at its bottom. Packed and summed
// without recursion, so it can be as deep as a test asks.

#include <string>

#include "model/scan_result.h"

namespace tw {

inline constexpr std::int64_t kChainFileSize = 4096;

inline ScanResult MakeChainResult(std::int32_t depth) {
  ScanResult r;
  r.drive = L"C";
  ScanResultPacker packer(r);
  DirNode node;
  node.id = node.parent_id = node.tree_parent_id = kRootId;
  packer.AddFolder(node, L"[C:]");
  for (std::int32_t level = 1; level <= depth; ++level) {
    node.parent_id = node.tree_parent_id = node.id;
    node.id = 100 + level;
    packer.AddFolder(node, L"d" + std::to_wstring(level));
  }
  FileItem file;
  file.size = file.alloc = kChainFileSize;
  file.id = 64;
  packer.AddFile(static_cast<std::uint32_t>(depth), file, L"bottom.bin");
  packer.Finish();
  for (std::size_t k = 0; k < r.folders.size(); ++k) {
    DirNode& folder = r.folders[k];
    folder.total_size = folder.total_alloc = kChainFileSize;
    folder.total_file_count = 1;
    folder.total_folder_count = depth - static_cast<std::int32_t>(k);
  }
  DirNode& bottom = r.folders.back();
  bottom.direct_size = bottom.direct_alloc = kChainFileSize;
  bottom.direct_file_count = 1;
  r.largest_files = {0};
  r.file_count = 1;
  r.folder_count = depth;
  r.root_total_size = kChainFileSize;
  return r;
}

}  // namespace tw
