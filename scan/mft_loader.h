#pragma once
// Reading the MFT.
//
// Record 0 describes the MFT itself: the run list of its unnamed $DATA says
// where each fragment of the MFT lives on the volume. ReadMftLayout reads
// record 0 and decodes that run list; ReadMftWindow then reads any range of
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
  std::int64_t record_count = 0;
  std::int64_t mft_bytes = 0;  // the valid data length
  std::uint64_t volume_serial = 0;
  // In MFT (image) order; bytes no placement covers read as zeros.
  std::vector<RunPlacement> placements;
};

// Reads record 0 and decodes the layout from the run list of its unnamed
// $DATA; without a usable run list the MFT is taken as one range from
// record 0. False when the volume is not open, its geometry cannot be told or
// is not sane, or record 0 cannot be read.
bool ReadMftLayout(RawVolume& volume, MftLayout& layout);

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
// its buffer is not written: every one of its records is lost.
std::int64_t ReadMftWindow(RawVolume& volume, const MftLayout& layout, std::int64_t first, std::int64_t count,
                           std::uint8_t* buffer, std::vector<ByteRange>& unreadable);

}  // namespace tw
