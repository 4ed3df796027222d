#include "model/tree_builder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "base/arithmetic.h"
#include "base/extension.h"

namespace tw {
namespace {

// One DirNode per folder record, names moved out of the records.
void CreateNodes(ScanSlice& slice, ScanResult& result) {
  result.folders.reserve(slice.folder_records.size());
  for (auto& [id, record] : slice.folder_records) {
    DirNode node;
    node.id = id;
    node.parent_id = record.parent_id;
    node.name = id == kRootId ? L"[" + result.drive + L":]" : std::move(record.name);
    node.mtime = record.mtime;
    node.attributes = record.attributes;
    result.folders.emplace(id, std::move(node));
  }
}

// Hangs every folder under its recorded parent, or under the root when the
// parent is unknown. The recorded parent_id is kept for paths.
void LinkParents(ScanResult& result, DirNode& root) {
  for (auto& [id, node] : result.folders) {
    if (id == kRootId) {
      node.tree_parent_id = kRootId;
      continue;
    }
    const std::int64_t parent = RootIfNotPositive(node.parent_id);
    const auto it = result.folders.find(parent);
    DirNode& tree_parent = it == result.folders.end() ? root : it->second;
    tree_parent.children.push_back(id);
    node.tree_parent_id = tree_parent.id;
  }
}

// Files whose folder is unknown become direct files of the root: their totals
// are added to the root's and their lists appended to the root's list.
void AbsorbOrphanFiles(ScanSlice& slice, const ScanResult& result) {
  std::vector<std::int64_t> orphans;
  for (const auto& [id, totals] : slice.folder_file_totals) {
    if (id != kRootId && !result.folders.contains(id)) orphans.push_back(id);
  }
  if (!orphans.empty()) {
    FolderFileTotals& root = slice.folder_file_totals[kRootId];
    for (const std::int64_t id : orphans) {
      const auto it = slice.folder_file_totals.find(id);
      root.size = SaturatingAdd(root.size, it->second.size);
      root.alloc = SaturatingAdd(root.alloc, it->second.alloc);
      root.count = SaturatingAdd(root.count, it->second.count);
      slice.folder_file_totals.erase(it);
    }
  }

  orphans.clear();
  for (const auto& [id, files] : slice.folder_files) {
    if (id != kRootId && !result.folders.contains(id)) orphans.push_back(id);
  }
  if (!orphans.empty()) {
    std::vector<FileRecord>& root = slice.folder_files[kRootId];
    for (const std::int64_t id : orphans) {
      const auto it = slice.folder_files.find(id);
      root.insert(root.end(), std::make_move_iterator(it->second.begin()), std::make_move_iterator(it->second.end()));
      slice.folder_files.erase(it);
    }
  }
}

struct Visit {
  DirNode* node;
  DirNode* tree_parent;  // null for the root
};

// Pre-order walk from the root with an explicit stack: every folder comes
// before its descendants. Folders on a loop away from the root never appear.
std::vector<Visit> VisitingOrder(ScanResult& result, DirNode& root) {
  std::vector<Visit> order;
  order.reserve(result.folders.size());
  std::vector<Visit> stack;
  stack.push_back({&root, nullptr});
  while (!stack.empty()) {
    const Visit visit = stack.back();
    stack.pop_back();
    order.push_back(visit);
    for (const std::int64_t child : visit.node->children) {
      stack.push_back({&result.folders.find(child)->second, visit.node});
    }
  }
  return order;
}

// Bottom-up sums: walking the pre-order backwards, every folder is complete
// (its children have already added their totals to it) when it adds its own
// totals to its tree parent.
void Aggregate(const std::vector<Visit>& order, const ScanSlice& slice) {
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    DirNode& node = *it->node;
    const auto totals = slice.folder_file_totals.find(node.id);
    if (totals != slice.folder_file_totals.end()) {
      node.direct_size = totals->second.size;
      node.direct_alloc = totals->second.alloc;
      node.direct_file_count = totals->second.count;
    }
    node.total_size = SaturatingAdd(node.total_size, node.direct_size);
    node.total_alloc = SaturatingAdd(node.total_alloc, node.direct_alloc);
    node.total_file_count = SaturatingAdd(node.total_file_count, node.direct_file_count);
    if (DirNode* parent = it->tree_parent) {
      parent->total_size = SaturatingAdd(parent->total_size, node.total_size);
      parent->total_alloc = SaturatingAdd(parent->total_alloc, node.total_alloc);
      parent->total_file_count = SaturatingAdd(parent->total_file_count, node.total_file_count);
      parent->total_folder_count = SaturatingAdd(parent->total_folder_count, SaturatingAdd(node.total_folder_count, 1));
    }
  }
}

// The paths of the folders that have files or a largest file: one walk over
// the visiting order keeps the path of the current folder in one buffer,
// cut back to the tree parent's length and extended by the folder's name,
// and copies it out for the folders asked for. For a folder the walk reaches
// the recorded parent is its tree parent, or unknown (the path then starts at
// the root, like the tree), so this is BuildFolderPath's text without a walk
// to the root per folder. Folders the walk never reaches (parent loops), and
// those whose whole path would pass kMaxPathLength (BuildFolderPath then keeps
// the innermost folders that fit), keep an empty entry and are left to
// BuildFolderPath.
IdMap<std::wstring> ReachedFolderPaths(const std::vector<Visit>& order, const ScanSlice& slice,
                                       const std::wstring& drive) {
  IdMap<std::wstring> paths;
  paths.reserve(slice.folder_files.size() + 1);
  for (const auto& [key, files] : slice.folder_files) paths.try_emplace(RootIfNotPositive(key));
  for (const MftEntry& entry : slice.largest.heap) paths.try_emplace(RootIfNotPositive(entry.parent_id));

  std::wstring buffer;
  std::vector<std::pair<const DirNode*, std::size_t>> chain;  // the current folder's ancestors, path lengths
  for (const Visit& visit : order) {
    if (visit.tree_parent == nullptr) {
      buffer = drive + L":\\";
      chain.clear();
    } else {
      while (chain.back().first != visit.tree_parent) chain.pop_back();  // pre-order: the parent is on the chain
      buffer.resize(chain.back().second);
      if (buffer.back() != L'\\') buffer.push_back(L'\\');
      buffer += visit.node->name;
    }
    chain.emplace_back(visit.node, buffer.size());
    const auto wanted = paths.find(visit.node->id);
    // BuildFolderPath keeps a whole path of fewer than kMaxPathLength units.
    if (wanted != paths.end() && buffer.size() < kMaxPathLength) wanted->second = buffer;
  }
  return paths;
}

// The path of folder id: the one computed for it, else BuildFolderPath's.
const std::wstring& FolderPath(IdMap<std::wstring>& paths, const ScanResult& result, std::int64_t id) {
  std::wstring& path = paths[id];
  if (path.empty()) path = BuildFolderPath(result, id, result.drive);
  return path;
}

// Every known folder's files, with the folder path computed once per folder
// and names moved out of the aggregate.
void BuildFileLists(ScanSlice& slice, ScanResult& result, IdMap<std::wstring>& paths) {
  result.files_by_folder.reserve(slice.folder_files.size());
  for (auto& [key, records] : slice.folder_files) {
    const std::int64_t id = RootIfNotPositive(key);
    if (!result.folders.contains(id)) continue;
    std::vector<FileEntry>& files = result.files_by_folder[id];
    files.reserve(files.size() + records.size());
    const std::wstring& path = FolderPath(paths, result, id);
    for (FileRecord& record : records) {
      FileEntry& entry = files.emplace_back();
      entry.extension.assign(ExtensionOf(record.name));
      entry.name = std::move(record.name);
      entry.folder_path = path;
      entry.size = record.size;
      entry.alloc = record.alloc;
      entry.id = record.id;
      entry.mtime = record.mtime;
      entry.attributes = record.attributes;
    }
  }
}

void SortRootChildren(ScanResult& result, DirNode& root) {
  std::vector<std::pair<std::int64_t, std::int64_t>> by_size;  // (total_size, id)
  by_size.reserve(root.children.size());
  for (const std::int64_t child : root.children) {
    by_size.emplace_back(result.folders.find(child)->second.total_size, child);
  }
  std::sort(by_size.begin(), by_size.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (std::size_t i = 0; i < by_size.size(); ++i) root.children[i] = by_size[i].second;
}

void FinishExtensions(const ScanSlice& slice, ScanResult& result) {
  result.extensions.reserve(slice.extension_totals.size());
  for (const auto& [extension, totals] : slice.extension_totals) {
    result.extensions.push_back(ExtStat{extension, totals.size, totals.count});
  }
  std::sort(result.extensions.begin(), result.extensions.end(),
            [](const ExtStat& a, const ExtStat& b) { return a.total_size > b.total_size; });
}

// The heap's entries ranked by logical size, largest first. Files of one folder
// share the folder path, so each path is built once and copied.
void FinishLargestFiles(ScanSlice& slice, ScanResult& result, IdMap<std::wstring>& paths) {
  std::vector<MftEntry> entries = std::move(slice.largest.heap);
  std::vector<std::pair<std::int64_t, std::size_t>> ranked;  // (key, index)
  ranked.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) ranked.emplace_back(entries[i].size, i);
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

  result.largest_files.reserve(ranked.size());
  for (const auto& [key, index] : ranked) {
    MftEntry& source = entries[index];
    const std::int64_t folder = RootIfNotPositive(source.parent_id);
    const std::wstring& path = FolderPath(paths, result, folder);
    FileEntry& entry = result.largest_files.emplace_back();
    entry.extension.assign(ExtensionOf(source.name));
    entry.name = std::move(source.name);
    entry.folder_path = path;
    entry.size = source.size;
    entry.alloc = source.alloc;
    entry.id = source.id;
    entry.mtime = source.mtime;
    entry.attributes = source.attributes;
  }
}

}  // namespace

ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive) {
  ScanResult result;
  result.drive = drive;
  result.file_count = slice.file_count;
  result.folder_count = slice.folder_count;
  result.root_id = kRootId;

  slice.folder_records.try_emplace(kRootId, FolderRecord{kRootId, L".", 0, 0});
  CreateNodes(slice, result);
  // References into the map stay valid: no folder is inserted from here on.
  DirNode& root = result.folders.find(kRootId)->second;
  LinkParents(result, root);
  AbsorbOrphanFiles(slice, result);
  const std::vector<Visit> order = VisitingOrder(result, root);
  Aggregate(order, slice);
  IdMap<std::wstring> paths = ReachedFolderPaths(order, slice, result.drive);
  BuildFileLists(slice, result, paths);
  SortRootChildren(result, root);
  result.root_total_size = root.total_size;
  FinishExtensions(slice, result);
  FinishLargestFiles(slice, result, paths);
  return result;
}

ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive) { return BuildScanResult(slice, drive); }

}  // namespace tw
