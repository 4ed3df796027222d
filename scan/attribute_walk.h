#pragma once
// The two walks over a file record's on-disk lists, shared by every reader of
// records (name and size parsing, attribute-list lookups, the overflow-size
// pass) so that all of them skip damaged bytes the same way.
//
// Attribute walk over one record span:
//   - nothing is walked when the span is shorter than 24 bytes or the first
//     attribute offset (u16 at 20) is not below the span length;
//   - from that offset: stop when fewer than 4 bytes remain; read the type and
//     stop at 0xFFFFFFFF; read the length as a signed 32-bit number and stop
//     when it is 0 or negative;
//   - when offset + length runs past the span, step 8 bytes forward and try
//     again there (resynchronisation, not a stop);
//   - otherwise hand the attribute to the visitor and advance by its length.
//
// Attribute-list entry walk over one resident $ATTRIBUTE_LIST value:
//   - entries start at the value start; stop when fewer than 26 bytes of the
//     value remain or the 26-byte entry head would pass the span end, at type
//     0xFFFFFFFF, or when the entry length (u16 at 4) is below 26 or runs
//     past the value or the span;
//   - the next entry starts at the entry length rounded up to 8.
//
// The loader's walk over record 0 stops at an overrun instead (see
// ntfs_layout.h). Visitors may return void (walk everything) or bool (false
// stops the walk).
// Both walks only read through the bounds-checked readers of byte_reader.h,
// so no visit ever sees an attribute or entry that does not lie inside the span.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "scan/byte_reader.h"
#include "scan/ntfs_layout.h"

namespace tw {

// The allocated bytes of a non-resident attribute, and whether they are the
// clusters really in use (then even 0 is the figure, not a missing one).
struct NonResidentAllocation {
  std::int64_t bytes = 0;
  bool in_use = false;
};

// One attribute met by the walk; offset and length lie inside the span.
struct AttributeView {
  std::size_t offset = 0;
  std::uint32_t type = 0;
  std::size_t length = 0;
  bool NonResident(ByteSpan r) const { return ReadU8(r, offset + kAttrNonResidentField) != 0; }
  std::uint8_t NameLength(ByteSpan r) const { return ReadU8(r, offset + kAttrNameLengthField); }
  std::uint32_t ValueLength(ByteSpan r) const { return ReadU32(r, offset + kAttrValueLengthField); }
  // Absolute offset of a resident value (may lie outside the span; check with Fits).
  std::size_t ValueOffset(ByteSpan r) const { return offset + ReadU16(r, offset + kAttrValueOffsetField); }

  // The allocated bytes of a non-resident attribute of at least
  // kNonResidentHeaderMinimum bytes. A sparse stream (flag kAttrSparse) or a
  // compressed one (compression flag bits, or a compression unit) has the
  // total-allocated field when its header reaches past it before the run list:
  // that figure, unless negative, with in_use. Otherwise the allocated length,
  // from which callers fall back when it is not positive.
  NonResidentAllocation Allocation(ByteSpan r) const {
    const std::int64_t allocated = ReadI64(r, offset + kAttrAllocatedSizeField);
    const bool sparse_or_compressed =
        (ReadU16(r, offset + kAttrFlagsField) & (kAttrSparse | kAttrCompressionMask)) != 0 ||
        ReadU8(r, offset + kAttrCompressionUnitField) != 0;
    if (!sparse_or_compressed || length < kNonResidentTotalAllocatedHeader ||
        ReadU16(r, offset + kAttrRunListOffsetField) < kNonResidentTotalAllocatedHeader) {
      return {allocated, false};
    }
    const std::int64_t in_use = ReadI64(r, offset + kAttrTotalAllocatedField);
    return in_use >= 0 ? NonResidentAllocation{in_use, true} : NonResidentAllocation{allocated, false};
  }
};

// One $ATTRIBUTE_LIST entry met by the entry walk; lies inside the span.
struct ListEntryView {
  std::size_t offset = 0;
  std::uint32_t type = 0;
  std::size_t length = 0;
  std::uint8_t NameLength(ByteSpan r) const { return ReadU8(r, offset + kListEntryNameLengthField); }
  std::uint64_t StartVcn(ByteSpan r) const { return ReadU64(r, offset + kListEntryStartVcnField); }
  std::int64_t RecordNumber(ByteSpan r) const { return ReadRecordNumber(r, offset + kListEntryRecordField); }
};

namespace walk_detail {
template <typename Visitor, typename View>
inline bool Visit(Visitor& visitor, const View& view) {
  if constexpr (std::is_same_v<std::invoke_result_t<Visitor&, const View&>, bool>) {
    return visitor(view);
  } else {
    visitor(view);
    return true;
  }
}
}  // namespace walk_detail

template <typename Visitor>
void WalkAttributes(ByteSpan record, Visitor&& visitor) {
  if (record.size < kRecordHeaderMinimum) return;
  std::size_t offset = ReadU16(record, kFirstAttributeOffsetField);
  if (offset >= record.size) return;
  while (Fits(record, offset, 4)) {
    const std::uint32_t type = ReadU32(record, offset + kAttrTypeField);
    if (type == kAttrEnd) return;
    const std::int32_t length = ReadI32(record, offset + kAttrLengthField);
    if (length <= 0) return;
    if (!Fits(record, offset, static_cast<std::size_t>(length))) {
      offset += 8;  // resynchronise: a damaged length must not end the record
      continue;
    }
    const AttributeView view{offset, type, static_cast<std::size_t>(length)};
    if (!walk_detail::Visit(visitor, view)) return;
    offset += static_cast<std::size_t>(length);
  }
}

// Walks the entries of the resident $ATTRIBUTE_LIST at attribute `list`.
// Does nothing for a non-resident list.
template <typename Visitor>
void WalkAttributeListEntries(ByteSpan record, const AttributeView& list, Visitor&& visitor) {
  if (list.NonResident(record)) return;
  std::size_t pos = list.ValueOffset(record);
  // 64-bit sums: a 16-bit offset plus a 32-bit length cannot overflow them.
  const std::uint64_t value_end = static_cast<std::uint64_t>(pos) + list.ValueLength(record);
  while (static_cast<std::uint64_t>(pos) + kListEntryMinimum <= value_end && Fits(record, pos, kListEntryMinimum)) {
    const std::uint32_t type = ReadU32(record, pos + kListEntryTypeField);
    if (type == kAttrEnd) return;
    const std::size_t length = ReadU16(record, pos + kListEntryLengthField);
    if (length < kListEntryMinimum) return;
    if (static_cast<std::uint64_t>(pos) + length > value_end || !Fits(record, pos, length)) return;
    const ListEntryView view{pos, type, length};
    if (!walk_detail::Visit(visitor, view)) return;
    pos += (length + kListEntryAlignment - 1) & ~(kListEntryAlignment - 1);
  }
}

}  // namespace tw
