#include "scan/mft_record.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "scan/attribute_walk.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

namespace tw {
namespace {

constexpr std::int32_t NamespaceRank(std::uint8_t name_space) {
  switch (name_space) {
    case kNamespaceWin32:
      return 40;
    case kNamespaceWin32AndDos:
      return 30;
    case kNamespacePosix:
      return 20;
    case kNamespaceDos:
      return 10;
    default:
      return 0;
  }
}

std::uint8_t RecordFlags(ByteSpan record) { return ReadU8(record, kRecordFlagsField); }

bool HasFileSignature(ByteSpan record) { return ReadU32(record, kRecordSignatureOffset) == kFileSignature; }

void ReadFileName(ByteSpan record, const AttributeView& attr, std::int64_t id, bool is_dir_record,
                  RecordParseState& state) {
  if (attr.length < kFnNameField) return;
  const std::size_t v = attr.ValueOffset(record);
  if (!Fits(record, v, kFnNameField)) return;
  const std::size_t n = ReadU8(record, v + kFnNameLengthField);
  if (n == 0 || !Fits(record, v + kFnNameField, 2 * n)) return;

  const std::size_t name_at = v + kFnNameField;
  const std::int64_t parent = ReadRecordNumber(record, v + kFnParentField);
  const bool is_dot = n == 1 && ReadU16(record, name_at) == u'.';
  const bool is_dot_dot = n == 2 && ReadU16(record, name_at) == u'.' && ReadU16(record, name_at + 2) == u'.';
  if (is_dot && is_dir_record) state.dot_parent_id = parent;
  if ((is_dot || is_dot_dot) && id != kRootId) return;

  const std::int32_t rank = NamespaceRank(ReadU8(record, v + kFnNamespaceField));
  if (rank <= state.name_rank) return;  // on equal rank the first name met stays
  state.name_rank = rank;
  state.parent_id = parent;
  state.is_directory = (ReadU32(record, v + kFnFlagsField) & kFnDirectoryFlag) != 0;
  state.name_alloc = ReadI64(record, v + kFnAllocatedField);
  state.name_size = ReadI64(record, v + kFnRealSizeField);
  state.name_length = n;
  for (std::size_t i = 0; i < n; ++i) state.name_units[i] = static_cast<char16_t>(ReadU16(record, name_at + 2 * i));
}

// True when the attribute's name is exactly `name`.
bool AttributeNamed(ByteSpan record, const AttributeView& attr, std::u16string_view name) {
  if (attr.NameLength(record) != name.size()) return false;
  const std::size_t at = attr.offset + ReadU16(record, attr.offset + kAttrNameOffsetField);
  if (at + 2 * name.size() > attr.offset + attr.length || !Fits(record, at, 2 * name.size())) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (ReadU16(record, at + 2 * i) != name[i]) return false;
  }
  return true;
}

// The allocated bytes of the WofCompressedData stream: of a non-resident one
// from its first extent, of a resident one its value length.
void ReadWofStream(ByteSpan record, const AttributeView& attr, RecordParseState& state) {
  if (attr.NonResident(record)) {
    if (attr.length < kNonResidentHeaderMinimum) return;
    if (ReadI64(record, attr.offset + kAttrLowestVcnField) != 0) return;
    state.wof_alloc = std::max<std::int64_t>(attr.Allocation(record).bytes, 0);
  } else {
    state.wof_alloc = attr.ValueLength(record);
  }
  state.has_wof_stream = true;
}

void ReadReparseTag(ByteSpan record, const AttributeView& attr, RecordParseState& state) {
  if (attr.NonResident(record)) return;
  const std::size_t v = attr.ValueOffset(record);
  if (attr.ValueLength(record) < kReparseMinimum || !Fits(record, v, kReparseMinimum)) return;
  state.reparse_tag = ReadU32(record, v + kReparseTagField);
}

void ReadUnnamedData(ByteSpan record, const AttributeView& attr, RecordParseState& state) {
  if (attr.NonResident(record)) {
    if (attr.length < kNonResidentHeaderMinimum) return;
    // Only the extent that starts the stream carries its sizes; a later one
    // (from an extension record) must not overwrite them with its zeros.
    if (ReadI64(record, attr.offset + kAttrLowestVcnField) != 0) return;
    const NonResidentAllocation allocation = attr.Allocation(record);
    state.data_size = std::max<std::int64_t>(ReadI64(record, attr.offset + kAttrDataSizeField), 0);
    state.data_alloc = allocation.in_use || allocation.bytes > 0 ? allocation.bytes : state.data_size;
    state.data_alloc_in_use = allocation.in_use;
  } else {
    state.data_size = state.data_alloc = attr.ValueLength(record);
    state.data_alloc_in_use = false;
  }
  state.has_data = true;
}

// Only a record's WOF tag and WofCompressedData stream, for an extension
// record, whose sizes and names are read elsewhere.
void ReadWofParts(ByteSpan record, RecordParseState& state) {
  WalkAttributes(record, [&](const AttributeView& attr) {
    if (attr.type == kAttrReparsePoint) {
      ReadReparseTag(record, attr, state);
    } else if (attr.type == kAttrData && attr.NameLength(record) != 0 && AttributeNamed(record, attr, kWofStreamName)) {
      ReadWofStream(record, attr, state);
    }
  });
}

// Hands a record's WOF tag and WofCompressedData stream to the overflow
// sizes of its base record.
void PassOnWof(const RecordParseState& state, std::int64_t base, ScanSlice& slice) {
  if (!IsWofTagged(state) && !state.has_wof_stream) return;
  OverflowSizes& sizes = slice.overflow_sizes[base];
  sizes.wof_tagged = sizes.wof_tagged || IsWofTagged(state);
  if (state.has_wof_stream) sizes.wof_alloc = std::max(sizes.wof_alloc, state.wof_alloc);
}

}  // namespace

