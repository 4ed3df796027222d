#pragma once
// The steps of tree building that touch every file: the parsed entries
// counted, converted into file items and put in their folders in the
// result's array, and the names handed to the result's arena. Used by
// tree_builder.cpp only.
//
// Files are put in buckets: bucket 0 holds the root's own files (recorded
// parent 5), bucket 1 the files the root takes in (a parent that is not
// positive or no known folder), bucket b >= 2 the files of folder b - 1. The
// buckets in order are the result's file order: folder by folder, the root's
// two groups first.
//
// The lists hold their files in groups by parent record number
// (ParentGroups), and the folders are numbered in record order, so each
// group's files go to one range of buckets, apart from those the root takes
// in. Every step runs group by group on every thread: the files of a group
// are counted by bucket, then copied straight to their places, and the
// group's chunks are let go at once. The groups are taken in order and the
// result's array grows behind them, so the parsed entries and the placed
// files are never both held whole.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/arithmetic.h"
#include "base/memory_hints.h"
#include "base/name_arena.h"
#include "model/scan_result.h"
#include "scan/entry_list.h"
#include "scan/scan_slice.h"

namespace tw {

inline constexpr std::uint32_t kRootOwnBucket = 0;
inline constexpr std::uint32_t kRootTakenBucket = 1;

// The bucket of a file from its parent record number, through the result's
// record-number table.
inline std::uint32_t BucketOf(std::uint32_t parent, const std::vector<std::uint32_t>& folder_index) {
  if (parent == static_cast<std::uint32_t>(kRootId)) return kRootOwnBucket;
  if (parent >= folder_index.size()) return kRootTakenBucket;
  const std::uint32_t folder = folder_index[parent];
  return folder == ScanResult::kNoFolder || folder == 0 ? kRootTakenBucket : folder + 1;
}

// Where each list's names land in the result's arena: its chunks taken over
// one after the other, list after list, so that a name's offset moves by
// its list's first chunk.
class NameLayout {
 public:
  explicit NameLayout(const std::vector<EntryList*>& lists);
  std::size_t chunks() const { return chunks_; }
  // The arena offset of a name at a list's offset.
  std::uint32_t Place(std::size_t list, std::uint32_t offset) const { return first_[list] + offset; }

 private:
  std::vector<std::uint32_t> first_;  // by list: the offset of its first chunk in the arena
  std::size_t chunks_ = 0;
};

// The extensions of all lists: each text once, in the order met list by list.
struct ExtensionMerge {
  std::vector<std::u16string> texts;
  std::vector<std::vector<std::uint32_t>> slot_map;  // [list][slot] -> index into texts
};
ExtensionMerge MergeExtensions(const std::vector<EntryList*>& lists);

// The buckets of each group of parent record numbers: group g's files go to
// buckets [first[g], first[g + 1]), or to the root-taken bucket. Folders
// must be in record order after the root.
std::vector<std::uint32_t> GroupBucketStarts(const ScanResult& result, const ParentGroups& groups);

// A file whose overflow sizes changed its sizes, with its new size.
struct ResizedFile {
  std::uint32_t list = 0;
  std::uint32_t slot = 0;  // its extension slot in the list
  std::int64_t old_size = 0;
  LargestCandidate now;  // its new size, id and parent
};

// What the count of one group found.
struct GroupCount {
  std::uint32_t taken = 0;  // its files the root takes in
  std::vector<ResizedFile> resized;
};

// What the steps share: the lists and, for each, its chunks by group.
struct ListChunks {
  explicit ListChunks(const std::vector<EntryList*>& lists);
  const std::vector<EntryList*>& lists;
  std::uint32_t groups = 1;
  std::vector<std::vector<std::vector<std::uint32_t>>> of_group;  // [list][group] -> chunks
};

// Counts each group's files by bucket into bucket_counts (the root-taken
// bucket's per group, in counts[g].taken) on `threads` threads, applying
// the overflow sizes in place first (has_overflow by record number; both may
// be null) and noting the files they resized.
void CountFiles(const ListChunks& chunks, const std::vector<std::uint32_t>& folder_index,
                const IdMap<OverflowSizes>* overflow, const std::vector<bool>* has_overflow,
                std::vector<std::uint32_t>& bucket_counts, std::vector<GroupCount>& counts, std::int32_t threads);

// Hands every list's chunks of names over to the arena (empty before) in
// NameLayout's order. A chunk with more than a little room left (a list's
// last) is copied into a block of its size first, on `threads` threads
// beside extra(k) for k in [0, extra_count).
void AdoptNames(const std::vector<EntryList*>& lists, NameArena& arena, std::int32_t threads, std::size_t extra_count,
                const std::function<void(std::size_t)>& extra);

// What placing found of one bucket's files (the root-taken bucket's are not
// kept: its files arrive group by group, not in record order).
struct BucketSums {
  std::int64_t size = 0;   // logical bytes, a negative size counting as 0
  std::int64_t alloc = 0;  // allocated bytes, a negative figure counting as the size
  std::uint32_t files = 0;
  std::uint32_t last_id = 0;  // the record number and name of the file placed last
  std::uint32_t last_name = 0;
  bool ordered = true;  // every file came after the one before it in record order
  bool shared = false;  // two files of one record number came one after the other

  void Take(const FileItem& file) {
    const std::int64_t bytes = file.size > 0 ? file.size : 0;
    size = SaturatingAdd(size, bytes);
    alloc = SaturatingAdd(alloc, file.alloc >= 0 ? file.alloc : bytes);
    if (files != 0) {
      if (file.id == last_id) shared = true;
      if (file.id < last_id || (file.id == last_id && file.name_offset < last_name)) ordered = false;
    }
    ++files;
    last_id = file.id;
    last_name = file.name_offset;
  }
};

// How a list's files become file items.
struct PlacementContext {
  const std::vector<std::uint32_t>* folder_index = nullptr;
  const NameLayout* names = nullptr;
  const std::vector<std::vector<std::uint32_t>>* extension_of = nullptr;  // [list][slot] -> the result's extension
  const std::vector<std::uint32_t>* bucket_start = nullptr;  // where each bucket starts in the files, and the end
  const std::vector<std::uint32_t>* group_bucket = nullptr;  // GroupBucketStarts
  const std::vector<std::uint32_t>* taken_start = nullptr;   // by group: where its root-taken files start
  std::vector<BucketSums>* sums = nullptr;                   // by bucket, filled as the files are placed
  std::vector<SpareBlock>* spare = nullptr;                  // blocks whose pages the first files take, then freed
};

// Puts every file in its bucket's range of `files` (reserved by the caller
// for all of them), group by group on `threads` threads: converted (the
// result's extension, name offset and folder index; flags dropped), the
// lists' files of the group merged by record number, so that each bucket
// fills in record order when each list holds its files in record order (as
// the parse threads' lists do). Each bucket's sums are made as its files
// are placed (the sums start empty). Each group's chunks are released once
// its files are placed, and its buckets handed to after_group(first bucket,
// end bucket) (the root-taken bucket excepted: it is whole only when every
// group is done).
void PlaceFiles(const ListChunks& chunks, const PlacementContext& context, std::int32_t threads,
                std::vector<FileItem>& files, const std::function<void(std::uint32_t, std::uint32_t)>& after_group);

}  // namespace tw
