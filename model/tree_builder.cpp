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
// before its descendants. Folders on a loop away from the root never appear
// (until CutParentLoops has hung them in).
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

// The folders the walk from the root missed hang, through their tree parents,
// on a loop of recorded parents that never reaches the root (corrupt metadata:
// two folders naming each other as parent, or one naming itself). Every one
// of them has a known tree parent, so following tree parents from any of them
// comes back round. Each loop is cut at its lowest-numbered folder, which
// moves from its place in the loop to the root's children; the rest of the
// loop, and whatever hangs from it, stays below that folder as recorded.
void CutParentLoops(ScanResult& result, DirNode& root, const std::vector<Visit>& order) {
  enum : std::uint8_t { kOnThisWalk, kSettled };
  IdMap<std::uint8_t> state;
  state.reserve(result.folders.size());
  for (const Visit& visit : order) state.emplace(visit.node->id, kSettled);
  std::vector<DirNode*> walk;
  for (auto& [id, start] : result.folders) {
    if (state.contains(id)) continue;
    // Up the tree parents until a folder settled before or one met on this walk.
    walk.clear();
    DirNode* node = &start;
    auto met = state.try_emplace(id, kOnThisWalk);
    while (met.second) {
      walk.push_back(node);
      node = &result.folders.find(node->tree_parent_id)->second;
      met = state.try_emplace(node->id, kOnThisWalk);
    }
    if (met.first->second == kOnThisWalk) {
      // Back at a folder of this walk: the loop is the walk from there on.
      const auto loop = std::find(walk.begin(), walk.end(), node);
      DirNode& lowest =
          **std::min_element(loop, walk.end(), [](const DirNode* a, const DirNode* b) { return a->id < b->id; });
      std::vector<std::int64_t>& siblings = result.folders.find(lowest.tree_parent_id)->second.children;
      siblings.erase(std::find(siblings.begin(), siblings.end(), lowest.id));
      lowest.tree_parent_id = kRootId;
      root.children.push_back(lowest.id);
    }
    for (DirNode* settled : walk) state[settled->id] = kSettled;
  }
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

// Every known folder's files, names moved out of the aggregate. Each file
// records the folder it is listed under; its path is built when shown.
void BuildFileLists(ScanSlice& slice, ScanResult& result) {
  result.files_by_folder.reserve(slice.folder_files.size());
  for (auto& [key, records] : slice.folder_files) {
    const std::int64_t id = RootIfNotPositive(key);
    if (!result.folders.contains(id)) continue;
    std::vector<FileEntry>& files = result.files_by_folder[id];
    files.reserve(files.size() + records.size());
    for (FileRecord& record : records) {
      FileEntry& entry = files.emplace_back();
      entry.extension.assign(ExtensionOf(record.name));
      entry.name = std::move(record.name);
      entry.folder_id = id;
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

// The heap's entries ranked by logical size, largest first, each with the
// folder its file is listed under: the recorded parent, or the root when that
// is 0, negative or no known folder (as AbsorbOrphanFiles places the files).
void FinishLargestFiles(ScanSlice& slice, ScanResult& result) {
  std::vector<MftEntry> entries = std::move(slice.largest.heap);
  std::vector<std::pair<std::int64_t, std::size_t>> ranked;  // (key, index)
  ranked.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) ranked.emplace_back(entries[i].size, i);
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

  result.largest_files.reserve(ranked.size());
  for (const auto& [key, index] : ranked) {
    MftEntry& source = entries[index];
    const std::int64_t parent = RootIfNotPositive(source.parent_id);
    FileEntry& entry = result.largest_files.emplace_back();
    entry.extension.assign(ExtensionOf(source.name));
    entry.name = std::move(source.name);
    entry.folder_id = result.folders.contains(parent) ? parent : kRootId;
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
  std::vector<Visit> order = VisitingOrder(result, root);
  if (order.size() < result.folders.size()) {
    CutParentLoops(result, root, order);
    order = VisitingOrder(result, root);
  }
  Aggregate(order, slice);
  BuildFileLists(slice, result);
  SortRootChildren(result, root);
  result.root_total_size = root.total_size;
  FinishExtensions(slice, result);
  FinishLargestFiles(slice, result);
  return result;
}

ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive) { return BuildScanResult(slice, drive); }

}  // namespace tw
