#pragma once
// Builds NTFS file records byte by byte, valid or deliberately damaged, so that
// parser tests, fuzz seeds, volume images and benchmark volumes read as
// sentences instead of hex dumps:
//
//   using namespace tw::build;
//   std::vector<std::uint8_t> r = RecordBuilder(1024)
//       .Number(40).InUse()
//       .StandardInformation({.read = 0x01D0'0000'0000'0000, .attributes = 0x20})
//       .FileName({.parent = 5, .name = L"notes.txt", .name_space = kWin32})
//       .ResidentData(300)
//       .Build();
//
// Build() lays the record out the way Windows does: a 48-byte header, the
// update sequence array at offset 48 with one word per 512-byte sector plus
// the sequence number, attributes from the first 8-aligned offset after it,
// each 8-aligned, then the 0xFFFFFFFF end marker. Last it "protects" the
// record: the last word of every 512-byte sector is saved into the array and
// replaced by the sequence number, so a reader must apply real fix-ups.
// Record sizes that are not a multiple of 512 protect only whole sectors.
//
// Damage knobs: each attribute method appends one attribute; the With...()
// methods then change the attribute appended last (its length field, its
// $FILE_NAME name length, ...). Header knobs override what Build() would
// derive (update sequence offset and count, first attribute offset), and
// CorruptSectorEnd() breaks one sector's fix-up after protection. Build()
// throws std::length_error when the attributes do not fit the record, since
// that is a mistake in the test, not damage it asked for.
//
// The builders spell every offset and flag themselves rather than take them
// from the scanner's scan/ntfs_layout.h, on purpose: a wrong offset there
// must not confirm itself by building the records the tests read.
//
// MftImage assembles records into one MFT image of fixed record size; slots
// never filled stay zero (not in use, no "FILE" signature).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tw::build {

// $FILE_NAME namespaces (any other byte value may be passed to test damage).
inline constexpr std::uint8_t kPosix = 0;
inline constexpr std::uint8_t kWin32 = 1;
inline constexpr std::uint8_t kDos = 2;
inline constexpr std::uint8_t kWin32AndDos = 3;

// $FILE_NAME flag bit 4: the name belongs to a folder.
inline constexpr std::uint32_t kNameDirectoryFlag = 0x10;

struct StandardInformationSpec {
  std::int64_t created = 0;      // value offset 0
  std::int64_t modified = 0;     // value offset 8
  std::int64_t changed = 0;      // value offset 16 (record change time)
  std::int64_t read = 0;         // value offset 24: the timestamp the scan reports
  std::uint32_t attributes = 0;  // value offset 32: Win32 attribute bits
};

struct FileNameSpec {
  std::int64_t parent = 5;            // parent record number (low 48 bits)
  std::uint16_t parent_sequence = 1;  // top 16 bits of the parent reference
  std::wstring name;                  // UTF-16 units, at most 255
  std::uint8_t name_space = kWin32;
  std::uint32_t flags = 0;          // e.g. kNameDirectoryFlag
  std::int64_t allocated_size = 0;  // value offset 40
  std::int64_t real_size = 0;       // value offset 48
};

// One run of a non-resident attribute: `length` clusters at absolute cluster
// `lcn`; a sparse run has no location.
struct Run {
  std::int64_t length = 0;
  std::int64_t lcn = 0;
  bool sparse = false;
};

// Encodes runs as an NTFS run list (header byte, length, signed LCN delta from
// the previous run; terminated by a zero byte).
std::vector<std::uint8_t> EncodeRunList(const std::vector<Run>& runs);

struct NonResidentDataSpec {
  std::wstring stream_name;            // empty: the unnamed stream
  std::int64_t allocated_size = 0;     // header offset 40
  std::int64_t data_size = 0;          // header offset 48
  std::int64_t initialized_size = -1;  // header offset 56; -1: same as data_size
  std::int64_t start_vcn = 0;
  std::int64_t last_vcn = -1;  // -1: derived from the runs (their total minus one)
  std::vector<Run> runs;
  std::uint16_t flags = 0;            // header offset 12: 0x0001 compressed, 0x8000 sparse
  std::uint8_t compression_unit = 0;  // header offset 34
  // Header offset 64, the bytes of the clusters in use (sparse or compressed
  // streams); when set the header is 72 bytes long instead of 64.
  std::optional<std::int64_t> total_allocated;
};

struct AttributeListEntrySpec {
  std::uint32_t type = 0x80;
  std::wstring attribute_name;
  std::uint64_t start_vcn = 0;
  std::int64_t record = 0;  // record holding the attribute (low 48 bits)
  std::uint16_t record_sequence = 1;
  std::uint16_t attribute_id = 0;
  std::optional<std::uint16_t> length;  // damage: overrides the entry length field

  AttributeListEntrySpec& WithLength(std::uint16_t entry_length) {
    length = entry_length;
    return *this;
  }
};

// One $ATTRIBUTE_LIST entry: attribute `type` (starting at `start_vcn`) is held by `record`.
inline AttributeListEntrySpec Listed(std::uint32_t type, std::int64_t record, std::uint64_t start_vcn = 0,
                                     std::wstring attribute_name = L"") {
  AttributeListEntrySpec spec;
  spec.type = type;
  spec.record = record;
  spec.start_vcn = start_vcn;
  spec.attribute_name = std::move(attribute_name);
  return spec;
}

class RecordBuilder {
 public:
  explicit RecordBuilder(std::size_t record_size = 1024);

