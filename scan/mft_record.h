#pragma once
// Parsing of one MFT file record into an MftEntry: update-sequence fix-ups,
// the attribute walk, the choice of name among hard links and namespaces, and
// the size rules. Pure computation over byte spans; every read stays inside
// the span it is given.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/byte_reader.h"
#include "scan/mft_entry.h"
#include "scan/ntfs_layout.h"

namespace tw {

struct ScanSlice;

// The most UTF-16 units a $FILE_NAME's name holds (its length is one byte).
inline constexpr std::size_t kMaxNameUnits = 255;

// What the attribute walk of one record (and of the records its attribute list
// names) has gathered so far.
struct RecordParseState {
  // The chosen name, held here rather than on the heap: a record's parse
  // allocates nothing.
  char16_t name_units[kMaxNameUnits];
  std::size_t name_length = 0;
  std::u16string_view Name() const { return {name_units, name_length}; }
  bool HasName() const { return name_length != 0; }
  std::wstring NameText() const { return std::wstring(name_units, name_units + name_length); }
  // Sets an ASCII name of at most kMaxNameUnits characters.
  void SetName(std::string_view ascii) {
    name_length = std::min(ascii.size(), kMaxNameUnits);
    for (std::size_t i = 0; i < name_length; ++i) name_units[i] = static_cast<char16_t>(ascii[i]);
  }
  std::int64_t parent_id = 0;
  std::int64_t name_size = 0;
  std::int64_t name_alloc = 0;
  std::int64_t data_size = 0;
  std::int64_t data_alloc = 0;
  bool data_alloc_in_use = false;  // data_alloc is a sparse or compressed stream's clusters in use
  bool has_data = false;
  bool is_directory = false;
  std::int32_t name_rank = -1;
  std::int64_t dot_parent_id = 0;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
  std::uint32_t reparse_tag = 0;  // from a resident $REPARSE_POINT; 0 without one
  // The named $DATA "WofCompressedData" (its first extent): the compressed
  // bytes of a file the Windows Overlay Filter compressed.
  bool has_wof_stream = false;
  std::int64_t wof_alloc = 0;
  bool has_attribute_list = false;
};

// Whether a parsed file found no unnamed $DATA, so that its sizes are those
// of its $FILE_NAME (often out of date).
inline bool SizesFromFileName(const RecordParseState& state) { return !state.has_data; }

// Whether the record carries the reparse tag of a WOF-compressed file.
inline bool IsWofTagged(const RecordParseState& state) { return state.reparse_tag == kReparseTagWof; }
// Whether a file takes its allocated size from its WofCompressedData stream:
// it is WOF-tagged and the stream was found.
inline bool TakesWofAllocation(const RecordParseState& state) { return IsWofTagged(state) && state.has_wof_stream; }

// What the parse of a file record leaves for the overflow stage (EntryFlags
// of entry_list.h).
std::uint32_t EntryFlagsOf(const RecordParseState& state);

// A writable record copy (fix-ups are applied to copies only, never to the image).
struct MutableSpan {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
  ByteSpan View() const { return ByteSpan(data, size); }
};

// Applies the update-sequence fix-ups to a record copy in place (512-byte
// stride). False when the header cannot carry an update sequence array; a
// sector whose end word does not match is left unchanged.
bool ApplyFixups(MutableSpan record);
// Walks one record's attributes (the walk of scan/attribute_walk.h) into state:
// $STANDARD_INFORMATION time and attribute bits, the best-ranked $FILE_NAME
// (Win32 > Win32&DOS > POSIX > DOS > other, first wins on a tie; "." and ".."
// only count for the root), the unnamed $DATA sizes (of a non-resident
// stream only from its first extent, starting at VCN 0; its allocated bytes
// are AttributeView::Allocation's), the tag of a resident $REPARSE_POINT and
// the allocated bytes of a WofCompressedData stream (the same way; a resident
// one its value length). Other named streams do not count. id is the base
// record.
void ParseRecordAttributes(ByteSpan record, std::int64_t id, bool is_dir_record, RecordParseState& state);
// Fills the entry (its name from state's) when it returns true. A file's allocated
// bytes, when missing or not positive, are its name's, else its size; not so
// the clusters in use of a sparse or compressed stream, which may be 0. A
// WOF-compressed file (TakesWofAllocation) has its stream's allocated bytes;
// its size stays the unnamed stream's.
// Record 0 (the MFT) never yields a folder: a record 0 that claims to be one
// gives no entry.
bool FinishEntry(std::int64_t id, bool is_dir_record, RecordParseState& state, MftEntry& entry);
// FinishEntry without the entry's name: the name is state.Name().
bool FinishEntryFields(std::int64_t id, bool is_dir_record, RecordParseState& state, MftEntry& entry);
// The header checks every parse of a base record starts with: a "FILE" record
// in use, without flag bit 2, whose base number is 0 or id, and whose first
// attribute offset lies inside the span.
bool IsParsableBaseRecord(ByteSpan record, std::int64_t id);
// An in-use base record (not excluded, no foreign base number) from its own attributes.
bool ParseBaseRecord(ByteSpan record, std::int64_t id, MftEntry& entry);
// Records named by the resident $ATTRIBUTE_LIST entries that start at VCN 0,
// without 0 and id, each once, in first-seen order.
std::vector<std::int64_t> CollectListedRecords(ByteSpan record, std::int64_t id);

// The bytes of a non-resident attribute header that a compact record keeps:
// everything before the run list of the longest (compressed) header.
inline constexpr std::size_t kNonResidentHeaderKept = kNonResidentTotalAllocatedHeader;

// A compact copy of a record: its header and its $STANDARD_INFORMATION,
// $FILE_NAME, unnamed $DATA and WofCompressedData attributes (a non-resident
// one without its run list) and a resident $REPARSE_POINT, ended by the end
// marker. What ParseRecordAttributes and
// SumUnnamedData read from it is what they read from the record.
std::vector<std::uint8_t> CompactRecord(ByteSpan record);

// One fixed-up record n into the slice:
//   - an in-use base record with a name of its own (or the root) becomes an
//     entry;
//   - an in-use base record without one (file or folder) is kept in
//     slice.pending with the records its resident attribute list names;
//   - an in-use extension record (its header names another base, or it has
//     flag bit 2 set and names a base) raises the base's overflow sizes to its
//     unnamed $DATA sums, passes on a WOF tag or WofCompressedData stream, and
//     is kept in slice.extension_records;
//   - a base record with an attribute list passes its own WOF tag and stream
//     to its overflow sizes too, since the other half may sit in an extension
//     record;
//   - anything else is skipped.
// ResolvePendingRecords (overflow_sizes.h) finishes the pending records once
// every record has been parsed.
void ParseRecord(ByteSpan record, std::int64_t n, ScanSlice& slice);

// Parses a window of whole records read from the MFT, the first being record
// `first`: fix-ups are applied in place (the window is the caller's own
// copy), then each record goes through ParseRecord.
void ParseWindow(MutableSpan window, std::int64_t first, std::int32_t record_size, ScanSlice& slice);
// The same over a window that is not the caller's to change (mapped from the
// volume): each record is copied out before its fix-ups are applied.
void ParseWindow(ByteSpan window, std::int64_t first, std::int32_t record_size, ScanSlice& slice);

// ParseWindow over records [first, end) of an in-memory MFT image, each
// record copied out first (the image is never written).
void ParseRange(ByteSpan image, std::int32_t record_size, std::int64_t first, std::int64_t end, ScanSlice& slice);

}  // namespace tw
