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
};

struct ConversionContext {
  const std::vector<std::uint32_t>* folder_index = nullptr;
  const IdMap<OverflowSizes>* overflow = nullptr;  // may be null
  const std::vector<bool>* has_overflow = nullptr;  // by record number; may be null
  const NameLayout* names = nullptr;
  const ExtensionMerge* extensions = nullptr;
  std::atomic<std::uint32_t>* bucket_counts = nullptr;
};

// Converts list `index`'s files in place into file items: overflow sizes
// applied, extension the merged index, name offset the arena's, flags
// dropped, and `parent` replaced by the bucket, each counted. Folders stay.
void ConvertList(EntryList& list, std::size_t index, const ConversionContext& context, ListConversion& out);

// Appends every list's files to `files` (reserved by the caller) in the order
// of the MFT windows they were parsed from (what no window marks comes last,
// list by list), releasing each list's item chunks once passed.
void GatherFiles(const std::vector<EntryList*>& lists, std::vector<FileItem>& files);

// Moves every file to its bucket's range, in place: bucket_start[b] is where
// bucket b starts (the last element the end); file.folder holds the bucket.
// A first pass over all files puts them in groups of consecutive buckets; then
// each group is distributed and handed to after_group(first bucket, end
// bucket) on one of `threads` threads.
void DistributeFiles(std::vector<FileItem>& files, const std::vector<std::uint32_t>& bucket_start,
                     std::int32_t threads, const std::function<void(std::uint32_t, std::uint32_t)>& after_group);

}  // namespace tw