  // ---- Header ----
  RecordBuilder& Number(std::uint32_t record_number);                          // header offset 44
  RecordBuilder& InUse(bool on = true);                                        // flag bit 0
  RecordBuilder& Directory(bool on = true);                                    // flag bit 1
  RecordBuilder& Excluded(bool on = true);                                     // flag bit 2
  RecordBuilder& Flags(std::uint16_t flags);                                   // all flag bits at once
  RecordBuilder& BaseRecord(std::int64_t record, std::uint16_t sequence = 1);  // extension records
  RecordBuilder& SequenceNumber(std::uint16_t usn);  // the update sequence number (default 0x0001)
  RecordBuilder& Signature(const char (&four)[5]);   // damage: e.g. "BAAD"

  // ---- Attributes, in the order they appear in the record ----
  RecordBuilder& StandardInformation(const StandardInformationSpec& spec);
  RecordBuilder& FileName(const FileNameSpec& spec);
  RecordBuilder& ResidentData(std::uint32_t length, const std::wstring& stream_name = L"");
  RecordBuilder& ResidentData(const std::vector<std::uint8_t>& bytes, const std::wstring& stream_name = L"");
  RecordBuilder& NonResidentData(const NonResidentDataSpec& spec);
  // Any non-resident attribute (record 0's $BITMAP is type 0xB0), laid out as $DATA.
  RecordBuilder& NonResidentAttribute(std::uint32_t type, const NonResidentDataSpec& spec);
  RecordBuilder& AttributeList(const std::vector<AttributeListEntrySpec>& entries);
  // Any attribute: a resident one of the given type with the given value.
  RecordBuilder& ResidentAttribute(std::uint32_t type, const std::vector<std::uint8_t>& value,
                                   const std::wstring& name = L"");
  // Raw bytes placed as they are where the next attribute would go (no 8-byte alignment added).
  RecordBuilder& RawBytes(const std::vector<std::uint8_t>& bytes);

  // ---- Damage to the attribute appended last ----
  RecordBuilder& WithLength(std::int32_t length);           // its length field (0, negative, past the end)
  RecordBuilder& WithNameLength(std::uint8_t units);        // $FILE_NAME: the name length byte
  RecordBuilder& WithValueOffset(std::uint16_t offset);     // resident: the value offset field
  RecordBuilder& WithValueLength(std::uint32_t length);     // resident: the value length field
  RecordBuilder& WithNonResidentHeader(std::uint8_t flag);  // the non-resident byte

  // ---- Damage to the header and the update sequence ----
  RecordBuilder& UpdateSequenceOffset(std::uint16_t offset);
  RecordBuilder& UpdateSequenceCount(std::uint16_t count);  // e.g. 0, 1, or more than fits
  RecordBuilder& FirstAttributeOffset(std::uint16_t offset);
  RecordBuilder& OmitEndMarker(bool omit = true);
  // After protection, sets the last word of sector `sector` to something other
  // than the sequence number, so its fix-up does not match.
  RecordBuilder& CorruptSectorEnd(std::size_t sector);
  // Skips the protection step: sector ends keep their real bytes and the
  // array holds zeros (a record as it looks after fix-ups).
  RecordBuilder& Unprotected(bool on = true);

  // Offset at which the next attribute would start in the built record.
  std::size_t NextAttributeOffset() const;
  // Offset of the value of the attribute appended last (resident) within the record.
  std::size_t LastValueOffset() const;

  std::vector<std::uint8_t> Build() const;

 private:
  struct Piece {
    std::vector<std::uint8_t> bytes;
    bool is_attribute = true;
    std::size_t value_offset = 0;  // resident attributes: where the value starts
    std::uint32_t type = 0;
  };
  std::size_t FirstOffset() const;
  std::uint16_t SequenceCount() const;
  Piece& Last();

  std::size_t record_size_;
  std::uint32_t number_ = 0;
  std::uint16_t flags_ = 0;
  std::uint64_t base_reference_ = 0;
  std::uint16_t usn_ = 1;
  char signature_[4] = {'F', 'I', 'L', 'E'};
  std::optional<std::uint16_t> usa_offset_;
  std::optional<std::uint16_t> usa_count_;
  std::optional<std::uint16_t> first_attribute_;
  bool omit_end_ = false;
  bool unprotected_ = false;
  std::vector<std::size_t> corrupt_sectors_;
  std::vector<Piece> pieces_;
  std::uint16_t next_attribute_id_ = 0;
};

// The protection step on its own, for hand-made bytes: saves the last word of
// each 512-byte sector into the update sequence array at `usa_offset` (count
// words, the sequence number first) and writes the sequence number there.
void ProtectRecord(std::vector<std::uint8_t>& record, std::uint16_t usa_offset, std::uint16_t count, std::uint16_t usn);

// An MFT image: `record_size` bytes per record, record i at i * record_size.
class MftImage {
 public:
  explicit MftImage(std::size_t record_size = 1024) : record_size_(record_size) {}
  // Places a record (cut or zero-padded to the record size), growing the image as needed.
  MftImage& Put(std::int64_t index, const std::vector<std::uint8_t>& record);
  // Grows the image to at least `count` records (new ones zero).
  MftImage& Reserve(std::int64_t count);

  std::size_t record_size() const { return record_size_; }
  std::int64_t record_count() const { return static_cast<std::int64_t>(bytes_.size() / record_size_); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::size_t record_size_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tw::build
