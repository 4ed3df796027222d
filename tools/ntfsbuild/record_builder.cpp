#include "ntfsbuild/record_builder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tw::build {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kHeaderSize = 48;  // the update sequence array follows it
constexpr std::size_t kResidentHeader = 24;
constexpr std::size_t kNonResidentHeader = 64;
constexpr std::size_t kFileNameFixed = 66;
constexpr std::size_t kListEntryFixed = 26;

constexpr std::size_t Align8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t value, std::size_t width) {
  if (b.size() < at + width) b.resize(at + width);
  for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutName(std::vector<std::uint8_t>& b, std::size_t at, const std::wstring& name) {
  for (std::size_t i = 0; i < name.size(); ++i) Put(b, at + 2 * i, static_cast<std::uint16_t>(name[i]), 2);
}

std::uint8_t NameUnits(const std::wstring& name) {
  if (name.size() > 255) throw std::length_error("NTFS names hold at most 255 UTF-16 units");
  return static_cast<std::uint8_t>(name.size());
}

std::uint64_t Reference(std::int64_t record, std::uint16_t sequence) {
  return (static_cast<std::uint64_t>(record) & 0xFFFFFFFFFFFFULL) | (std::uint64_t{sequence} << 48);
}

// Smallest byte count that holds value as a little-endian two's complement number.
std::size_t SignedWidth(std::int64_t value) {
  for (std::size_t n = 1; n < 8; ++n) {
    const std::int64_t limit = std::int64_t{1} << (8 * n - 1);
    if (value >= -limit && value < limit) return n;
  }
  return 8;
}

// A resident attribute: 24-byte header, optional name, 8-aligned value.
std::vector<std::uint8_t> ResidentBytes(std::uint32_t type, std::uint16_t id, const std::wstring& name,
                                        const std::vector<std::uint8_t>& value, bool indexed,
                                        std::size_t& value_offset) {
  const std::uint8_t units = NameUnits(name);
  value_offset = Align8(kResidentHeader + 2 * std::size_t{units});
  const std::size_t length = Align8(value_offset + value.size());
  std::vector<std::uint8_t> b(length, 0);
  Put(b, 0, type, 4);
  Put(b, 4, length, 4);
  Put(b, 8, 0, 1);
  Put(b, 9, units, 1);
  Put(b, 10, kResidentHeader, 2);
  Put(b, 14, id, 2);
  Put(b, 16, value.size(), 4);
  Put(b, 20, value_offset, 2);
  Put(b, 22, indexed ? 1 : 0, 1);
  PutName(b, kResidentHeader, name);
  std::copy(value.begin(), value.end(), b.begin() + static_cast<std::ptrdiff_t>(value_offset));
  return b;
}

}  // namespace

std::vector<std::uint8_t> EncodeRunList(const std::vector<Run>& runs) {
  std::vector<std::uint8_t> out;
  std::int64_t previous_lcn = 0;
  for (const Run& run : runs) {
    const std::size_t length_width = SignedWidth(run.length);
    std::size_t offset_width = 0;
    std::int64_t delta = 0;
    if (!run.sparse) {
      delta = run.lcn - previous_lcn;
      offset_width = SignedWidth(delta);
      previous_lcn = run.lcn;
    }
    out.push_back(static_cast<std::uint8_t>((offset_width << 4) | length_width));
    for (std::size_t i = 0; i < length_width; ++i) out.push_back(static_cast<std::uint8_t>(run.length >> (8 * i)));
    for (std::size_t i = 0; i < offset_width; ++i) out.push_back(static_cast<std::uint8_t>(delta >> (8 * i)));
  }
  out.push_back(0);
  return out;
}

void ProtectRecord(std::vector<std::uint8_t>& record, std::uint16_t usa_offset, std::uint16_t count,
                   std::uint16_t usn) {
  if (usa_offset + 2 * std::size_t{count} > record.size() || count == 0) return;
  Put(record, usa_offset, usn, 2);
  for (std::size_t i = 0; i + 1 < count && (i + 1) * kSector <= record.size(); ++i) {
    const std::size_t end = i * kSector + kSector - 2;
    record[usa_offset + 2 + 2 * i] = record[end];
    record[usa_offset + 3 + 2 * i] = record[end + 1];
    Put(record, end, usn, 2);
  }
}

