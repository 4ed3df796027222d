#pragma once
// Reading the MFT.
//
// Record 0 describes the MFT itself: the run list of its unnamed $DATA says
// where each fragment of the MFT lives on the volume, and its $BITMAP which
// records are in use. ReadMftLayout reads record 0, decodes that run list and
// reads the bitmap (read_plan.h plans the reads from it); ReadMftWindow then
// reads any range of
// whole records into a buffer of the caller's, so the MFT is read window by
// window and never held whole. The decoding and the placement are pure
// functions over bytes; the disk is reached only through RawVolume, so all of
// it runs against a memory volume in tests.

#include <cstdint>
#include <vector>

#include "base/byte_range.h"
#include "base/ids.h"
#include "scan/byte_reader.h"
#include "scan/raw_volume.h"

namespace tw {

// One decoded run: clusters [vcn, vcn + length) of the attribute live at
// clusters [lcn, lcn + length) of the volume; lcn is -1 for a sparse run.
struct DataRun {
  std::int64_t vcn = 0;
  std::int64_t lcn = 0;
  std::int64_t length = 0;
};

// One read of the load: length bytes at volume_offset go to image_offset.
struct RunPlacement {
  std::int64_t volume_offset = 0;
  std::int64_t image_offset = 0;
  std::int64_t length = 0;
};

// Limits that keep a corrupt or hostile volume from driving the allocation:
// clusters of 512 B to 2 MiB, records of 256 B to 64 KiB (both powers of two),
// at most 2^32 records.
inline constexpr std::uint32_t kMinClusterSize = 512;
inline constexpr std::uint32_t kMaxClusterSize = 2u << 20;
inline constexpr std::uint32_t kMinRecordSize = 256;
inline constexpr std::uint32_t kMaxRecordSize = 64u << 10;
inline constexpr std::int64_t kMaxMftRecords = std::int64_t{1} << 32;

// The attribute bytes of the first unnamed, non-resident $DATA attribute of a
// (fixed-up) file record; false when the record has none or is not a record.
bool FindUnnamedDataAttribute(ByteSpan record, std::int32_t record_size, ByteSpan& attribute);

// Decodes the run list of the first unnamed, non-resident $DATA attribute of
// a fixed-up record. True when at least one run was produced.
bool ParseDataRuns(ByteSpan record, std::int32_t record_size, std::vector<DataRun>& runs);

// Record 0's unnamed $BITMAP, as record 0 holds it: its value when resident;
// when not, its runs and the bytes of it that are valid (the smaller of its
// data and initialised sizes).
struct MftBitmapAttribute {
  bool found = false;
  bool resident = false;
  std::vector<std::uint8_t> value;
  std::vector<DataRun> runs;
  std::int64_t valid_bytes = 0;
};

// Finds the first unnamed $BITMAP of a fixed-up record 0. False when it has
// none (it may sit in an extension record behind an attribute list) or the
// attribute is damaged (a run list that does not decode, negative sizes).
bool FindMftBitmap(ByteSpan record, std::int32_t record_size, MftBitmapAttribute& bitmap);

// The first `bytes` bytes of the bitmap: the resident value, or read from the
// volume along its runs. False when the bitmap holds fewer valid bytes, a run
// is sparse or missing where they lie, or a read fails.
bool ReadMftBitmap(RawVolume& volume, const MftBitmapAttribute& bitmap, std::int64_t cluster_size, std::int64_t bytes,
                   std::vector<std::uint8_t>& bits);

// Where each run goes in an image of image_size bytes: sparse runs and runs
// starting at or past the image end are left out, a run reaching past the end
// is cut. False when a run's volume offset cannot be represented (a corrupt
// run list: the caller reads the MFT as one contiguous range instead).
bool PlaceRuns(const std::vector<DataRun>& runs, std::int64_t cluster_size, std::int64_t image_size,
               std::vector<RunPlacement>& placements);

// True when the geometry is one the loader may allocate and read for.
bool VolumeDataIsSane(const NtfsVolumeData& data);

// Where the MFT lives: its record size, how many whole records its valid data
// holds, and where each byte range of it lies on the volume.
struct MftLayout {
  std::int32_t record_size = 0;
  std::int32_t cluster_size = 0;
  std::int64_t record_count = 0;
  std::int64_t mft_bytes = 0;  // the valid data length
  std::uint64_t volume_serial = 0;
  // In MFT (image) order; bytes no placement covers read as zeros.
  std::vector<RunPlacement> placements;
  // Record 0's $BITMAP, one bit per record (bit n % 8 of byte n / 8, set when
  // record n is in use), cut to the records; empty when it was not asked
  // for, or is missing, damaged, short or unreadable.
  std::vector<std::uint8_t> in_use;
};

// Reads record 0 and decodes the layout from the run list of its unnamed
// $DATA; without a usable run list the MFT is taken as one range from
// record 0. With read_bitmap, also record 0's $BITMAP, when it covers every
// record and marks record 0 (otherwise in_use stays empty and the scan reads
// everything). False when the volume is not open, its geometry cannot be told
// or is not sane, or record 0 cannot be read.
bool ReadMftLayout(RawVolume& volume, MftLayout& layout, bool read_bitmap = true);

// The reads that bring MFT bytes [begin, end) in: one per placement they
// touch, in MFT order (image_offset is the MFT offset each read starts at).
std::vector<RunPlacement> PlanReads(const std::vector<RunPlacement>& placements, std::int64_t begin,
                                    std::int64_t end);

// Reads records [first, first + count) of the MFT into buffer (count x record
// size bytes), zero where no run lies. When a read fails the window is read
// again record by record; a record that still cannot be read is left zero
// (it parses as nothing), its volume bytes are appended to `unreadable`
// (adjacent ranges merged) and it is counted. Returns that count. A window
// that lies wholly past the end of the source is counted without a read, and
// its buffer is not written: every one of its records is lost. The bytes
// read from the volume are added to *bytes_read when it is given.
std::int64_t ReadMftWindow(RawVolume& volume, const MftLayout& layout, std::int64_t first, std::int64_t count,
                           std::uint8_t* buffer, std::vector<ByteRange>& unreadable,
                           std::int64_t* bytes_read = nullptr);

// Records [first, first + count) of the MFT mapped from the volume
// (RawVolume::MapCached), when they lie in one run and the volume maps them;
// an empty view otherwise (read them with ReadMftWindow). The bytes mapped
// are added to *bytes_read when it is given.
MappedView MapMftWindow(RawVolume& volume, const MftLayout& layout, std::int64_t first, std::int64_t count,
                        std::int64_t* bytes_read = nullptr);

}  // namespace tw