std::uint32_t EntryFlagsOf(const RecordParseState& state) {
  std::uint32_t flags = 0;
  if (SizesFromFileName(state)) flags |= kSizesFromName;
  if (IsWofTagged(state)) flags |= kWofTagged;
  if (TakesWofAllocation(state)) flags |= kWofAllocated;
  return flags;
}

bool ApplyFixups(MutableSpan record) {
  const ByteSpan view = record.View();
  if (view.size < kFixupHeaderMinimum) return false;
  const std::size_t offset = ReadU16(view, kUpdateSequenceOffsetField);
  const std::size_t count = ReadU16(view, kUpdateSequenceCountField);
  if (count < 2 || !Fits(view, offset, 2 * count)) return false;
  const std::uint16_t sequence = ReadU16(view, offset);
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if ((i + 1) * kFixupStride > view.size) break;
    const std::size_t sector_end = i * kFixupStride + kFixupStride - 2;
    // A sector whose last word differs is left alone (a torn write is parsed as is).
    if (ReadU16(view, sector_end) == sequence) WriteU16(record.data + sector_end, ReadU16(view, offset + 2 + 2 * i));
  }
  return true;
}

void ParseRecordAttributes(ByteSpan record, std::int64_t id, bool is_dir_record, RecordParseState& state) {
  WalkAttributes(record, [&](const AttributeView& attr) {
    switch (attr.type) {
      case kAttrStandardInformation: {
        if (attr.NonResident(record)) return;
        const std::size_t v = attr.ValueOffset(record);
        if (!Fits(record, v, kSiMinimum)) return;
        state.mtime = ReadI64(record, v + kSiTimeField);
        state.attributes = ReadU32(record, v + kSiAttributesField);
        return;
      }
      case kAttrFileName:
        if (!attr.NonResident(record)) ReadFileName(record, attr, id, is_dir_record, state);
        return;
      case kAttrData:
        if (attr.NameLength(record) == 0) {
          ReadUnnamedData(record, attr, state);
        } else if (AttributeNamed(record, attr, kWofStreamName)) {
          ReadWofStream(record, attr, state);
        }
        return;
      case kAttrReparsePoint:
        ReadReparseTag(record, attr, state);
        return;
      case kAttrAttributeList:
        state.has_attribute_list = true;
        return;
      default:
        return;
    }
  });
}

bool FinishEntryFields(std::int64_t id, bool is_dir_record, RecordParseState& state, MftEntry& entry) {
  if (state.HasName()) {
    if (is_dir_record) state.is_directory = true;
  } else {
    if (!is_dir_record) return false;
    if (id == kRootId) {
      state.SetName(".");
    } else {
      state.SetName("dir_" + std::to_string(id));
      if (state.dot_parent_id > 0) {
        state.parent_id = state.dot_parent_id;
      } else if (state.parent_id == 0) {
        state.parent_id = kRootId;
      }
    }
    state.is_directory = true;
  }

  // Record 0 is the MFT itself. Claiming to be a folder it would alias the
  // root, which every id <= 0 stands for in the result: it is left out.
  if (state.is_directory && id <= 0) return false;

  std::int64_t size = 0;
  std::int64_t alloc = 0;
  // The clusters in use of a sparse or compressed stream stand even when 0.
  const bool alloc_in_use = !state.is_directory && state.has_data && state.data_alloc_in_use;
  if (!state.is_directory) {
    if (state.has_data) {
      size = state.data_size;
      alloc = state.data_alloc;
      if (size <= 0 && state.name_size > 0) size = state.name_size;
    } else {
      size = state.name_size > 0 ? state.name_size : 0;
      alloc = 0;
    }
    if (alloc <= 0 && !alloc_in_use && state.name_alloc > 0) alloc = state.name_alloc;
  }
  size = std::max<std::int64_t>(size, 0);
  if (alloc <= 0 && !alloc_in_use) alloc = size;
  // The compressed bytes of a WOF-compressed file are its named stream's; its
  // unnamed stream is sparse with nothing allocated.
  if (!state.is_directory && TakesWofAllocation(state)) alloc = state.wof_alloc;

  entry.id = id;
  entry.parent_id = state.parent_id;
  entry.is_directory = state.is_directory;
  entry.size = size;
  entry.alloc = alloc;
  entry.mtime = state.mtime;
  entry.attributes = state.attributes;
  return true;
}

