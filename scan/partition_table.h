#pragma once
// Finding the NTFS volume inside a scan source. A source that starts with an
// NTFS boot sector is a volume and is used whole; otherwise it is read as a
// whole disk with an MBR (primary partitions; type 0xEE leads on to the GPT)
// or a GUID partition table. The partition's own boot sector decides whether
// it is NTFS, not the type byte or GUID, which tools do not always set.

#include <cstddef>
#include <cstdint>

#include "scan/boot_sector.h"

namespace tw {

struct PartitionExtent {
  std::int64_t offset = 0;  // bytes from the start of the source
  std::int64_t length = 0;  // bytes; 0 when unknown (a whole source of unknown size)
};

// True when [offset, offset + length) lies inside the extent (any range at a
// non-negative offset when the extent's length is unknown).
bool ExtentHolds(const PartitionExtent& extent, std::int64_t offset, std::size_t length);

// partition: 1-based number in the table (MBR slots 1-4, GPT entry index + 1);
// 0 = the first partition with an NTFS boot sector, or the whole source when
// it starts with one. source_size is the size of the source in bytes (0 when
// unknown). False when nothing fitting is found.
bool FindNtfsPartition(const VolumeReadFunction& read, std::int64_t source_size, std::int32_t partition,
                       PartitionExtent& extent);

}  // namespace tw