RecordBuilder::RecordBuilder(std::size_t record_size) : record_size_(record_size) {}

RecordBuilder& RecordBuilder::Number(std::uint32_t record_number) {
  number_ = record_number;
  return *this;
}
RecordBuilder& RecordBuilder::InUse(bool on) {
  flags_ = static_cast<std::uint16_t>(on ? flags_ | 1 : flags_ & ~1);
  return *this;
}
RecordBuilder& RecordBuilder::Directory(bool on) {
  flags_ = static_cast<std::uint16_t>(on ? flags_ | 2 : flags_ & ~2);
  return *this;
}
RecordBuilder& RecordBuilder::Excluded(bool on) {
  flags_ = static_cast<std::uint16_t>(on ? flags_ | 4 : flags_ & ~4);
  return *this;
}
RecordBuilder& RecordBuilder::Flags(std::uint16_t flags) {
  flags_ = flags;
  return *this;
}
RecordBuilder& RecordBuilder::BaseRecord(std::int64_t record, std::uint16_t sequence) {
  base_reference_ = Reference(record, sequence);
  return *this;
}
RecordBuilder& RecordBuilder::SequenceNumber(std::uint16_t usn) {
  usn_ = usn;
  return *this;
}
RecordBuilder& RecordBuilder::Signature(const char (&four)[5]) {
  std::memcpy(signature_, four, 4);
  return *this;
}

RecordBuilder& RecordBuilder::StandardInformation(const StandardInformationSpec& spec) {
  std::vector<std::uint8_t> value(72, 0);
  Put(value, 0, static_cast<std::uint64_t>(spec.created), 8);
  Put(value, 8, static_cast<std::uint64_t>(spec.modified), 8);
  Put(value, 16, static_cast<std::uint64_t>(spec.changed), 8);
  Put(value, 24, static_cast<std::uint64_t>(spec.read), 8);
  Put(value, 32, spec.attributes, 4);
  return ResidentAttribute(0x10, value);
}

RecordBuilder& RecordBuilder::FileName(const FileNameSpec& spec) {
  const std::uint8_t units = NameUnits(spec.name);
  std::vector<std::uint8_t> value(kFileNameFixed + 2 * std::size_t{units}, 0);
  Put(value, 0, Reference(spec.parent, spec.parent_sequence), 8);
  Put(value, 40, static_cast<std::uint64_t>(spec.allocated_size), 8);
  Put(value, 48, static_cast<std::uint64_t>(spec.real_size), 8);
  Put(value, 56, spec.flags, 4);
  Put(value, 64, units, 1);
  Put(value, 65, spec.name_space, 1);
  PutName(value, kFileNameFixed, spec.name);
  Piece piece;
  piece.type = 0x30;
  piece.bytes = ResidentBytes(0x30, next_attribute_id_++, L"", value, true, piece.value_offset);
  pieces_.push_back(std::move(piece));
  return *this;
}