bool FinishEntry(std::int64_t id, bool is_dir_record, RecordParseState& state, MftEntry& entry) {
  if (!FinishEntryFields(id, is_dir_record, state, entry)) return false;
  entry.name = state.NameText();
  return true;
}

bool IsParsableBaseRecord(ByteSpan record, std::int64_t id) {
  if (record.size < kRecordHeaderMinimum || !HasFileSignature(record)) return false;
  if ((RecordFlags(record) & (kRecordInUse | kRecordExcluded)) != kRecordInUse) return false;
  const std::int64_t base = ReadRecordNumber(record, kBaseRecordField);
  if (base != 0 && base != id) return false;
  return ReadU16(record, kFirstAttributeOffsetField) < record.size;
}

bool ParseBaseRecord(ByteSpan record, std::int64_t id, MftEntry& entry) {
  if (!IsParsableBaseRecord(record, id)) return false;
  const std::uint8_t flags = RecordFlags(record);
  const bool is_dir_record = (flags & kRecordDirectory) != 0;
  RecordParseState state;
  ParseRecordAttributes(record, id, is_dir_record, state);
  return FinishEntry(id, is_dir_record, state, entry);
}

std::vector<std::int64_t> CollectListedRecords(ByteSpan record, std::int64_t id) {
  std::vector<std::int64_t> listed;
  WalkAttributes(record, [&](const AttributeView& attr) {
    if (attr.type != kAttrAttributeList) return;
    WalkAttributeListEntries(record, attr, [&](const ListEntryView& item) {
      if (item.StartVcn(record) != 0) return;
      const std::int64_t r = item.RecordNumber(record);
      if (r == 0 || r == id) return;
      if (std::find(listed.begin(), listed.end(), r) == listed.end()) listed.push_back(r);
    });
  });
  return listed;
}

