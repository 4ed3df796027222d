#include "engine/tree_builder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "base/arithmetic.h"
#include "base/drive_letter.h"

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

// The kLargestFilesKept files of largest logical size, largest first (equal
// sizes by record number), as indices into the files.
void FinishLargestFiles(ScanResult& result) {
  std::vector<std::uint32_t>& largest = result.largest_files;
  largest.resize(result.files.size());
  for (std::size_t i = 0; i < largest.size(); ++i) largest[i] = static_cast<std::uint32_t>(i);
  const auto larger = [&result](std::uint32_t a, std::uint32_t b) {
    const FileItem& x = result.files[a];
    const FileItem& y = result.files[b];
    return x.size != y.size ? x.size > y.size : x.id < y.id;
  };
  if (largest.size() > kLargestFilesKept) {
    std::nth_element(largest.begin(), largest.begin() + kLargestFilesKept, largest.end(), larger);
    largest.resize(kLargestFilesKept);
    largest.shrink_to_fit();
  }
  std::sort(largest.begin(), largest.end(), larger);
}

}  // namespace

ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive) {
  ScanResult result;
  result.drive = drive;
  result.root_id = kRootId;
  EntryList& entries = slice.entries;

  // The entry of each folder id (a later one of the same id wins).
  std::int64_t highest = kRootId;
  for (const EntryItem& entry : entries.items) {
    if (entry.is_directory && entry.id > 0) highest = std::max(highest, entry.id);
  }
  constexpr std::uint32_t kNone = ScanResult::kNoFolder;
  std::vector<std::uint32_t> entry_of(static_cast<std::size_t>(highest) + 1, kNone);
  std::size_t file_entries = 0;
  for (std::size_t i = 0; i < entries.items.size(); ++i) {
    const EntryItem& entry = entries.items[i];
    if (!entry.is_directory) {
      ++file_entries;
      continue;
    }
    if (entry.id <= 0) continue;
    entry_of[static_cast<std::size_t>(entry.id)] = static_cast<std::uint32_t>(i);
  }
  std::size_t folders = 0;
  for (const std::uint32_t entry : entry_of) folders += entry != kNone ? 1 : 0;

  // The names stay where parsing put them; the root's joins them.
  result.names = std::move(entries.names);
  ScanResultPacker packer(result);
  packer.Reserve(folders + 1, 0, 0);
  DirNode root;
  root.id = kRootId;
  root.parent_id = kRootId;
  if (entry_of[kRootId] != kNone) {
    const EntryItem& entry = entries.items[entry_of[kRootId]];
    root.mtime = entry.mtime;
    root.attributes = entry.attributes;
  }
  packer.AddFolder(root, RootName(drive));
  // The folders in record order, after the root.
  for (std::size_t id = 0; id < entry_of.size(); ++id) {
    if (id == static_cast<std::size_t>(kRootId) || entry_of[id] == kNone) continue;
    const EntryItem& entry = entries.items[entry_of[id]];
    DirNode node;
    node.id = entry.id;
    node.parent_id = entry.parent_id;
    node.mtime = entry.mtime;
    node.attributes = entry.attributes;
    node.name = NameRef{entry.name_offset, entry.name_length};
    packer.AddFolder(node);
  }
  std::vector<std::uint32_t>().swap(entry_of);
  result.folder_count = static_cast<std::int32_t>(
      std::min<std::size_t>(result.folders.size() - 1, std::numeric_limits<std::int32_t>::max()));
  packer.IndexFolders();
  LinkParents(result);

  // Every file under its recorded parent, or under the root when that is 0,
  // negative or no known folder: counted, then placed in entry order with
  // the root's own files first.
  constexpr std::uint32_t kRootIndex = 0;
  const auto folder_of = [&result](const EntryItem& entry) {
    const DirNode* folder = result.FindFolder(RootIfNotPositive(entry.parent_id));
    return folder == nullptr ? kRootIndex : static_cast<std::uint32_t>(IndexOf(result, folder));
  };
  std::vector<std::uint32_t> next(result.folders.size(), 0);
  for (const EntryItem& entry : entries.items) {
    if (!entry.is_directory) ++next[folder_of(entry)];
  }
  std::uint32_t start = 0;
  for (std::uint32_t& slot : next) start += std::exchange(slot, start);
  result.files.resize(file_entries);
  const auto place = [&](const EntryItem& entry) {
    const std::uint32_t folder = folder_of(entry);
    FileItem& file = result.files[next[folder]++];
    file.size = entry.size;
    file.alloc = entry.alloc;
    file.mtime = entry.mtime;
    file.id = static_cast<std::uint32_t>(entry.id);
    file.folder = folder;
    file.attributes = entry.attributes;
    file.name_offset = entry.name_offset;
    file.name_length = entry.name_length;
  };
  for (const EntryItem& entry : entries.items) {
    if (!entry.is_directory && entry.parent_id == kRootId) place(entry);
  }
  const std::uint32_t root_own_end = next[kRootIndex];
  for (const EntryItem& entry : entries.items) {
    if (!entry.is_directory && entry.parent_id != kRootId) place(entry);
  }
  // Entries come in the order the parse threads happened to take the MFT's
  // windows: each folder's files go in record order (the root's own files
  // still before the ones it takes in), so that every scan of a volume lists
  // them alike. Two names of one record keep their order.
  const auto in_record_order = [&result](std::uint32_t begin, std::uint32_t end) {
    const auto first = result.files.begin() + begin, last = result.files.begin() + end;
    const auto by_record = [](const FileItem& a, const FileItem& b) {
      return a.id != b.id ? a.id < b.id : a.name_offset < b.name_offset;
    };
    if (end - begin > 1 && !std::is_sorted(first, last, by_record)) std::sort(first, last, by_record);
  };
  in_record_order(0, root_own_end);
  in_record_order(root_own_end, next[kRootIndex]);
  for (std::size_t folder = 1; folder < next.size(); ++folder) in_record_order(next[folder - 1], next[folder]);
  std::vector<std::uint32_t>().swap(next);
  std::vector<EntryItem>().swap(entries.items);
  packer.Finish();
  result.file_count =
      static_cast<std::int32_t>(std::min<std::size_t>(result.files.size(), std::numeric_limits<std::int32_t>::max()));

  const std::vector<std::uint32_t> order = PreOrder(result);
  Aggregate(result, order);
  SortRootChildren(result, result.folders[kRootIndex]);
  result.root_total_size = result.folders[kRootIndex].total_size;
  FinishLargestFiles(result);
  // Renamed folders and the root's name may have grown the arena past its size.
  if (result.names.capacity() - result.names.size() > result.names.size() / 16) result.names.shrink_to_fit();
  return result;
}

ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive) { return BuildScanResult(slice, drive); }

}  // namespace tw
