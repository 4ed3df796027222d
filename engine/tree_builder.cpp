#include "engine/tree_builder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <unordered_map>
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
// for each list the result's extension of each of its slots.
std::vector<std::vector<std::uint32_t>> RankExtensions(const ExtensionMerge& merged,
                                                       const std::vector<EntryList*>& lists, ScanResult& result) {
  std::vector<SlotTotal> totals(merged.texts.size());
  for (std::size_t l = 0; l < lists.size(); ++l) {
    const std::vector<std::uint32_t>& map = merged.slot_map[l];
    const std::vector<SlotTotal>& parts = lists[l]->slot_totals();
    for (std::size_t slot = 0; slot < parts.size(); ++slot) totals[map[slot]].Add(parts[slot]);
  }
  std::vector<std::uint32_t> ranked;
  for (std::uint32_t i = 0; i < totals.size(); ++i) {
    if (totals[i].files > 0) ranked.push_back(i);
  }
  std::sort(ranked.begin(), ranked.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (totals[a].Bytes() != totals[b].Bytes()) return totals[a].Bytes() > totals[b].Bytes();
    return merged.texts[a] < merged.texts[b];
  });
  std::vector<std::uint32_t> rank_of(totals.size(), 0);
  result.extensions.reserve(ranked.size());
  for (std::uint32_t rank = 0; rank < ranked.size(); ++rank) {
    const SlotTotal& total = totals[ranked[rank]];
    rank_of[ranked[rank]] = rank;
    ExtStat& stat = result.extensions.emplace_back();
    stat.extension = WideText(merged.texts[ranked[rank]]);
    stat.total_size = total.Bytes();
    stat.file_count =
        static_cast<std::int32_t>(std::min<std::int64_t>(total.files, std::numeric_limits<std::int32_t>::max()));
  }
  std::vector<std::vector<std::uint32_t>> extension_of(lists.size());
  for (std::size_t l = 0; l < lists.size(); ++l) {
    for (const std::uint32_t merged_index : merged.slot_map[l]) extension_of[l].push_back(rank_of[merged_index]);
  }
  return extension_of;
}

// A list's best files, best first, with the sizes the overflow sizes gave
// them; exact unless the list's own were not, or a file the overflow sizes
// made smaller may have let another of the list's files in.
struct ListBest {
  std::vector<LargestCandidate> best;
  bool exact = true;
};

ListBest BestOfList(EntryList& list, std::vector<LargestCandidate> resized, bool lowered) {
  ListBest out;
  out.exact = list.largest_exact() && !lowered;
  std::vector<LargestCandidate> best = list.TakeLargest();
  if (!resized.empty()) {
    const auto by_id = [](const LargestCandidate& a, const LargestCandidate& b) { return a.id < b.id; };
    std::sort(resized.begin(), resized.end(), by_id);
    std::erase_if(
        best, [&](const LargestCandidate& c) { return std::binary_search(resized.begin(), resized.end(), c, by_id); });
    best.insert(best.end(), resized.begin(), resized.end());
  }
  const auto ranks_before = [](const LargestCandidate& a, const LargestCandidate& b) { return RanksBefore(a, b); };
  if (best.size() > kLargestCandidates) {
    std::nth_element(best.begin(), best.begin() + kLargestCandidates, best.end(), ranks_before);
    best.resize(kLargestCandidates);
  }
  std::sort(best.begin(), best.end(), ranks_before);
  out.best = std::move(best);
  return out;
}

// The best of the lists' best, best first, cut at kLargestFilesKept; empty
// when a list's best are not exact (or there are no files).
std::vector<LargestCandidate> MergeBest(const std::vector<ListBest>& lists) {
  std::vector<LargestCandidate> best;
  if (!std::all_of(lists.begin(), lists.end(), [](const ListBest& l) { return l.exact; })) return best;
  std::vector<LargestCandidate> merged;
  for (const ListBest& list : lists) {
    merged.clear();
    merged.reserve(std::min(best.size() + list.best.size(), kLargestFilesKept));
    auto a = best.begin();
    auto b = list.best.begin();
    while (merged.size() < kLargestFilesKept && (a != best.end() || b != list.best.end())) {
      const bool take_b = a == best.end() || (b != list.best.end() && RanksBefore(*b, *a));
      merged.push_back(take_b ? *b++ : *a++);
    }
    best.swap(merged);
  }
  return best;
}

