#include "support/scan_result_builder.h"

#include <utility>
#include <vector>

#include "base/extension.h"

namespace tw::test {

ScanResultBuilder::ScanResultBuilder(std::wstring drive) {
  result_.drive = std::move(drive);
  DirNode& root = result_.folders[kRootId];
  root.id = kRootId;
  root.parent_id = kRootId;
  root.tree_parent_id = kRootId;
  root.name = L"[" + result_.drive + L":]";
}

DirNode& ScanResultBuilder::AddFolder(std::int64_t id, std::int64_t parent_id, std::wstring name) {
  DirNode& node = result_.folders[id];
  node.id = id;
  node.parent_id = parent_id;
  node.tree_parent_id = parent_id;
  node.name = std::move(name);
  result_.folders[parent_id].children.push_back(id);
  return node;
}

FileEntry& ScanResultBuilder::AddFile(std::int64_t folder_id, std::int64_t id, std::wstring name, std::int64_t size,
                                      std::int64_t alloc) {
  FileEntry& file = result_.files_by_folder[folder_id].emplace_back();
  file.name = std::move(name);
  file.folder_id = folder_id;
  file.id = id;
  file.size = size;
  file.alloc = alloc < 0 ? size : alloc;
  file.extension = ExtensionOf(file.name);
  return file;
}

void ScanResultBuilder::Sum(DirNode& node) {
  node.direct_size = node.direct_alloc = 0;
  node.direct_file_count = 0;
  if (auto it = result_.files_by_folder.find(node.id); it != result_.files_by_folder.end()) {
    for (const FileEntry& file : it->second) {
      node.direct_size += file.size;
      node.direct_alloc += file.alloc;
      ++node.direct_file_count;
    }
  }
  node.total_size = node.direct_size;
  node.total_alloc = node.direct_alloc;
  node.total_file_count = node.direct_file_count;
  node.total_folder_count = 0;
  for (std::int64_t child_id : node.children) {
    DirNode& child = result_.folders.at(child_id);
    Sum(child);
    node.total_size += child.total_size;
    node.total_alloc += child.total_alloc;
    node.total_file_count += child.total_file_count;
    node.total_folder_count += child.total_folder_count + 1;
  }
}

ScanResult& ScanResultBuilder::Finish() {
  DirNode& root = result_.folders.at(kRootId);
  Sum(root);
  result_.file_count = 0;
  for (const auto& [id, files] : result_.files_by_folder) result_.file_count += static_cast<std::int32_t>(files.size());
  result_.folder_count = static_cast<std::int32_t>(result_.folders.size()) - 1;
  result_.root_total_size = root.total_size;
  return result_;
}

}  // namespace tw::test
