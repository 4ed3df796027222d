#include "model/tree_builder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "base/arithmetic.h"
#include "base/extension.h"

namespace tw {
namespace {

std::size_t IndexOf(const ScanResult& result, const DirNode* node) {
  return static_cast<std::size_t>(node - result.folders.data());
}

// Every folder hangs under its recorded parent, or under the root when that
// parent is unknown. A folder whose walk up the tree parents never reaches
// the root hangs, through its tree parents, on a loop of recorded parents
// (corrupt metadata: two folders naming each other as parent, or one naming
// itself). Each loop is cut at its lowest-numbered folder, which hangs under
// the root instead; the rest of the loop, and whatever hangs from it, stays
// below that folder as recorded. Needs the record-number table.
void LinkParents(ScanResult& result) {
  const std::size_t count = result.folders.size();
  std::vector<std::uint32_t> tree_parent(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    DirNode& node = result.folders[i];
    if (node.id == kRootId) {
      node.tree_parent_id = kRootId;
      continue;
    }
    const DirNode* parent = result.FindFolder(RootIfNotPositive(node.parent_id));
    if (parent == nullptr) parent = result.FindFolder(kRootId);
    node.tree_parent_id = parent->id;
    tree_parent[i] = static_cast<std::uint32_t>(IndexOf(result, parent));
  }

  enum : std::uint8_t { kUnseen, kOnThisWalk, kSettled };
  std::vector<std::uint8_t> state(count, kUnseen);
  state[IndexOf(result, result.FindFolder(kRootId))] = kSettled;
  std::vector<std::uint32_t> walk;
  for (std::size_t start = 0; start < count; ++start) {
    walk.clear();
    std::uint32_t at = static_cast<std::uint32_t>(start);
    while (state[at] == kUnseen) {
      state[at] = kOnThisWalk;
      walk.push_back(at);
      at = tree_parent[at];
    }
    if (state[at] == kOnThisWalk) {
      // Back at a folder of this walk: the loop is the walk from there on.
      const auto loop = std::find(walk.begin(), walk.end(), at);
      const auto lowest = std::min_element(loop, walk.end(), [&result](std::uint32_t a, std::uint32_t b) {
        return result.folders[a].id < result.folders[b].id;
      });
      result.folders[*lowest].tree_parent_id = kRootId;
    }
    for (const std::uint32_t settled : walk) state[settled] = kSettled;
  }
}

// Folder indices in pre-order from the root: every folder before its
// descendants.
std::vector<std::uint32_t> PreOrder(const ScanResult& result) {
  std::vector<std::uint32_t> order;
  order.reserve(result.folders.size());
  std::vector<std::uint32_t> stack{static_cast<std::uint32_t>(IndexOf(result, result.FindFolder(kRootId)))};
  while (!stack.empty()) {
    const std::uint32_t at = stack.back();
    stack.pop_back();
    order.push_back(at);
    for (const std::int64_t child : result.Children(result.folders[at])) {
      stack.push_back(static_cast<std::uint32_t>(IndexOf(result, result.FindFolder(child))));
    }
  }
  return order;
}

// Direct sums from each folder's files, then bottom-up totals: walking the
// pre-order backwards, every folder is complete (its children have already
// added their totals to it) when it adds its own to its tree parent.
void Aggregate(ScanResult& result, const std::vector<std::uint32_t>& order) {
  for (DirNode& node : result.folders) {
    for (const FileItem& file : result.Files(node)) {
      const std::int64_t size = std::max<std::int64_t>(file.size, 0);
      node.direct_size = SaturatingAdd(node.direct_size, size);
      node.direct_alloc = SaturatingAdd(node.direct_alloc, file.alloc >= 0 ? file.alloc : size);
    }
    node.direct_file_count =
        static_cast<std::int32_t>(std::min<std::uint32_t>(node.file_count, std::numeric_limits<std::int32_t>::max()));
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    DirNode& node = result.folders[*it];
    node.total_size = SaturatingAdd(node.total_size, node.direct_size);
    node.total_alloc = SaturatingAdd(node.total_alloc, node.direct_alloc);
    node.total_file_count = SaturatingAdd(node.total_file_count, node.direct_file_count);
    if (node.id == kRootId) continue;
    DirNode& parent = result.folders[IndexOf(result, result.FindFolder(node.tree_parent_id))];
    parent.total_size = SaturatingAdd(parent.total_size, node.total_size);
    parent.total_alloc = SaturatingAdd(parent.total_alloc, node.total_alloc);
    parent.total_file_count = SaturatingAdd(parent.total_file_count, node.total_file_count);
    parent.total_folder_count = SaturatingAdd(parent.total_folder_count, SaturatingAdd(node.total_folder_count, 1));
  }
}

void SortRootChildren(ScanResult& result, const DirNode& root) {
  const auto children = result.child_ids.begin() + root.first_child;
  std::stable_sort(children, children + root.child_count, [&result](std::int64_t a, std::int64_t b) {
    return result.FindFolder(a)->total_size > result.FindFolder(b)->total_size;
  });
}

// The heap's entries ranked by logical size, largest first (equal sizes by
// record number), as indices into the files.
void FinishLargestFiles(ScanSlice& slice, ScanResult& result) {
  std::vector<MftEntry> entries = std::move(slice.largest.heap);
  IdMap<std::uint32_t> index_of;
  index_of.reserve(entries.size());
  for (const MftEntry& entry : entries) index_of.emplace(entry.id, 0);
  for (std::size_t i = 0; i < result.files.size(); ++i) {
    if (const auto it = index_of.find(result.files[i].id); it != index_of.end())
      it->second = static_cast<std::uint32_t>(i);
  }
  std::sort(entries.begin(), entries.end(),
            [](const MftEntry& a, const MftEntry& b) { return a.size != b.size ? a.size > b.size : a.id < b.id; });
  result.largest_files.reserve(entries.size());
  for (const MftEntry& entry : entries) result.largest_files.push_back(index_of.find(entry.id)->second);
}

}  // namespace

ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive) {
  ScanResult result;
  result.drive = drive;
  result.file_count = slice.file_count;
  result.folder_count = slice.folder_count;
  result.root_id = kRootId;

  // The folders in record order, the root first.
  slice.folder_records.try_emplace(kRootId, FolderRecord{kRootId, L".", 0, 0});
  std::vector<std::int64_t> ids;
  ids.reserve(slice.folder_records.size());
  for (const auto& [id, record] : slice.folder_records) {
    if (id != kRootId) ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  std::size_t files = 0;
  std::size_t units = 0;
  for (const auto& [id, list] : slice.folder_files) {
    files += list.size();
    for (const FileRecord& file : list) units += file.name.size();
  }
  ScanResultPacker packer(result);
  packer.Reserve(ids.size() + 1, files, units);
  const std::wstring root_name = L"[" + drive + L":]";
  const auto add_folder = [&](std::int64_t id) {
    FolderRecord& record = slice.folder_records.find(id)->second;
    DirNode node;
    node.id = id;
    node.parent_id = record.parent_id;
    node.mtime = record.mtime;
    node.attributes = record.attributes;
    packer.AddFolder(node, id == kRootId ? std::wstring_view(root_name) : std::wstring_view(record.name));
    std::wstring().swap(record.name);
  };
  add_folder(kRootId);
  for (const std::int64_t id : ids) add_folder(id);
  std::vector<std::int64_t>().swap(ids);
  packer.IndexFolders();
  LinkParents(result);

  // Every file under its recorded parent, or under the root when that is 0,
  // negative or no known folder; the root's own files first.
  const std::uint32_t root_index = 0;
  const auto add_files = [&](std::int64_t key, std::vector<FileRecord>& list) {
    const DirNode* folder = result.FindFolder(RootIfNotPositive(key));
    const std::uint32_t index = folder == nullptr ? root_index : static_cast<std::uint32_t>(IndexOf(result, folder));
    for (FileRecord& record : list) {
      FileItem file;
      file.size = record.size;
      file.alloc = record.alloc;
      file.mtime = record.mtime;
      file.id = static_cast<std::uint32_t>(record.id);
      file.attributes = record.attributes;
      packer.AddFile(index, file, record.name);
    }
    std::vector<FileRecord>().swap(list);
  };
  if (const auto own = slice.folder_files.find(kRootId); own != slice.folder_files.end()) {
    add_files(kRootId, own->second);
  }
  for (auto& [key, list] : slice.folder_files) add_files(key, list);
  packer.Finish();

  const std::vector<std::uint32_t> order = PreOrder(result);
  Aggregate(result, order);
  SortRootChildren(result, result.folders[root_index]);
  result.root_total_size = result.folders[root_index].total_size;
  FinishLargestFiles(slice, result);
  return result;
}

ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive) { return BuildScanResult(slice, drive); }

}  // namespace tw
