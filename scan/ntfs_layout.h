#pragma once
// Every on-disk field the scanner reads, named once: the boot sector, the
// file record header and its update sequence, the attribute header, the
// attribute values read ($STANDARD_INFORMATION, $FILE_NAME, $REPARSE_POINT)
// and the $ATTRIBUTE_LIST entries, each in the order it lies on disk. Offsets are
// in bytes from the start of the structure; all fields are little-endian and
// are read through the bounds-checked readers of byte_reader.h, never by
// casting a buffer onto a struct. Below them, the fields of the system's
// answer to the volume-data query, which the Win32 volume reader decodes the
// same way.
//
// Two walks run over a record's attributes, on purpose with different rules
// for an attribute whose length runs past the record:
//   - the shared walk of every parser (attribute_walk.h) steps 8 bytes on and
//     tries again there, so that one damaged length does not hide the rest of
//     a record of the volume;
//   - the loader's own walk over record 0 (mft_loader.cpp), which finds the
//     run list of the MFT itself, stops there: an overrun ends the walk, and
//     nothing past a damaged attribute is taken for the MFT's runs.
//
// The builders of test volumes (tools/ntfsbuild, tests/support) keep their
// own copies of these numbers, so that a wrong offset here cannot confirm
// itself in the tests.

#include <cstddef>
#include <cstdint>