std::vector<std::uint8_t> CompactRecord(ByteSpan record) {
  std::vector<std::uint8_t> compact;
  if (record.size < kRecordHeaderMinimum) return compact;
  const std::size_t header = std::min<std::size_t>(ReadU16(record, kFirstAttributeOffsetField), record.size);
  compact.assign(record.data, record.data + std::max(header, kRecordHeaderMinimum));
  WriteU16(compact.data() + kFirstAttributeOffsetField, static_cast<std::uint16_t>(compact.size()));
  WalkAttributes(record, [&](const AttributeView& attr) {
    const bool data =
        attr.type == kAttrData && (attr.NameLength(record) == 0 || AttributeNamed(record, attr, kWofStreamName));
    const bool reparse = attr.type == kAttrReparsePoint && !attr.NonResident(record);
    if (attr.type != kAttrStandardInformation && attr.type != kAttrFileName && !data && !reparse) return;
    std::size_t length = attr.length;
    // A non-resident header is kept without its run list (the name of a
    // named stream lies before it).
    if (data && attr.NonResident(record)) {
      const std::size_t name_end =
          ReadU16(record, attr.offset + kAttrNameOffsetField) + 2 * std::size_t{attr.NameLength(record)};
      length = std::min(length, std::max(kNonResidentHeaderKept, (name_end + 7) & ~std::size_t{7}));
    }
    const std::size_t at = compact.size();
    compact.insert(compact.end(), record.data + attr.offset, record.data + attr.offset + length);
    WriteU32(compact.data() + at + kAttrLengthField, static_cast<std::uint32_t>(length));
  });
  const std::uint8_t end[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  compact.insert(compact.end(), end, end + sizeof end);
  return compact;
}

void ParseRecord(ByteSpan record, std::int64_t n, ScanSlice& slice) {
  if (record.size < kRecordHeaderMinimum) return;
  const std::uint8_t flags = RecordFlags(record);
  if (!(flags & kRecordInUse)) return;
  const std::int64_t base = ReadRecordNumber(record, kBaseRecordField);
  if ((flags & kRecordExcluded) || (base != 0 && base != n)) {
    // An extension record: its data counts for the base record it names, and
    // a base record without a name of its own may find one in it.
    if (base == 0 || !HasFileSignature(record)) return;
    std::int64_t size = 0, alloc = 0;
    if (SumUnnamedData(record, size, alloc) && size <= kSizeSanityLimit && alloc <= kSizeSanityLimit) {
      OverflowSizes& sizes = slice.overflow_sizes[base];
      sizes.size = std::max(sizes.size, size);
      sizes.alloc = std::max(sizes.alloc, alloc);
    }
    RecordParseState wof;
    ReadWofParts(record, wof);
    PassOnWof(wof, base, slice);
    slice.extension_records.push_back(ExtensionRecord{n, base, CompactRecord(record)});
    return;
  }
  if (!IsParsableBaseRecord(record, n)) return;
  const bool is_dir_record = (flags & kRecordDirectory) != 0;
  RecordParseState state;
  ParseRecordAttributes(record, n, is_dir_record, state);
  // The root keeps the name "." from its own attributes or from the fallback;
  // any other record without a name of its own waits for the records its
  // attribute list names and for the extension records that name it as base.
  if (!state.HasName() && (!is_dir_record || n != kRootId)) {
    slice.pending.push_back(PendingBase{n, CompactRecord(record), CollectListedRecords(record, n)});
    return;
  }
  // With an attribute list, the WOF tag and the stream may lie in different
  // records: what this one holds meets the rest in the overflow sizes.
  if (state.has_attribute_list && !is_dir_record) PassOnWof(state, n, slice);
  MftEntry entry;
  if (FinishEntryFields(n, is_dir_record, state, entry)) slice.entries.Add(entry, state.Name(), EntryFlagsOf(state));
}

namespace {

constexpr std::size_t kPrefetchAhead = 2;
constexpr std::size_t kCacheLine = 64;

void Prefetch(const void* at) {
#if defined(__GNUC__)
  __builtin_prefetch(at);
#else
  (void)at;
#endif
}

// Parses the window's records in order: in place when its bytes are the
// caller's to change, else (const bytes) each record copied out first. The
// window was filled by another core, or is mapped from memory: the record
// after next is asked for now, so that its lines are here when it is parsed.
template <typename Byte>
void ParseRecords(Byte* window, std::size_t size, std::int64_t first, std::int32_t record_size, ScanSlice& slice) {
  constexpr bool kCopyOut = std::is_const_v<Byte>;
  if (record_size <= 0 || window == nullptr) return;
  const std::size_t stride = static_cast<std::size_t>(record_size);
  const std::size_t count = size / stride;
  std::vector<std::uint8_t> scratch(kCopyOut ? stride : 0);
  for (std::size_t k = 0; k < count; ++k) {
    if (k + kPrefetchAhead < count) {
      const std::uint8_t* const ahead = window + (k + kPrefetchAhead) * stride;
      for (std::size_t line = 0; line < stride; line += kCacheLine) Prefetch(ahead + line);
    }
    MutableSpan record;
    if constexpr (kCopyOut) {
      std::memcpy(scratch.data(), window + k * stride, stride);
      record = MutableSpan{scratch.data(), stride};
    } else {
      record = MutableSpan{window + k * stride, stride};
    }
    ApplyFixups(record);
    ParseRecord(record.View(), first + static_cast<std::int64_t>(k), slice);
  }
}

}  // namespace

void ParseWindow(MutableSpan window, std::int64_t first, std::int32_t record_size, ScanSlice& slice) {
  ParseRecords(window.data, window.size, first, record_size, slice);
}

void ParseWindow(ByteSpan window, std::int64_t first, std::int32_t record_size, ScanSlice& slice) {
  ParseRecords(window.data, window.size, first, record_size, slice);
}

void ParseRange(ByteSpan image, std::int32_t record_size, std::int64_t first, std::int64_t end, ScanSlice& slice) {
  if (record_size <= 0 || image.data == nullptr) return;
  const std::int64_t from = std::max<std::int64_t>(first, 0);
  const auto held = static_cast<std::int64_t>(image.size / static_cast<std::size_t>(record_size));
  const std::int64_t to = std::min(end, held);
  if (to <= from) return;
  const auto stride = static_cast<std::size_t>(record_size);
  ParseWindow(image.Sub(static_cast<std::size_t>(from) * stride, static_cast<std::size_t>(to - from) * stride), from,
              record_size, slice);
}

}  // namespace tw
