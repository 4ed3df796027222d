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
// below that folder as recorded. Needs the record-number table. Returns
// each folder's tree parent as an index (the root's is kNoFolder).
std::vector<std::uint32_t> LinkParents(ScanResult& result, std::int32_t threads) {
  const std::size_t count = result.folders.size();
  std::vector<std::uint32_t> tree_parent(count, ScanResult::kNoFolder);
  // The parents are looked up on every thread, a range of folders each.
  constexpr std::size_t kRange = 16384;
  RunParallel((count + kRange - 1) / kRange, threads, [&](std::size_t k) {
    for (std::size_t i = k * kRange; i < std::min(count, (k + 1) * kRange); ++i) {
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
  });

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
      tree_parent[*lowest] = static_cast<std::uint32_t>(IndexOf(result, result.FindFolder(kRootId)));
    }
    for (const std::uint32_t settled : walk) state[settled] = kSettled;
  }
  return tree_parent;
}

// Bottom-up totals from each folder's direct sums: a folder adds its totals
// to its tree parent's once every child of it has added its own. The sums
// are never negative and saturate, so the order they meet in does not
// change them.
void SumTotals(ScanResult& result, const std::vector<std::uint32_t>& tree_parent) {
  const std::size_t count = result.folders.size();
  const std::size_t root = IndexOf(result, result.FindFolder(kRootId));
  std::vector<std::uint32_t> waiting(count);
  std::vector<std::uint32_t> ready;
  for (std::size_t i = 0; i < count; ++i) {
    waiting[i] = result.folders[i].child_count;
    if (waiting[i] == 0) ready.push_back(static_cast<std::uint32_t>(i));
  }
  while (!ready.empty()) {
    const std::uint32_t at = ready.back();
    ready.pop_back();
    DirNode& node = result.folders[at];
    node.total_size = SaturatingAdd(node.total_size, node.direct_size);
    node.total_alloc = SaturatingAdd(node.total_alloc, node.direct_alloc);
    node.total_file_count = SaturatingAdd(node.total_file_count, node.direct_file_count);
    if (at == root) continue;
    const std::uint32_t up = tree_parent[at];
    DirNode& parent = result.folders[up];
    parent.total_size = SaturatingAdd(parent.total_size, node.total_size);
    parent.total_alloc = SaturatingAdd(parent.total_alloc, node.total_alloc);
    parent.total_file_count = SaturatingAdd(parent.total_file_count, node.total_file_count);
    parent.total_folder_count = SaturatingAdd(parent.total_folder_count, SaturatingAdd(node.total_folder_count, 1));
    if (--waiting[up] == 0) ready.push_back(up);
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
// tree; returns each folder's tree parent (LinkParents).
std::vector<std::uint32_t> BuildFolders(const TreeInput& input, const NameLayout& names, ScanResult& result) {
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
  constexpr std::uint32_t kNone = ScanResult::kNoFolder;
  if (refs.size() >= kNone) throw std::bad_alloc();
  // One ref per id, its last: each entry writes its ref over the one before
  // in the record-number table, which the sweep below turns into places.
  std::vector<std::uint32_t>& index = result.folder_index;
  index.assign(static_cast<std::size_t>(highest) + 1, kNone);
  std::size_t distinct = 0;
  for (std::uint32_t r = 0; r < refs.size(); ++r) {
    if (refs[r].id == 0) continue;
    std::uint32_t& at = index[refs[r].id];
    if (at == kNone) ++distinct;
    at = r;
  }
  const bool root_entry = index[kRootId] != kNone;
  result.folders.reserve(distinct + (root_entry ? 0 : 1));

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
  if (root_entry) root = node_of(refs[index[kRootId]]);
  root.id = kRootId;
  root.parent_id = kRootId;
  root.name = NameRef{};  // its name follows every list's names in the arena, once they are there
  result.folders.push_back(root);
  // The root first, then the others in record order.
  for (std::size_t id = 0; id < index.size(); ++id) {
    const std::uint32_t r = index[id];
    if (r == kNone || id == static_cast<std::size_t>(kRootId)) continue;
    result.folders.push_back(node_of(refs[r]));
    index[id] = static_cast<std::uint32_t>(result.folders.size() - 1);
  }
  index[kRootId] = 0;  // also when the volume lacks it
  result.folder_count = static_cast<std::int32_t>(
      std::min<std::size_t>(result.folders.size() - 1, std::numeric_limits<std::int32_t>::max()));
  std::vector<std::uint32_t> tree_parent = LinkParents(result, input.threads);
  ScanResultPacker(result).LinkChildren(tree_parent);
  return tree_parent;
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
  SortByRank(best);
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

// Where each of the best files lies among the placed files: looked for by
// record number among its folder's files (the bucket its parent gives, as
// placing found it) once they are in record order. A best file not there
// with the size it was ranked by, or two of them with one record number,
// spoils all.
class BestPlaces {
 public:
  BestPlaces(const std::vector<LargestCandidate>& best, const std::vector<std::uint32_t>& folder_index,
             std::size_t buckets)
      : positions_(best.size(), 0), start_(buckets + 1, 0) {
    std::uint32_t highest = 0;
    for (const LargestCandidate& c : best) highest = std::max(highest, c.id);
    std::vector<std::uint64_t> seen(best.empty() ? 0 : std::size_t{highest} / 64 + 1, 0);
    // The ranks by bucket, a counting sort.
    std::vector<std::uint32_t> bucket(best.size());
    for (std::size_t rank = 0; rank < best.size(); ++rank) {
      const std::uint32_t id = best[rank].id;
      const std::uint64_t bit = std::uint64_t{1} << (id % 64);
      if ((seen[id / 64] & bit) != 0) spoilt_ = true;
      seen[id / 64] |= bit;
      bucket[rank] = BucketOf(best[rank].parent, folder_index);
      ++start_[bucket[rank] + 1];
    }
    for (std::size_t b = 0; b < buckets; ++b) start_[b + 1] += start_[b];
    std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
    sought_.resize(best.size());
    for (std::uint32_t rank = 0; rank < best.size(); ++rank) {
      sought_[next[bucket[rank]]++] = Sought{best[rank].size, best[rank].id, rank};
    }
  }

  // Finds the best files of bucket b, whose files are in record order.
  void Find(std::uint32_t b, const std::vector<FileItem>& files, const std::vector<std::uint32_t>& bucket_start) {
    const auto first = files.begin() + bucket_start[b];
    const auto last = files.begin() + bucket_start[b + 1];
    for (std::uint32_t k = start_[b]; k < start_[b + 1]; ++k) {
      const Sought& best = sought_[k];
      const auto at =
          std::lower_bound(first, last, best.id, [](const FileItem& file, std::uint32_t id) { return file.id < id; });
      if (at == last || at->id != best.id || at->size != best.size) {
        spoilt_ = true;
        return;
      }
      positions_[best.rank] = static_cast<std::uint32_t>(at - files.begin());
    }
  }
  // True when every one of the best was found once, as ranked.
  bool Complete() const { return !spoilt_; }
  std::vector<std::uint32_t> TakePositions() { return std::move(positions_); }

 private:
  // A best file as looked for, in bucket order: what a bucket's search reads
  // lies together.
  struct Sought {
    std::int64_t size;
    std::uint32_t id;
    std::uint32_t rank;
  };
  std::vector<std::uint32_t> positions_;
  std::vector<std::uint32_t> start_;  // by bucket: where its files start in sought_
  std::vector<Sought> sought_;
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
  const std::vector<std::uint32_t> tree_parent = BuildFolders(input, names, result);
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
  std::vector<ListBest> best(lists.size());
  AdoptNames(lists, result.names, threads, lists.size(),
             [&](std::size_t l) { best[l] = BestOfList(*lists[l], std::move(resized[l]), lowered[l]); });
  const std::wstring root_name = RootName(drive);
  result.folders[0].name = NameRef{result.names.Append(root_name), static_cast<std::uint32_t>(root_name.size())};
  spent.apply = SecondsSince(mark);
  if (input.placing) input.placing();

  // The files in their folders: each folder's files in record order (two
  // names of one record keep their order), its sums made, the best files
  // found on the way.
  const std::vector<LargestCandidate> merged_best = MergeBest(best);
  std::vector<ListBest>().swap(best);
  BestPlaces places(merged_best, result.folder_index, buckets);
  const auto by_record = [](const FileItem& x, const FileItem& y) {
    return x.id != y.id ? x.id < y.id : x.name_offset < y.name_offset;
  };
  // Puts a bucket's files in record order; true when two of them share a
  // record number.
  const auto order_bucket = [&](std::uint32_t b) {
    const auto first = result.files.begin() + bucket_start[b];
    const auto last = result.files.begin() + bucket_start[b + 1];
    std::sort(first, last, by_record);
    return std::adjacent_find(first, last, [](const FileItem& x, const FileItem& y) { return x.id == y.id; }) != last;
  };
  std::vector<BucketSums> sums(buckets);
  std::atomic<bool> shared_numbers{false};  // two files of one folder with one record number
  result.files.reserve(files);
  PlacementContext context;
  context.folder_index = &result.folder_index;
  context.names = &names;
  context.extension_of = &extension_of;
  context.bucket_start = &bucket_start;
  context.group_bucket = &group_bucket;
  context.taken_start = &taken_start;
  context.sums = &sums;
  context.spare = input.spare;
  PlaceFiles(chunks, context, threads, result.files, [&](std::uint32_t lo, std::uint32_t hi) {
    for (std::uint32_t b = lo; b < hi; ++b) {
      if (b == kRootTakenBucket) continue;  // whole once every group is placed
      const BucketSums& sum = sums[b];
      if (sum.ordered ? sum.shared : order_bucket(b)) shared_numbers = true;
      places.Find(b, result.files, bucket_start);
      if (b == kRootOwnBucket) continue;
      DirNode& node = result.folders[b - 1];
      node.first_file = bucket_start[b];
      node.file_count = bucket_start[b + 1] - bucket_start[b];
      node.direct_size = sum.size;
      node.direct_alloc = sum.alloc;
      node.direct_file_count =
          static_cast<std::int32_t>(std::min<std::uint32_t>(node.file_count, std::numeric_limits<std::int32_t>::max()));
    }
  });
  for (EntryList* list : lists) list->Clear();
  // The files the root takes in: record order, and their sums.
  BucketSums& taken = sums[kRootTakenBucket];
  if (order_bucket(kRootTakenBucket)) shared_numbers = true;
  for (std::uint32_t f = bucket_start[kRootTakenBucket]; f < bucket_start[kRootTakenBucket + 1]; ++f) {
    taken.Take(result.files[f]);
  }
  places.Find(kRootTakenBucket, result.files, bucket_start);
  DirNode& root = result.folders[0];
  root.first_file = bucket_start[kRootOwnBucket];
  root.file_count = bucket_start[kRootTakenBucket + 1] - bucket_start[kRootOwnBucket];
  root.direct_size = SaturatingAdd(sums[kRootOwnBucket].size, taken.size);
  root.direct_alloc = SaturatingAdd(sums[kRootOwnBucket].alloc, taken.alloc);
  root.direct_file_count =
      static_cast<std::int32_t>(std::min<std::uint32_t>(root.file_count, std::numeric_limits<std::int32_t>::max()));
  result.file_count =
      static_cast<std::int32_t>(std::min<std::size_t>(result.files.size(), std::numeric_limits<std::int32_t>::max()));

  SumTotals(result, tree_parent);
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