// Where each of the best files lies among the placed files, learnt as the
// files pass: a bit per record number says which may be among the best, a
// small table gives the rank of each. Any thread may offer the files it has
// placed.
class BestPlaces {
 public:
  explicit BestPlaces(const std::vector<LargestCandidate>& best)
      : best_(best), claimed_(std::make_unique<std::atomic<bool>[]>(best.size())), positions_(best.size(), 0) {
    std::uint32_t highest = 0;
    for (const LargestCandidate& c : best) highest = std::max(highest, c.id);
    if (!best.empty()) bits_.assign(std::size_t{highest} / 64 + 1, 0);
    std::size_t capacity = 16;
    while (capacity < 2 * best.size()) capacity *= 2;
    ranks_.assign(capacity, kEmpty);
    for (std::uint32_t rank = 0; rank < best.size(); ++rank) {
      const std::uint32_t id = best[rank].id;
      bits_[id / 64] |= std::uint64_t{1} << (id % 64);
      std::size_t at = IdHash{}(id) & (ranks_.size() - 1);
      while (ranks_[at] != kEmpty) at = (at + 1) & (ranks_.size() - 1);
      ranks_[at] = rank;
    }
  }

  // A file placed at `position`: taken when it is one of the best, with the
  // size it was ranked by; a second file of that record number spoils all.
  void Offer(const FileItem& file, std::uint32_t position) {
    if (file.id / 64 >= bits_.size() || ((bits_[file.id / 64] >> (file.id % 64)) & 1) == 0) return;
    for (std::size_t at = IdHash{}(file.id) & (ranks_.size() - 1); ranks_[at] != kEmpty;
         at = (at + 1) & (ranks_.size() - 1)) {
      const std::uint32_t rank = ranks_[at];
      if (best_[rank].id != file.id) continue;
      if (file.size != best_[rank].size || claimed_[rank].exchange(true)) {
        spoilt_ = true;
        return;
      }
      positions_[rank] = position;
      ++claims_;
      return;
    }
  }
  // True when every one of the best was placed once, as ranked.
  bool Complete() const { return !spoilt_ && claims_ == best_.size(); }
  std::vector<std::uint32_t> TakePositions() { return std::move(positions_); }

 private:
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  const std::vector<LargestCandidate>& best_;
  std::vector<std::uint64_t> bits_;
  std::vector<std::uint32_t> ranks_;  // open addressing by record number
  std::unique_ptr<std::atomic<bool>[]> claimed_;
  std::vector<std::uint32_t> positions_;
  std::atomic<std::size_t> claims_{0};
  std::atomic<bool> spoilt_{false};
};

// The kLargestFilesKept files of largest logical size, largest first (equal
// sizes by record number), as indices into the placed files: the merged best
// of the lists where each was found as ranked, else from all files.
void FinishLargestFiles(ScanResult& result, BestPlaces& places, bool exact) {
  std::vector<std::uint32_t>& largest = result.largest_files;
  if (exact && places.Complete()) {
    largest = places.TakePositions();
    return;
  }
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
  largest.shrink_to_fit();
}

