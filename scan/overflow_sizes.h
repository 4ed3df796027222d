#pragma once
// Sizes that overflow into extension records.
//
// When a file has more attributes than fit in one MFT record, NTFS may move
// its unnamed $DATA attribute (and with it the sizes) into extension records
// named by the base record's $ATTRIBUTE_LIST. Record parsing takes sizes from
// the base record, so such a file would show the sizes of its $FILE_NAME or
// none at all. After the slice pass one sequential sweep over the MFT image
// collects, per base record, the largest unnamed-$DATA sizes its extension
// records hold (ScanSlice::overflow_sizes); ApplyOverflowSizes then raises the
// parsed entries to them and folds every entry into the aggregate.

#include <cstdint>
#include <vector>

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

// The record numbers that the resident $ATTRIBUTE_LIST of record `id` names for
// the first extent (starting VCN 0) of its unnamed $DATA, each once, in
// first-seen order; 0 and `id` itself are left out.
std::vector<std::int64_t> CollectListedDataRecords(ByteSpan record, std::int64_t id);

// One sweep over the MFT image: fills aggregate.overflow_sizes with, per base
// record, the field-wise largest unnamed-$DATA sizes found in its extension
// records (either found through the extension record's base number or through
// the base record's attribute list). The image is never written.
//
// The same sweep finds the names of the files in aggregate.nameless_files (a
// file whose $ATTRIBUTE_LIST is non-resident, so that the slice pass could not
// follow it to its $FILE_NAME): each is parsed from its own attributes plus
// those of the in-use extension records that name it as base, and the entries
// that gains are appended to aggregate.entries, ready for ApplyOverflowSizes.
// nameless_files is emptied. Likewise each folder of aggregate.nameless_folders
// (its entry named dir_N for want of a name) is parsed with the extension
// records that name it as base, and when they hold a $FILE_NAME its entry in
// aggregate.entries takes that name and parent instead; nameless_folders is
// emptied. Records whose base is not in those lists cost two lookups at most,
// and only when a list is not empty.
void CollectOverflowSizes(ByteSpan image, std::int32_t record_size, ScanSlice& aggregate);

// Raises each entry's sizes to its overflow sizes (never lowers them), folds
// every entry into the aggregate with AddEntry, then empties entries and
// overflow_sizes.
void ApplyOverflowSizes(ScanSlice& aggregate);

}  // namespace tw
