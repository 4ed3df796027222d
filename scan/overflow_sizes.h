#pragma once
// Names and sizes that live in extension records.
//
// When a file has more attributes than fit in one MFT record, NTFS moves some
// of them (its $FILE_NAME, its unnamed $DATA and with it the sizes) into
// extension records named by the base record's $ATTRIBUTE_LIST. The pass over
// the MFT meets base and extension records in any order, so it keeps what the
// extension records hold (ParseRecord in mft_record.h): the largest unnamed
// $DATA sums per base (ScanSlice::overflow_sizes) and a compact copy of each
// extension record. Once every record has been parsed, ResolvePendingRecords
// names the base records that had no name of their own, and
// ApplyOverflowSizes gives the entries their overflow sizes. The MFT is read once.

#include <cstdint>

#include "scan/byte_reader.h"
#include "scan/scan_slice.h"

namespace tw {

// Sizes read from an extension record above this (10 TiB) are ignored, so a
// damaged record cannot inflate the totals beyond that bound.
inline constexpr std::int64_t kSizeSanityLimit = 0xA0000000000;

// Sums the unnamed $DATA attributes of one in-use file record (fixed up). A
// non-resident attribute counts its data size, or its allocated length when
// the data size is not positive; as allocated it counts AttributeView::
// Allocation (for a sparse or compressed stream the clusters in use, even 0),
// or the size it counted when that is an allocated length not positive. A
// resident one counts its value length. True when either sum is positive;
// false for folders, records not in use and anything that is not a file record.
bool SumUnnamedData(ByteSpan record, std::int64_t& size, std::int64_t& alloc);

// A name found in extension records for a folder that has its dir_N entry.
struct FolderRename {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;
  std::wstring name;
};

// Finishes the base records of `pending`, in record order:
//   - each is parsed from its own attributes, then from those of the records
//     its attribute list names (in list order, where they are kept extension
//     records); with a name it becomes an entry, a folder without one gets its
//     dir_N entry, a file without one none;
//   - a record still without a name is parsed again from its own attributes
//     and then from every extension record that names it as base, in record
//     order: a file that gains a name gets its entry, a folder that gains one
//     has it (and its parent) replace dir_N (`renames`, in id order); time
//     and attribute bits stay the base record's.
// New entries are appended to `out`; pending and extension_records are
// emptied.
void ResolvePendingRecords(std::vector<PendingBase>& pending, std::vector<ExtensionRecord>& extension_records,
                           EntryList& out, std::vector<FolderRename>& renames);
// The same on one slice: new entries appended to its entries, renames
// applied to its folders (the first entry of an id takes its rename).
void ResolvePendingRecords(ScanSlice& aggregate);

// Gives an entry what its extension records hold:
//   - sizes raised to the overflow sizes (never lowered), or taken as they
//     are by a file whose own record holds no unnamed $DATA (its sizes came
//     from its $FILE_NAME);
//   - a WOF-compressed file (tagged in any of its records) takes its
//     WofCompressedData stream's allocated bytes when they were met.
// Folders are left alone.
void ApplyOverflow(const OverflowSizes& sizes, EntryItem& item);

// ApplyOverflow on every entry of the slice (the list told of each size
// changed), then empties overflow_sizes.
void ApplyOverflowSizes(ScanSlice& aggregate);

}  // namespace tw
