#include "engine/tree_builder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>
#include <iterator>
#include <utility>
#include <vector>

#include "base/arithmetic.h"
#include "base/drive_letter.h"
#include "base/parallel.h"
#include "engine/file_placement.h"

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point& mark) {
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - mark).count();
  mark = now;
  return seconds;
}

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

// Bottom-up totals from each folder's direct sums: walking the pre-order
// backwards, every folder is complete (its children have already added their
// totals to it) when it adds its own to its tree parent.
void SumTotals(ScanResult& result, const std::vector<std::uint32_t>& order) {
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

// Gives the folders that had dir_N the names found for them: the entry of
// the id that counts (its last) takes it. Before the names are laid out.
void ApplyRenames(const TreeInput& input) {
  if (input.renames == nullptr || input.renames->empty()) return;
  std::unordered_map<std::int64_t, const FolderRename*> wanted;
  for (const FolderRename& rename : *input.renames) {
    if (!rename.name.empty()) wanted.try_emplace(rename.id, &rename);
  }
  std::unordered_map<std::int64_t, EntryItem*> last;
  std::unordered_map<std::int64_t, EntryList*> owner;
  for (EntryList* list : input.lists) {
    for (const std::uint32_t i : list->folder_items()) {
      EntryItem& item = (*list)[i];
      if (wanted.count(item.id) == 0) continue;
      last[item.id] = &item;
      owner[item.id] = list;
    }
  }
  for (const auto& [id, item] : last) {
    const FolderRename& rename = *wanted[id];
    owner[id]->Rename(*item, rename.name, rename.parent_id);
  }
}

// The folders: one node per folder id (the last entry of an id counts), the
// root first, then the others in record order, with their names where the
// names will lie in the arena. Fills the record-number table and links the
// tree.
void BuildFolders(const TreeInput& input, const NameLayout& names, const std::wstring& drive, ScanResult& result) {
  struct Ref {
    std::uint32_t id;
    std::uint32_t list;
    std::uint32_t item;
  };
  std::vector<Ref> refs;
  std::int64_t highest = kRootId;
  for (std::size_t l = 0; l < input.lists.size(); ++l) {
    for (const std::uint32_t i : input.lists[l]->folder_items()) {
      const std::uint32_t id = (*input.lists[l])[i].id;
      refs.push_back({id, static_cast<std::uint32_t>(l), i});
      highest = std::max<std::int64_t>(highest, id);
    }
  }
  // One ref per id, its last; then in record order.
  std::stable_sort(refs.begin(), refs.end(), [](const Ref& a, const Ref& b) { return a.id < b.id; });
  std::vector<Ref> last;
  last.reserve(refs.size());
  for (std::size_t r = 0; r < refs.size(); ++r) {
    if (refs[r].id == 0 || (r + 1 < refs.size() && refs[r + 1].id == refs[r].id)) continue;
    last.push_back(refs[r]);
  }
  std::vector<Ref>().swap(refs);
  constexpr std::uint32_t kNone = ScanResult::kNoFolder;
  const auto root_ref = std::find_if(last.begin(), last.end(),
                                     [](const Ref& ref) { return ref.id == static_cast<std::uint32_t>(kRootId); });
  const std::size_t folders = last.size() + (root_ref == last.end() ? 1 : 0);
  if (folders >= kNone) throw std::bad_alloc();
  result.folders.reserve(folders);
  std::vector<std::uint32_t>& index = result.folder_index;
  index.assign(static_cast<std::size_t>(highest) + 1, kNone);

  const auto node_of = [&](const Ref& ref) {
    const EntryItem& item = (*input.lists[ref.list])[ref.item];
    DirNode node;
    node.id = item.id;
    node.parent_id = item.ParentId();
    node.mtime = item.mtime;
    node.attributes = item.attributes;
    node.name = NameRef{names.Place(ref.list, item.name_offset), item.NameLength()};
    return node;
  };
  DirNode root;
  if (root_ref != last.end()) root = node_of(*root_ref);
  root.id = kRootId;
  root.parent_id = kRootId;
  // The root's name follows every list's names in the arena.
  const std::wstring root_name = RootName(drive);
  root.name = NameRef{static_cast<std::uint32_t>(names.units()), static_cast<std::uint32_t>(root_name.size())};
  result.folders.push_back(root);
  index[kRootId] = 0;
  for (const Ref& ref : last) {
    if (ref.id == static_cast<std::uint32_t>(kRootId)) continue;
    result.folders.push_back(node_of(ref));
    index[ref.id] = static_cast<std::uint32_t>(result.folders.size() - 1);
  }
  result.folder_count = static_cast<std::int32_t>(
      std::min<std::size_t>(result.folders.size() - 1, std::numeric_limits<std::int32_t>::max()));
  LinkParents(result);
  ScanResultPacker(result).LinkChildren();
}

// The extension statistics, largest total first (equal totals by text), and
// the rank of each merged extension.
std::vector<std::uint32_t> RankExtensions(const ExtensionMerge& merged, const std::vector<ListConversion>& lists,
                                          ScanResult& result) {
  std::vector<ExtStat> totals(merged.texts.size());
  for (std::size_t l = 0; l < lists.size(); ++l) {
    const std::vector<std::uint32_t>& map = merged.slot_map[l];
    for (std::size_t slot = 0; slot < lists[l].extension_totals.size(); ++slot) {
      const ExtStat& part = lists[l].extension_totals[slot];
      ExtStat& sum = totals[map[slot]];
      sum.total_size = SaturatingAdd(sum.total_size, part.total_size);
      sum.file_count = SaturatingAdd(sum.file_count, part.file_count);
    }
  }
  std::vector<std::uint32_t> ranked;
  for (std::uint32_t i = 0; i < totals.size(); ++i) {
    if (totals[i].file_count > 0) ranked.push_back(i);
  }
  std::sort(ranked.begin(), ranked.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (totals[a].total_size != totals[b].total_size) return totals[a].total_size > totals[b].total_size;
    return merged.texts[a] < merged.texts[b];
  });
  std::vector<std::uint32_t> rank_of(totals.size(), 0);
  result.extensions.reserve(ranked.size());
  for (std::uint32_t rank = 0; rank < ranked.size(); ++rank) {
    rank_of[ranked[rank]] = rank;
    ExtStat& stat = result.extensions.emplace_back(totals[ranked[rank]]);
    stat.extension = WideText(merged.texts[ranked[rank]]);
  }
  return rank_of;
}

