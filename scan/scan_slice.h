#pragma once
// The scan aggregate: what record parsing produced, folded into per-folder,
// per-extension and volume-wide totals.
//
// Each slice of the parallel pass fills one ScanSlice with the MftEntry values
// of its record range (entries only). The driver merges the slice aggregates
// into one, the overflow stage folds every entry in with AddEntry, and tree
// building consumes the merged aggregate. Plain data with value semantics: no
// locks, no back-pointers.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ids.h"
#include "scan/mft_entry.h"

namespace tw {

struct FolderRecord {
  std::int64_t parent_id = 0;
  std::wstring name;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
};

// Sums of sizes and a file count: a folder's direct files, or one extension's files.
struct FileTotals {
  std::int64_t size = 0;
  std::int64_t alloc = 0;
  std::int32_t count = 0;
};
using FolderFileTotals = FileTotals;
using ExtensionTotals = FileTotals;

struct FileRecord {
  std::wstring name;
  std::int64_t size = 0;
  std::int64_t alloc = 0;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
  std::int64_t id = 0;
};

struct OverflowSizes {
  std::int64_t size = 0;
  std::int64_t alloc = 0;
};

// An in-use extension record (its header names another record as base) as a
// compact record: its header and only the attributes a base record's parse
// reads from it ($STANDARD_INFORMATION, $FILE_NAME, the unnamed $DATA with the
// run list left out). Kept from the pass over the MFT until the base records
// that had no name of their own have looked in it, so the MFT is never read
// twice.
struct ExtensionRecord {
  std::int64_t id = 0;    // its own record number
  std::int64_t base = 0;  // the base record its header names
  std::vector<std::uint8_t> bytes;
};

// A base record that gave no name from its own attributes: its compact record
// and the records its resident attribute list names (at VCN 0, without 0 and
// itself, in first-seen order), where the name is looked for once the whole
// MFT has been passed.
struct PendingBase {
  std::int64_t id = 0;
  std::vector<std::uint8_t> bytes;
  std::vector<std::int64_t> listed;
};

// Keeps the `capacity` files with the largest logical size seen so far, as a
// min-heap: the smallest kept size sits at index 0, the children of index i
// are 2i + 1 and 2i + 2. A file whose size equals the smallest kept size does
// not displace it (the file met first stays).
struct LargestFilesHeap {
  static constexpr std::int32_t kDefaultCapacity = 100000;

  std::int32_t capacity = kDefaultCapacity;
  std::vector<MftEntry> heap;

  // Offers one entry; it is copied (or moved) in only when it is kept.
  void Add(const MftEntry& entry);
  void Add(MftEntry&& entry);

 private:
  template <typename Entry>
  void Offer(Entry&& entry);
};

// Hash of extension texts that also accepts a wstring_view, so that looking an
// extension up needs no string of its own (find with a view).
struct WideTextHash {
  using is_transparent = void;
  std::size_t operator()(std::wstring_view text) const noexcept { return std::hash<std::wstring_view>{}(text); }
};

template <typename T>
using WideTextMap = std::unordered_map<std::wstring, T, WideTextHash, std::equal_to<>>;

struct ScanSlice {
  IdMap<FolderRecord> folder_records;             // folder id -> its record
  IdMap<FolderFileTotals> folder_file_totals;     // parent id (or 5) -> direct file sums
  IdMap<std::vector<FileRecord>> folder_files;    // parent id as recorded -> files
  WideTextMap<ExtensionTotals> extension_totals;  // extension text -> sums; "" = none
  IdMap<OverflowSizes> overflow_sizes;            // base id -> largest $DATA sizes of its extension records
  std::vector<MftEntry> entries;                  // parsed, not yet folded in
  // Only between the pass over the MFT and the naming of the records that
  // had no name of their own.
  std::vector<ExtensionRecord> extension_records;
  std::vector<PendingBase> pending;
  std::int64_t file_size_sum = 0;
  std::int64_t file_alloc_sum = 0;
  std::int32_t file_count = 0;
  std::int32_t folder_count = 0;  // record 5 not counted
  LargestFilesHeap largest;
};

// Folds one parsed entry into the aggregate. The rvalue form moves the name
// into the folder's record or file list (the heap copies only what it keeps).
void AddEntry(ScanSlice& aggregate, const MftEntry& entry);
void AddEntry(ScanSlice& aggregate, MftEntry&& entry);
// AddEntry for every entry of the list, in list order, with the same result;
// the maps are reserved up front and a run of files of one folder finds that
// folder's totals and list without a new lookup. The list is left empty.
void AddEntries(ScanSlice& aggregate, std::vector<MftEntry>&& entries);

// Folds another aggregate into this one (sums, maxima, appended lists; the
// other's heap entries are offered in storage order). Lists and strings of
// `other` are moved, so it is left valid but unspecified.
void Merge(ScanSlice& aggregate, ScanSlice&& other);

}  // namespace tw
