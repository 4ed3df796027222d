#include "support/viewlogic_result.h"

#include <utility>

namespace tw::testing {

ViewlogicResultBuilder::ViewlogicResultBuilder(ScanResult& result, std::wstring drive)
    : result_(result) {
  result_ = ScanResult();
  result_.drive = drive;
  DirNode& root = result_.folders[kRootId];
  root.id = root.parent_id = kRootId;
  root.name = L"[" + drive + L":]";
}

DirNode& ViewlogicResultBuilder::AddFolder(std::int64_t id, std::int64_t parent, std::wstring name) {
  DirNode& node = result_.folders[id];
  node.id = id;
  node.parent_id = node.tree_parent_id = parent;
  node.name = std::move(name);
  result_.folders.at(parent).children.push_back(id);
  return result_.folders.at(id);
}

FileEntry& ViewlogicResultBuilder::AddFile(std::int64_t folder, std::wstring name, std::int64_t size) {
  DirNode& node = result_.folders.at(folder);
  node.direct_size += size;
  node.direct_alloc += size;
  node.direct_file_count += 1;
  result_.file_count += 1;
  FileEntry file;
  file.extension = ExtensionOf(name);
  if (file.extension.empty()) file.extension = kNoExtension;
  file.folder_path = BuildFolderPath(result_, folder, result_.drive);
  file.name = std::move(name);
  file.size = file.alloc = size;
  file.id = 1000 + result_.file_count;
  std::vector<FileEntry>& files = result_.files_by_folder[folder];
  files.push_back(std::move(file));
  return files.back();
}

void ViewlogicResultBuilder::ComputeTotals() {
  DirNode& root = result_.folders.at(kRootId);
  Total(root);
  result_.root_total_size = root.total_size;
  result_.folder_count = root.total_folder_count;
}

void ViewlogicResultBuilder::Total(DirNode& node) {
  node.total_size = node.direct_size;
  node.total_alloc = node.direct_alloc;
  node.total_file_count = node.direct_file_count;
  node.total_folder_count = 0;
  for (std::int64_t id : node.children) {
    DirNode& child = result_.folders.at(id);
    Total(child);
    node.total_size += child.total_size;
    node.total_alloc += child.total_alloc;
    node.total_file_count += child.total_file_count;
    node.total_folder_count += 1 + child.total_folder_count;
  }
}

}  // namespace tw::testing