// The kLargestFilesKept files of largest logical size, largest first (equal
// sizes by record number), as indices into the placed files: the best of the
// lists' best, each found in its folder by its record number. When a list's
// best are not exact, or two files of a folder share a record number, from
// all files.
void FinishLargestFiles(ScanResult& result, const std::vector<ListConversion>& conversions,
                        const std::vector<std::uint32_t>& bucket_start, bool shared_numbers, std::int32_t threads) {
  std::vector<std::uint32_t>& largest = result.largest_files;
  bool exact = !shared_numbers && std::none_of(conversions.begin(), conversions.end(),
                                               [](const ListConversion& c) { return c.lowered; });
  if (exact) {
    // The best of each list, best first: merged, cut at the number kept.
    std::vector<LargestCandidate> best;
    std::vector<LargestCandidate> merged;
    for (const ListConversion& c : conversions) {
      merged.clear();
      merged.reserve(std::min(best.size() + c.largest.size(), kLargestFilesKept));
      auto a = best.begin();
      auto b = c.largest.begin();
      while (merged.size() < kLargestFilesKept && (a != best.end() || b != c.largest.end())) {
        const bool take_b = a == best.end() || (b != c.largest.end() && RanksBefore(*b, *a));
        merged.push_back(take_b ? *b++ : *a++);
      }
      best.swap(merged);
    }
    // Each folder's files are in record order: found by their numbers.
    largest.resize(best.size());
    std::atomic<bool> missing{false};
    constexpr std::size_t kShare = 8192;
    RunParallel((best.size() + kShare - 1) / kShare, threads, [&](std::size_t part) {
      for (std::size_t k = part * kShare; k < std::min(best.size(), (part + 1) * kShare); ++k) {
        const LargestCandidate& c = best[k];
        const std::uint32_t bucket = BucketOf(c.parent, result.folder_index);
        const auto first = result.files.begin() + bucket_start[bucket];
        const auto last = result.files.begin() + bucket_start[bucket + 1];
        const auto at =
            std::lower_bound(first, last, c.id, [](const FileItem& f, std::uint32_t id) { return f.id < id; });
        if (at == last || at->id != c.id) missing = true;
        largest[k] = static_cast<std::uint32_t>(at - result.files.begin());
      }
    });
    exact = !missing;
  }
  if (!exact) {
    const auto larger = [&result](std::uint32_t a, std::uint32_t b) {
      const FileItem& x = result.files[a];
      const FileItem& y = result.files[b];
      return x.size != y.size ? x.size > y.size : x.id < y.id;
    };
    largest.resize(result.files.size());
    for (std::size_t i = 0; i < largest.size(); ++i) largest[i] = static_cast<std::uint32_t>(i);
    if (largest.size() > kLargestFilesKept) {
      std::nth_element(largest.begin(), largest.begin() + kLargestFilesKept, largest.end(), larger);
      largest.resize(kLargestFilesKept);
    }
    std::sort(largest.begin(), largest.end(), larger);
  }
  largest.shrink_to_fit();
}

}  // namespace

