#include "support/scan_result_builder.h"

#include <utility>
#include <vector>

#include "base/arithmetic.h"

namespace tw::test {

ScanResultBuilder::ScanResultBuilder(std::wstring drive) {
  result_.drive = std::move(drive);
  StagedFolder& root = staged_[kRootId];
  root.node.id = kRootId;
  root.node.parent_id = kRootId;
  root.node.tree_parent_id = kRootId;
  root.name = L"[" + result_.drive + L":]";
  order_.push_back(kRootId);
}

DirNode& ScanResultBuilder::AddFolder(std::int64_t id, std::int64_t parent_id, std::wstring name) {
  auto [it, added] = staged_.try_emplace(id);
  if (added) order_.push_back(id);
  StagedFolder& folder = it->second;
  folder.node.id = id;
  folder.node.parent_id = parent_id;
  folder.node.tree_parent_id = parent_id;
  folder.name = std::move(name);
  return folder.node;
}

FileEntry& ScanResultBuilder::AddFile(std::int64_t folder_id, std::int64_t id, std::wstring name, std::int64_t size,
                                      std::int64_t alloc) {
  FileEntry& file = staged_.at(folder_id).files.emplace_back();
  file.name = std::move(name);
  file.folder_id = folder_id;
  file.id = id;
  file.size = size;
  file.alloc = alloc < 0 ? size : alloc;
  return file;
}

DirNode& ScanResultBuilder::folder(std::int64_t id) {
  if (!finished_) return staged_.at(id).node;
  const DirNode* node = result_.FindFolder(id);
  return result_.folders.at(static_cast<std::size_t>(node - result_.folders.data()));
}

void ScanResultBuilder::Sum(DirNode& node) {
  node.direct_size = node.direct_alloc = 0;
  node.direct_file_count = 0;
  for (const FileItem& file : result_.Files(node)) {
    // Held at the limit as a scan holds them: hostile sizes must not wrap.
    node.direct_size = SaturatingAdd(node.direct_size, file.size);
    node.direct_alloc = SaturatingAdd(node.direct_alloc, file.alloc);
    ++node.direct_file_count;
  }
  node.total_size = node.direct_size;
  node.total_alloc = node.direct_alloc;
  node.total_file_count = node.direct_file_count;
  node.total_folder_count = 0;
  const std::span<const std::int64_t> children = result_.Children(node);
  for (const std::int64_t child_id : children) {
    DirNode& child = folder(child_id);
    Sum(child);
    node.total_size = SaturatingAdd(node.total_size, child.total_size);
    node.total_alloc = SaturatingAdd(node.total_alloc, child.total_alloc);
    node.total_file_count += child.total_file_count;
    node.total_folder_count += child.total_folder_count + 1;
  }
}

ScanResult& ScanResultBuilder::Finish() {
  ScanResultPacker packer(result_);
  for (const std::int64_t id : order_) {
    StagedFolder& staged = staged_.at(id);
    const std::uint32_t index = packer.AddFolder(staged.node, staged.name);
    for (const FileEntry& entry : staged.files) {
      FileItem file;
      file.size = entry.size;
      file.alloc = entry.alloc;
      file.mtime = entry.mtime;
      file.id = static_cast<std::uint32_t>(entry.id);
      file.attributes = entry.attributes;
      packer.AddFile(index, file, entry.name);
    }
  }
  packer.Finish();
  finished_ = true;
  Sum(folder(kRootId));
  result_.file_count = static_cast<std::int32_t>(result_.files.size());
  result_.folder_count = static_cast<std::int32_t>(result_.folders.size()) - 1;
  result_.root_total_size = result_.FindFolder(kRootId)->total_size;
  return result_;
}

}  // namespace tw::test