namespace tw {

// ---- Boot sector (sector 0 of the volume) ------------------------------------

inline constexpr std::size_t kBootSectorSize = 512;
inline constexpr std::size_t kBootOemIdField = 3;               // 8 bytes, "NTFS    "
inline constexpr char kBootOemId[] = "NTFS    ";                // without its terminating zero
inline constexpr std::size_t kBootBytesPerSectorField = 11;     // u16
inline constexpr std::size_t kBootSectorsPerClusterField = 13;  // u8; above 0x80: 2^(256 - v) sectors
inline constexpr std::size_t kBootTotalSectorsField = 40;       // i64
inline constexpr std::size_t kBootMftLcnField = 48;             // i64, the MFT's first cluster
inline constexpr std::size_t kBootClustersPerRecordField = 64;  // i8; negative n: 2^-n bytes
inline constexpr std::size_t kBootVolumeSerialField = 72;       // u64

// ---- File record header --------------------------------------------------------

inline constexpr std::size_t kRecordSignatureOffset = 0;       // u32, "FILE"
inline constexpr std::size_t kUpdateSequenceOffsetField = 4;   // u16
inline constexpr std::size_t kUpdateSequenceCountField = 6;    // u16, words incl. the sequence number
inline constexpr std::size_t kFirstAttributeOffsetField = 20;  // u16
inline constexpr std::size_t kRecordFlagsField = 22;           // u16, low byte tested
inline constexpr std::size_t kBaseRecordField = 32;            // file reference; 0 in a base record
inline constexpr std::size_t kRecordHeaderMinimum = 24;        // up to and including the flags
inline constexpr std::uint32_t kFileSignature = 0x454C4946;    // "FILE" read little-endian

// Record flags (low byte of the flags field).
inline constexpr std::uint8_t kRecordInUse = 0x01;
inline constexpr std::uint8_t kRecordDirectory = 0x02;
inline constexpr std::uint8_t kRecordExcluded = 0x04;

// The update sequence protects every 512 bytes of a record, whatever the
// volume's sector size: the last word of each stride holds the sequence
// number, and its true value sits in the update sequence array.
inline constexpr std::size_t kFixupStride = 512;
// A record header long enough to hold the update sequence's two fields.
inline constexpr std::size_t kFixupHeaderMinimum = 8;

// ---- Attribute header (offsets from the attribute's start) -------------------

// Attribute types.
inline constexpr std::uint32_t kAttrStandardInformation = 0x10;
inline constexpr std::uint32_t kAttrAttributeList = 0x20;
inline constexpr std::uint32_t kAttrFileName = 0x30;
inline constexpr std::uint32_t kAttrData = 0x80;
// Record 0's $BITMAP: bit n (bit n % 8 of byte n / 8) set when MFT record n is in use.
inline constexpr std::uint32_t kAttrBitmap = 0xB0;
inline constexpr std::uint32_t kAttrReparsePoint = 0xC0;
inline constexpr std::uint32_t kAttrEnd = 0xFFFFFFFF;  // ends the list

inline constexpr std::size_t kAttrTypeField = 0;            // u32
inline constexpr std::size_t kAttrLengthField = 4;          // u32, read signed by the shared walk
inline constexpr std::size_t kAttrNonResidentField = 8;     // u8
inline constexpr std::size_t kAttrNameLengthField = 9;      // u8, UTF-16 units; 0 for the unnamed stream
inline constexpr std::size_t kAttrNameOffsetField = 10;     // u16, where the name's UTF-16LE units start
inline constexpr std::size_t kAttrFlagsField = 12;          // u16
// Resident attributes.
inline constexpr std::size_t kAttrValueLengthField = 16;    // u32
inline constexpr std::size_t kAttrValueOffsetField = 20;    // u16
// Non-resident attributes.
inline constexpr std::size_t kAttrLowestVcnField = 16;        // i64, first cluster of the extent
inline constexpr std::size_t kAttrRunListOffsetField = 32;    // u16
inline constexpr std::size_t kAttrCompressionUnitField = 34;  // u8, 0 for a stream never compressed
inline constexpr std::size_t kAttrAllocatedSizeField = 40;    // i64
inline constexpr std::size_t kAttrDataSizeField = 48;         // i64
inline constexpr std::size_t kAttrValidSizeField = 56;        // i64, the initialised size
inline constexpr std::size_t kNonResidentHeaderMinimum = 64;
// Sparse and compressed streams also hold the bytes of the clusters really
// in use, in a non-resident header of kNonResidentTotalAllocatedHeader
// bytes or more.
inline constexpr std::size_t kAttrTotalAllocatedField = 64;  // i64
inline constexpr std::size_t kNonResidentTotalAllocatedHeader = 72;

// Attribute flag bits.
inline constexpr std::uint16_t kAttrCompressionMask = 0x00FF;
inline constexpr std::uint16_t kAttrSparse = 0x8000;

// The run list of a non-resident attribute: each run starts with a header
// byte whose low nibble is the width of its length and whose high nibble is
// the width of its signed cluster delta (0: a sparse run); a 0 byte ends it.
inline constexpr std::uint8_t kRunLengthWidthMask = 0x0F;
inline constexpr unsigned kRunDeltaWidthShift = 4;

// ---- $STANDARD_INFORMATION value ------------------------------------------------

inline constexpr std::size_t kSiTimeField = 24;        // i64, the timestamp kept as mtime
inline constexpr std::size_t kSiAttributesField = 32;  // u32, Win32 attribute bits
inline constexpr std::size_t kSiMinimum = 36;

// ---- $REPARSE_POINT value -------------------------------------------------------

inline constexpr std::size_t kReparseTagField = 0;  // u32, the reparse tag
inline constexpr std::size_t kReparseMinimum = 4;
// The tag of a file compressed by the Windows Overlay Filter (CompactOS,
// compact /exe): its unnamed $DATA is sparse with nothing allocated, and the
// compressed bytes live in the named $DATA stream below.
inline constexpr std::uint32_t kReparseTagWof = 0x80000017;
inline constexpr char16_t kWofStreamName[] = u"WofCompressedData";  // without its terminating zero

// ---- $FILE_NAME value -----------------------------------------------------------

inline constexpr std::size_t kFnParentField = 0;       // file reference
inline constexpr std::size_t kFnAllocatedField = 40;   // i64
inline constexpr std::size_t kFnRealSizeField = 48;    // i64
inline constexpr std::size_t kFnFlagsField = 56;       // u32
inline constexpr std::size_t kFnNameLengthField = 64;  // u8, UTF-16 units
inline constexpr std::size_t kFnNamespaceField = 65;   // u8
inline constexpr std::size_t kFnNameField = 66;        // UTF-16LE
inline constexpr std::uint32_t kFnDirectoryFlag = 0x10;

// Name spaces of a $FILE_NAME.
inline constexpr std::uint8_t kNamespacePosix = 0;
inline constexpr std::uint8_t kNamespaceWin32 = 1;
inline constexpr std::uint8_t kNamespaceDos = 2;
inline constexpr std::uint8_t kNamespaceWin32AndDos = 3;

// ---- $ATTRIBUTE_LIST entry --------------------------------------------------------

inline constexpr std::size_t kListEntryTypeField = 0;        // u32
inline constexpr std::size_t kListEntryLengthField = 4;      // u16
inline constexpr std::size_t kListEntryNameLengthField = 6;  // u8
inline constexpr std::size_t kListEntryStartVcnField = 8;    // u64
inline constexpr std::size_t kListEntryRecordField = 16;     // file reference
inline constexpr std::size_t kListEntryMinimum = 26;
inline constexpr std::size_t kListEntryAlignment = 8;        // entries start on multiples of 8

// ---- The system's volume-data answer (NTFS_VOLUME_DATA_BUFFER) ----------------------

inline constexpr std::size_t kVolumeDataSize = 96;
inline constexpr std::size_t kVolumeDataSerialField = 0;           // u64
inline constexpr std::size_t kVolumeDataNumberSectorsField = 8;    // i64
inline constexpr std::size_t kVolumeDataBytesPerSectorField = 40;  // u32
inline constexpr std::size_t kVolumeDataBytesPerClusterField = 44;  // u32
inline constexpr std::size_t kVolumeDataBytesPerRecordField = 48;  // u32
inline constexpr std::size_t kVolumeDataMftValidLengthField = 56;  // i64
inline constexpr std::size_t kVolumeDataMftStartLcnField = 64;     // i64

}  // namespace tw
