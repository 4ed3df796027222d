#pragma once
// What record parsing produces: the parsed entries, and what extension
// records hold for the base records that name them.
//
// Each thread of the parallel pass fills one ScanSlice from the windows it
// parses. The driver merges what the slices kept for the overflow stage,
// which names the records that had no name of their own; tree building then
// takes the slices' entries over, raising sizes from the overflow sizes as
// it converts them. Plain data with value semantics: no
// locks, no back-pointers.

#include <cstdint>
#include <vector>

#include "base/ids.h"
#include "scan/entry_list.h"
#include "scan/mft_entry.h"

namespace tw {

// What a base record's extension records hold for it: the largest sums of
// their unnamed $DATA (both 0 when none had any), and the halves of a
// WOF-compressed file that may lie apart (its base record passes its own
// when it has an attribute list).
struct OverflowSizes {
  std::int64_t size = 0;
  std::int64_t alloc = 0;
  bool wof_tagged = false;      // a record of the file carries the WOF reparse tag
  std::int64_t wof_alloc = -1;  // its WofCompressedData stream's allocated bytes; -1 when not met
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

struct ScanSlice {
  EntryList entries;                    // parsed, in the order met
  IdMap<OverflowSizes> overflow_sizes;  // base id -> largest $DATA sizes of its extension records
  // Only between the pass over the MFT and the naming of the records that
  // had no name of their own.
  std::vector<ExtensionRecord> extension_records;
  std::vector<PendingBase> pending;
};

// Folds another slice into this one: its entries after these, overflow sizes
// as maxima, the kept records appended. `other` is left empty.
void Merge(ScanSlice& aggregate, ScanSlice&& other);
// The same without the entries: other's entries stay where they are.
void MergeKeptRecords(ScanSlice& aggregate, ScanSlice& other);

}  // namespace tw