RecordBuilder& RecordBuilder::ResidentData(std::uint32_t length, const std::wstring& stream_name) {
  std::vector<std::uint8_t> value(length);
  for (std::size_t i = 0; i < value.size(); ++i) value[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return ResidentData(value, stream_name);
}

RecordBuilder& RecordBuilder::ResidentData(const std::vector<std::uint8_t>& bytes, const std::wstring& stream_name) {
  return ResidentAttribute(0x80, bytes, stream_name);
}

RecordBuilder& RecordBuilder::NonResidentData(const NonResidentDataSpec& spec) {
  return NonResidentAttribute(0x80, spec);
}

RecordBuilder& RecordBuilder::NonResidentAttribute(std::uint32_t type, const NonResidentDataSpec& spec) {
  const std::uint8_t units = NameUnits(spec.stream_name);
  const std::vector<std::uint8_t> runs = EncodeRunList(spec.runs);
  const std::size_t header = spec.total_allocated ? kNonResidentHeader + 8 : kNonResidentHeader;
  const std::size_t runs_at = Align8(header + 2 * std::size_t{units});
  const std::size_t length = Align8(runs_at + runs.size());
  std::int64_t last_vcn = spec.last_vcn;
  if (last_vcn < 0) {
    std::int64_t clusters = 0;
    for (const Run& run : spec.runs) clusters += run.length;
    last_vcn = spec.start_vcn + clusters - 1;
  }
  Piece piece;
  piece.type = type;
  std::vector<std::uint8_t>& b = piece.bytes;
  b.assign(length, 0);
  Put(b, 0, type, 4);
  Put(b, 4, length, 4);
  Put(b, 8, 1, 1);
  Put(b, 9, units, 1);
  Put(b, 10, header, 2);
  Put(b, 12, spec.flags, 2);
  Put(b, 14, next_attribute_id_++, 2);
  Put(b, 16, static_cast<std::uint64_t>(spec.start_vcn), 8);
  Put(b, 24, static_cast<std::uint64_t>(last_vcn), 8);
  Put(b, 32, runs_at, 2);
  Put(b, 34, spec.compression_unit, 1);
  Put(b, 40, static_cast<std::uint64_t>(spec.allocated_size), 8);
  Put(b, 48, static_cast<std::uint64_t>(spec.data_size), 8);
  Put(b, 56, static_cast<std::uint64_t>(spec.initialized_size < 0 ? spec.data_size : spec.initialized_size), 8);
  if (spec.total_allocated) Put(b, 64, static_cast<std::uint64_t>(*spec.total_allocated), 8);
  PutName(b, header, spec.stream_name);
  std::copy(runs.begin(), runs.end(), b.begin() + static_cast<std::ptrdiff_t>(runs_at));
  pieces_.push_back(std::move(piece));
  return *this;
}

RecordBuilder& RecordBuilder::AttributeList(const std::vector<AttributeListEntrySpec>& entries) {
  std::vector<std::uint8_t> value;
  for (const AttributeListEntrySpec& e : entries) {
    const std::uint8_t units = NameUnits(e.attribute_name);
    const std::size_t at = value.size();
    const std::size_t length = Align8(kListEntryFixed + 2 * std::size_t{units});
    value.resize(at + length, 0);
    Put(value, at + 0, e.type, 4);
    Put(value, at + 4, e.length ? *e.length : length, 2);
    Put(value, at + 6, units, 1);
    Put(value, at + 7, kListEntryFixed, 1);
    Put(value, at + 8, e.start_vcn, 8);
    Put(value, at + 16, Reference(e.record, e.record_sequence), 8);
    Put(value, at + 24, e.attribute_id, 2);
    PutName(value, at + kListEntryFixed, e.attribute_name);
  }
  return ResidentAttribute(0x20, value);
}

RecordBuilder& RecordBuilder::ResidentAttribute(std::uint32_t type, const std::vector<std::uint8_t>& value,
                                                const std::wstring& name) {
  Piece piece;
  piece.type = type;
  piece.bytes = ResidentBytes(type, next_attribute_id_++, name, value, false, piece.value_offset);
  pieces_.push_back(std::move(piece));
  return *this;
}

RecordBuilder& RecordBuilder::RawBytes(const std::vector<std::uint8_t>& bytes) {
  Piece piece;
  piece.bytes = bytes;
  piece.is_attribute = false;
  pieces_.push_back(std::move(piece));
  return *this;
}

RecordBuilder::Piece& RecordBuilder::Last() {
  if (pieces_.empty() || !pieces_.back().is_attribute) throw std::logic_error("no attribute to change");
  return pieces_.back();
}

RecordBuilder& RecordBuilder::WithLength(std::int32_t length) {
  Put(Last().bytes, 4, static_cast<std::uint32_t>(length), 4);
  return *this;
}

RecordBuilder& RecordBuilder::WithNameLength(std::uint8_t units) {
  Piece& p = Last();
  if (p.type != 0x30) throw std::logic_error("WithNameLength needs a $FILE_NAME attribute");
  Put(p.bytes, p.value_offset + 64, units, 1);
  return *this;
}

RecordBuilder& RecordBuilder::WithValueOffset(std::uint16_t offset) {
  Put(Last().bytes, 20, offset, 2);
  return *this;
}
RecordBuilder& RecordBuilder::WithValueLength(std::uint32_t length) {
  Put(Last().bytes, 16, length, 4);
  return *this;
}
RecordBuilder& RecordBuilder::WithNonResidentHeader(std::uint8_t flag) {
  Put(Last().bytes, 8, flag, 1);
  return *this;
}

RecordBuilder& RecordBuilder::UpdateSequenceOffset(std::uint16_t offset) {
  usa_offset_ = offset;
  return *this;
}
RecordBuilder& RecordBuilder::UpdateSequenceCount(std::uint16_t count) {
  usa_count_ = count;
  return *this;
}
RecordBuilder& RecordBuilder::FirstAttributeOffset(std::uint16_t offset) {
  first_attribute_ = offset;
  return *this;
}
RecordBuilder& RecordBuilder::OmitEndMarker(bool omit) {
  omit_end_ = omit;
  return *this;
}
RecordBuilder& RecordBuilder::CorruptSectorEnd(std::size_t sector) {
  corrupt_sectors_.push_back(sector);
  return *this;
}
RecordBuilder& RecordBuilder::Unprotected(bool on) {
  unprotected_ = on;
  return *this;
}

std::uint16_t RecordBuilder::SequenceCount() const {
  return static_cast<std::uint16_t>(std::max<std::size_t>(record_size_ / kSector, 1) + 1);
}

std::size_t RecordBuilder::FirstOffset() const { return Align8(kHeaderSize + 2 * std::size_t{SequenceCount()}); }

std::size_t RecordBuilder::NextAttributeOffset() const {
  std::size_t at = FirstOffset();
  for (const Piece& p : pieces_) at += p.bytes.size();
  return at;
}

std::size_t RecordBuilder::LastValueOffset() const {
  if (pieces_.empty()) throw std::logic_error("no attribute yet");
  return NextAttributeOffset() - pieces_.back().bytes.size() + pieces_.back().value_offset;
}

std::vector<std::uint8_t> RecordBuilder::Build() const {
  const std::uint16_t count = SequenceCount();
  const std::size_t first = FirstOffset();
  const std::size_t end = NextAttributeOffset();
  const std::size_t used = omit_end_ ? end : end + 8;
  if (used > record_size_) throw std::length_error("attributes do not fit the record");

  std::vector<std::uint8_t> r(record_size_, 0);
  std::memcpy(r.data(), signature_, 4);
  Put(r, 4, usa_offset_ ? *usa_offset_ : kHeaderSize, 2);
  Put(r, 6, usa_count_ ? *usa_count_ : count, 2);
  Put(r, 16, 1, 2);  // record sequence number
  Put(r, 18, 1, 2);  // link count
  Put(r, 20, first_attribute_ ? *first_attribute_ : first, 2);
  Put(r, 22, flags_, 2);
  Put(r, 24, used, 4);
  Put(r, 28, record_size_, 4);
  Put(r, 32, base_reference_, 8);
  Put(r, 40, next_attribute_id_, 2);
  Put(r, 44, number_, 4);

  std::size_t at = first;
  for (const Piece& p : pieces_) {
    std::copy(p.bytes.begin(), p.bytes.end(), r.begin() + static_cast<std::ptrdiff_t>(at));
    at += p.bytes.size();
  }
  if (!omit_end_) Put(r, end, 0xFFFFFFFFu, 4);

  // Protection always uses the array laid out here; the header overrides
  // above change only what a reader is told.
  if (unprotected_) {
    Put(r, kHeaderSize, usn_, 2);
  } else {
    ProtectRecord(r, static_cast<std::uint16_t>(kHeaderSize), count, usn_);
  }
  for (const std::size_t sector : corrupt_sectors_) {
    const std::size_t pos = sector * kSector + kSector - 2;
    if (pos + 2 <= r.size()) Put(r, pos, static_cast<std::uint16_t>(usn_ ^ 0xA5A5), 2);
  }
  return r;
}

MftImage& MftImage::Put(std::int64_t index, const std::vector<std::uint8_t>& record) {
  Reserve(index + 1);
  const std::size_t at = static_cast<std::size_t>(index) * record_size_;
  const std::size_t n = std::min(record.size(), record_size_);
  std::copy(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n),
            bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(at + n),
            bytes_.begin() + static_cast<std::ptrdiff_t>(at + record_size_), 0);
  return *this;
}

MftImage& MftImage::Reserve(std::int64_t count) {
  if (count > record_count()) bytes_.resize(static_cast<std::size_t>(count) * record_size_, 0);
  return *this;
}

}  // namespace tw::build
