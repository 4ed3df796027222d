#pragma once
// The steps of tree building that touch every file: the parsed entries
// converted in place into file items, gathered into the result's array and
// put in their folders. Used by tree_builder.cpp only.
//
// Files are put in buckets: bucket 0 holds the root's own files (recorded
// parent 5), bucket 1 the files the root takes in (a parent that is not
// positive or no known folder), bucket b >= 2 the files of folder b - 1. The
// buckets in order are the result's file order: folder by folder, the root's
// two groups first.
//
// Files find their places in two steps, so that no step but a sequential
// copy runs on one thread and no step moves items at random over the whole
// array: each list first puts its own files in place by groups of
// consecutive buckets (about a thousand groups), on its own thread; the
// files are then copied group by group, list after list, into the result's
// array, each list's chunks released once passed; then each group puts its
// files in their buckets, on any thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Where each list's names land in the result's arena: its chunks one after
// the other, list after list.
class NameLayout {
 public:
  explicit NameLayout(const std::vector<EntryList*>& lists);
  std::size_t units() const { return units_; }
  // The arena offset of a name at a list's offset.
  std::uint32_t Place(std::size_t list, std::uint32_t offset) const {
    return chunk_base_[list][offset >> kNameChunkBits] + (offset & ((std::uint32_t{1} << kNameChunkBits) - 1));
  }

 private:
  std::vector<std::vector<std::uint32_t>> chunk_base_;
  std::size_t units_ = 0;
};

// Copies every list's names into the arena, list by list, releasing each
// list's chunks once copied. The arena must be reserved by the caller.
void GatherNames(const std::vector<EntryList*>& lists, std::u16string& arena);

// The extensions of all lists: each text once, in the order met list by list.
struct ExtensionMerge {
  std::vector<std::u16string> texts;
  std::vector<std::vector<std::uint32_t>> slot_map;  // [list][slot] -> index into texts
};
ExtensionMerge MergeExtensions(const std::vector<EntryList*>& lists);

// What converting one list leaves behind.
struct ListConversion {
  std::vector<ExtStat> extension_totals;  // by the list's own slot (total_size, file_count)
  // The list's best kLargestCandidates files, best first, with the sizes the
  // overflow sizes gave them; exact unless `lowered`: a file the overflow
  // sizes made smaller may have let another of the list's files in.
  std::vector<LargestCandidate> largest;
  bool lowered = false;
  // Where each group's items start in the list once it is put in groups
  // (GroupList), the folders last, then the end.
  std::vector<std::uint32_t> group_start;
};

// The groups of consecutive buckets: group g holds buckets [First(g),
// First(g + 1)). Folders, which the files leave behind, count as group
// `count`.
struct BucketGroups {
  BucketGroups(std::size_t buckets, std::size_t most);
  std::uint32_t count = 1;
  std::uint32_t buckets = 1;
  std::uint32_t Of(std::uint32_t bucket) const {
    return static_cast<std::uint32_t>(std::uint64_t{bucket} * count / buckets);
  }
  std::uint32_t First(std::uint32_t group) const {
    return static_cast<std::uint32_t>((std::uint64_t{group} * buckets + count - 1) / count);
  }
};

struct ConversionContext {
  const std::vector<std::uint32_t>* folder_index = nullptr;
  const IdMap<OverflowSizes>* overflow = nullptr;  // may be null
  const std::vector<bool>* has_overflow = nullptr;  // by record number; may be null
  const NameLayout* names = nullptr;
  const ExtensionMerge* extensions = nullptr;
  std::atomic<std::uint32_t>* bucket_counts = nullptr;
  const BucketGroups* groups = nullptr;
};

// Converts list `index`'s files in place into file items: overflow sizes
// applied, extension the merged index, name offset the arena's, flags
// dropped, and `parent` replaced by the bucket, each counted. Folders stay.
// Then puts the list's items in place by groups.
void ConvertList(EntryList& list, std::size_t index, const ConversionContext& context, ListConversion& out);

// Appends every list's files to `files` (reserved by the caller), group by
// group and in each group list by list, releasing each list's item chunks
// once passed.
void GatherFiles(const std::vector<EntryList*>& lists, const std::vector<ListConversion>& conversions,
                 const BucketGroups& groups, std::vector<FileItem>& files);

// Moves each group's files to their buckets' ranges, in place
// (bucket_start[b] is where bucket b starts, file.folder holds the bucket),
// and hands the group to after_group(first bucket, end bucket), on one of
// `threads` threads.
void DistributeFiles(std::vector<FileItem>& files, const std::vector<std::uint32_t>& bucket_start,
                     const BucketGroups& groups, std::int32_t threads,
                     const std::function<void(std::uint32_t, std::uint32_t)>& after_group);

}  // namespace tw