// Every list in the groups of the first: a list grouped otherwise (one built
// by hand) is rebuilt in them.
void GroupAlike(const std::vector<EntryList*>& lists) {
  for (EntryList* list : lists) {
    if (list->groups() == lists.front()->groups()) continue;
    EntryList regrouped(lists.front()->groups());
    regrouped.Append(std::move(*list));
    *list = std::move(regrouped);
  }
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
  if (!lists.empty()) GroupAlike(lists);

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
  const ListChunks chunks(lists);
  const ParentGroups groups = lists.empty() ? ParentGroups{} : lists.front()->groups();
  const std::vector<std::uint32_t> group_bucket = GroupBucketStarts(result, groups);
  spent.merge = SecondsSince(mark);

  // The files counted by bucket, group by group, their overflow sizes applied.
  std::size_t files = 0;
  for (const EntryList* list : lists) files += list->file_count();
  if (files >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  const std::size_t buckets = result.folders.size() + 1;
  std::vector<std::uint32_t> bucket_start(buckets + 1, 0);
  std::vector<GroupCount> counts;
  CountFiles(chunks, result.folder_index, input.overflow, has_overflow.empty() ? nullptr : &has_overflow, bucket_start,
             counts, threads);
  std::vector<std::uint32_t> taken_start(groups.count, 0);
  for (std::uint32_t g = 0; g < groups.count; ++g) {
    taken_start[g] = bucket_start[kRootTakenBucket];
    bucket_start[kRootTakenBucket] += counts[g].taken;
  }
  std::uint32_t start = 0;
  for (std::uint32_t& bucket : bucket_start) start += std::exchange(bucket, start);
  for (std::uint32_t& taken : taken_start) taken += bucket_start[kRootTakenBucket];
  // What the overflow sizes changed, for the extensions and the largest files.
  std::vector<std::vector<LargestCandidate>> resized(lists.size());
  std::vector<bool> lowered(lists.size(), false);
  for (const GroupCount& count : counts) {
    for (const ResizedFile& file : count.resized) {
      EntryList& list = *lists[file.list];
      list.slot_totals()[file.slot].Remove(file.old_size);
      list.slot_totals()[file.slot].Add(file.now.size);
      resized[file.list].push_back(file.now);
      if (file.now.size < file.old_size) lowered[file.list] = true;
    }
  }
  std::vector<GroupCount>().swap(counts);
  const std::vector<std::vector<std::uint32_t>> extension_of = RankExtensions(extensions, lists, result);

  // The names to the result's arena, beside each list's best files.
  const std::wstring root_name = RootName(drive);
  result.names.reserve(names.units() + root_name.size());
  std::vector<ListBest> best(lists.size());
  GatherNames(lists, names, result.names, threads, lists.size(),
              [&](std::size_t l) { best[l] = BestOfList(*lists[l], std::move(resized[l]), lowered[l]); });
  result.names.resize(names.units());
  for (const wchar_t c : root_name) result.names.push_back(static_cast<char16_t>(c));
  spent.apply = SecondsSince(mark);
  if (input.placing) input.placing();

  // The files in their folders: each folder's files in record order (two
  // names of one record keep their order), its sums made, the best files
  // found on the way.
  const std::vector<LargestCandidate> merged_best = MergeBest(best);
  std::vector<ListBest>().swap(best);
  BestPlaces places(merged_best);
  struct Sums {
    std::int64_t size = 0;
    std::int64_t alloc = 0;
  };
  const auto by_record = [](const FileItem& x, const FileItem& y) {
    return x.id != y.id ? x.id < y.id : x.name_offset < y.name_offset;
  };
  // Puts a bucket's files in record order, sums them and offers them to the
  // best files' places; true when two of them share a record number.
  const auto finish_bucket = [&](std::uint32_t b, Sums& sums) {
    const auto first = result.files.begin() + bucket_start[b];
    const auto last = result.files.begin() + bucket_start[b + 1];
    if (!std::is_sorted(first, last, by_record)) std::sort(first, last, by_record);
    bool shared = false;
    for (auto f = first; f != last; ++f) {
      if (f != first && f->id == f[-1].id) shared = true;
      const std::int64_t size = std::max<std::int64_t>(f->size, 0);
      sums.size = SaturatingAdd(sums.size, size);
      sums.alloc = SaturatingAdd(sums.alloc, f->alloc >= 0 ? f->alloc : size);
      places.Offer(*f, static_cast<std::uint32_t>(f - result.files.begin()));
    }
    return shared;
  };
  Sums root_sums[2];
  std::atomic<bool> shared_numbers{false};  // two files of one folder with one record number
  result.files.reserve(files);
  PlacementContext context;
  context.folder_index = &result.folder_index;
  context.names = &names;
  context.extension_of = &extension_of;
  context.bucket_start = &bucket_start;
  context.group_bucket = &group_bucket;
  context.taken_start = &taken_start;
  PlaceFiles(chunks, context, threads, result.files, [&](std::uint32_t lo, std::uint32_t hi) {
    for (std::uint32_t b = lo; b < hi; ++b) {
      if (b == kRootTakenBucket) continue;  // whole once every group is placed
      Sums sums;
      if (finish_bucket(b, sums)) shared_numbers = true;
      if (b == kRootOwnBucket) {
        root_sums[0] = sums;
        continue;
      }
      DirNode& node = result.folders[b - 1];
      node.first_file = bucket_start[b];
      node.file_count = bucket_start[b + 1] - bucket_start[b];
      node.direct_size = sums.size;
      node.direct_alloc = sums.alloc;
      node.direct_file_count =
          static_cast<std::int32_t>(std::min<std::uint32_t>(node.file_count, std::numeric_limits<std::int32_t>::max()));
    }
  });
  for (EntryList* list : lists) list->Clear();
  if (finish_bucket(kRootTakenBucket, root_sums[1])) shared_numbers = true;
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
  FinishLargestFiles(result, places, !shared_numbers && !merged_best.empty());
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