ScanResult BuildScanResult(const TreeInput& input, const std::wstring& drive, TreeTimings* timings) {
  Clock::time_point mark = Clock::now();
  TreeTimings spent;
  ScanResult result;
  result.drive = drive;
  result.root_id = kRootId;
  const std::vector<EntryList*>& lists = input.lists;
  const std::int32_t threads = std::max<std::int32_t>(input.threads, 1);

  // Folders and extensions, from what the lists hold.
  ApplyRenames(input);
  const NameLayout names(lists);
  BuildFolders(input, names, drive, result);
  const ExtensionMerge extensions = MergeExtensions(lists);
  std::vector<bool> has_overflow;
  if (input.overflow != nullptr && !input.overflow->empty()) {
    has_overflow.assign(result.folder_index.size(), false);
    for (const auto& [id, sizes] : *input.overflow) {
      if (id <= 0 || id > kMaxScanRecords) continue;
      if (static_cast<std::size_t>(id) >= has_overflow.size()) has_overflow.resize(static_cast<std::size_t>(id) + 1);
      has_overflow[static_cast<std::size_t>(id)] = true;
    }
  }
  spent.merge = SecondsSince(mark);

  // Each list converted in place on its own thread, while the names move to
  // the result's arena on another.
  std::size_t files = 0;
  for (const EntryList* list : lists) files += list->file_count();
  if (files >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  const auto buckets = result.folders.size() + 1;
  const auto bucket_counts = std::make_unique<std::atomic<std::uint32_t>[]>(buckets);
  // Groups of some 4096 files when the files are spread evenly, at most 1024.
  const BucketGroups groups(buckets, std::clamp<std::size_t>(files / 4096, 1, 1024));
  std::vector<ListConversion> conversions(lists.size());
  ConversionContext context;
  context.folder_index = &result.folder_index;
  context.overflow = input.overflow;
  context.has_overflow = has_overflow.empty() ? nullptr : &has_overflow;
  context.names = &names;
  context.extensions = &extensions;
  context.bucket_counts = bucket_counts.get();
  context.groups = &groups;
  std::vector<std::size_t> tasks;  // list indices, the largest first; lists.size() gathers the names
  for (std::size_t l = 0; l <= lists.size(); ++l) tasks.push_back(l);
  std::stable_sort(tasks.begin(), tasks.end(), [&](std::size_t a, std::size_t b) {
    const auto weight = [&](std::size_t k) { return k < lists.size() ? lists[k]->size() : names.units() / 2; };
    return weight(a) > weight(b);
  });
  const std::wstring root_name = RootName(drive);
  result.names.reserve(names.units() + root_name.size());
  RunParallel(tasks.size(), threads, [&](std::size_t t) {
    const std::size_t k = tasks[t];
    if (k < lists.size()) {
      ConvertList(*lists[k], k, context, conversions[k]);
    } else {
      GatherNames(lists, result.names);
    }
  });
  for (const wchar_t c : root_name) result.names.push_back(static_cast<char16_t>(c));
  const std::vector<std::uint32_t> rank_of = RankExtensions(extensions, conversions, result);
  std::vector<std::uint32_t> bucket_start(buckets + 1, 0);
  for (std::size_t b = 0; b < buckets; ++b) bucket_start[b + 1] = bucket_start[b] + bucket_counts[b].load();
  spent.apply = SecondsSince(mark);
  if (input.placing) input.placing();

  // The files gathered, then put in their folders: each folder's files in
  // record order (two names of one record keep their order), its sums made.
  result.files.reserve(files);
  GatherFiles(lists, conversions, groups, result.files);
  for (EntryList* list : lists) list->Clear();
  ReleaseFreedMemory();
  struct Sums {
    std::int64_t size = 0;
    std::int64_t alloc = 0;
  };
  Sums root_sums[2];
  std::atomic<bool> shared_numbers{false};  // two files of one folder with one record number
  DistributeFiles(result.files, bucket_start, groups, threads, [&](std::uint32_t lo, std::uint32_t hi) {
    for (std::uint32_t b = lo; b < hi; ++b) {
      const auto first = result.files.begin() + bucket_start[b];
      const auto last = result.files.begin() + bucket_start[b + 1];
      const auto by_record = [](const FileItem& x, const FileItem& y) {
        return x.id != y.id ? x.id < y.id : x.name_offset < y.name_offset;
      };
      if (!std::is_sorted(first, last, by_record)) std::sort(first, last, by_record);
      if (std::adjacent_find(first, last, [](const FileItem& x, const FileItem& y) { return x.id == y.id; }) != last) {
        shared_numbers = true;
      }
      const std::uint32_t folder = b <= kRootTakenBucket ? 0 : b - 1;
      Sums sums;
      for (auto f = first; f != last; ++f) {
        f->folder = folder;
        f->extension = rank_of[f->extension];
        const std::int64_t size = std::max<std::int64_t>(f->size, 0);
        sums.size = SaturatingAdd(sums.size, size);
        sums.alloc = SaturatingAdd(sums.alloc, f->alloc >= 0 ? f->alloc : size);
      }
      if (b <= kRootTakenBucket) {
        root_sums[b] = sums;
        continue;
      }
      DirNode& node = result.folders[folder];
      node.first_file = bucket_start[b];
      node.file_count = bucket_start[b + 1] - bucket_start[b];
      node.direct_size = sums.size;
      node.direct_alloc = sums.alloc;
      node.direct_file_count = static_cast<std::int32_t>(
          std::min<std::uint32_t>(node.file_count, std::numeric_limits<std::int32_t>::max()));
    }
  });
  DirNode& root = result.folders[0];
  root.first_file = bucket_start[kRootOwnBucket];
  root.file_count = bucket_start[kRootTakenBucket + 1] - bucket_start[kRootOwnBucket];
  root.direct_size = SaturatingAdd(root_sums[0].size, root_sums[1].size);
  root.direct_alloc = SaturatingAdd(root_sums[0].alloc, root_sums[1].alloc);
  root.direct_file_count =
      static_cast<std::int32_t>(std::min<std::uint32_t>(root.file_count, std::numeric_limits<std::int32_t>::max()));
  result.file_count =
      static_cast<std::int32_t>(std::min<std::size_t>(result.files.size(), std::numeric_limits<std::int32_t>::max()));

  SumTotals(result, PreOrder(result));
  SortRootChildren(result, result.folders[0]);
  result.root_total_size = result.folders[0].total_size;
  FinishLargestFiles(result, conversions, bucket_start, shared_numbers, threads);
  spent.tree = SecondsSince(mark);
  if (timings != nullptr) *timings = spent;
  return result;
}

ScanResult BuildScanResult(ScanSlice& slice, const std::wstring& drive) {
  TreeInput input;
  input.lists = {&slice.entries};
  input.overflow = &slice.overflow_sizes;
  ScanResult result = BuildScanResult(input, drive);
  slice.entries.Clear();
  return result;
}

ScanResult BuildScanResult(ScanSlice&& slice, const std::wstring& drive) { return BuildScanResult(slice, drive); }

}  // namespace tw
