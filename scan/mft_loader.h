#pragma once
// Loading the whole MFT into one memory image.
//
// Record 0 describes the MFT itself: the run list of its unnamed $DATA says
// where each fragment of the MFT lives on the volume. ReadMft reads record 0,
// decodes that run list and reads every fragment into its place in a
// zero-filled image of the MFT's valid data length. The decoding and the
// placement are pure functions over bytes; the disk is reached only through
// RawVolume, so all of it runs against a memory volume in tests.

#include <cstdint>
#include <vector>

#include "scan/byte_reader.h"
#include "scan/image_buffer.h"
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

// True when an MFT image of mft_length bytes fits in memory_bytes of physical
// memory (0: unknown, no bound).
bool MftFitsInMemory(std::int64_t mft_length, std::int64_t memory_bytes);

// Loads the MFT image (exactly the valid data length, zero where no run
// covers it) and the record size. record_size is set as soon as the volume
// data is known, also when the load then fails. False on any failure; the
// image is then empty. Geometry that is not sane, or an MFT larger than this
// machine's physical memory, fails before the image is allocated.
// The image memory is written once, by the reads (see image_buffer.h).
bool ReadMft(RawVolume& volume, ImageBuffer& image, std::int32_t& record_size);

}  // namespace tw
