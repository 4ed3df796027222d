#include "support/result_invariants.h"

#include <cstdint>
#include <limits>
#include <unordered_set>
#include <vector>

namespace tw::test {
namespace {

// Totals saturate in the tree builder; all summands are non-negative, so the
// saturated sum does not depend on the order of the additions.
template <typename T>
T SaturatingAdd(T a, T b) {
  T sum;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<T>::max() : sum;
}

std::string Broken(const DirNode& node, const char* what) { return "folder " + std::to_string(node.id) + ": " + what; }

}  // namespace

std::string CheckResultInvariants(const ScanResult& result) {
  const DirNode* root = result.FindFolder(kRootId);
  if (root == nullptr) return "no root folder";
  if (root->total_size != result.root_total_size) return "root total differs from root_total_size";
  // Every folder hangs in the tree exactly once, parent loops included.
  std::unordered_set<std::int64_t> reached{kRootId};
  std::vector<std::int64_t> pending{kRootId};
  while (!pending.empty()) {
    const DirNode* node = result.FindFolder(pending.back());
    pending.pop_back();
    if (node == nullptr) continue;
    for (const std::int64_t child : result.Children(*node)) {
      if (!reached.insert(child).second) return Broken(*node, "child met twice in the tree");
      pending.push_back(child);
    }
  }
  for (const DirNode& node : result.folders) {
    const std::int64_t id = node.id;
    if (result.FindFolder(id) != &node) return Broken(node, "not found by its id");
    if (!reached.contains(id)) return Broken(node, "not in the tree");
    if (node.direct_size < 0 || node.direct_alloc < 0 || node.direct_file_count < 0) {
      return Broken(node, "negative direct value");
    }
    std::int64_t size = node.direct_size, alloc = node.direct_alloc;
    std::int32_t files = node.direct_file_count, folders = 0;
    for (const std::int64_t child_id : result.Children(node)) {
      const DirNode* child = result.FindFolder(child_id);
      if (child == nullptr || child_id == kRootId) return Broken(node, "child is not a folder");
      if (child->tree_parent_id != id) return Broken(node, "child hangs elsewhere");
      size = SaturatingAdd(size, child->total_size);
      alloc = SaturatingAdd(alloc, child->total_alloc);
      files = SaturatingAdd(files, child->total_file_count);
      folders = SaturatingAdd(folders, SaturatingAdd(child->total_folder_count, 1));
    }
    if (node.total_size != size) return Broken(node, "total_size is not direct plus children");
    if (node.total_alloc != alloc) return Broken(node, "total_alloc is not direct plus children");
    if (node.total_file_count != files) return Broken(node, "total_file_count is not direct plus children");
    if (node.total_folder_count != folders) return Broken(node, "total_folder_count is not its subfolders");
  }
  // Every file is in exactly one folder's list, and names that folder.
  std::size_t listed = 0;
  for (const DirNode& node : result.folders) {
    const std::span<const FileItem> files = result.Files(node);
    listed += files.size();
    for (const FileItem& file : files) {
      if (result.FolderId(file) != node.id) {
        return "file " + std::to_string(file.id) + " names another folder than its list's";
      }
      if (file.extension >= result.extensions.size()) return "file " + std::to_string(file.id) + " has no extension";
    }
  }
  if (listed != result.files.size()) return "files outside every folder's list";
  for (const std::uint32_t index : result.largest_files) {
    if (index >= result.files.size()) return "largest file index out of range";
  }
  if (root->total_file_count != result.file_count) return "root total_file_count differs from file_count";
  return {};
}

}  // namespace tw::test
