#pragma once
// Finding the NTFS volume inside a scan source. A source that starts with an
// NTFS boot sector is a volume and is used whole; otherwise it is read as a
// whole disk with an MBR (primary partitions and the logical ones in the
// chain of extended tables; type 0xEE leads on to the GPT) or a GUID
// partition table. The partition's own boot sector decides whether it is
// NTFS, not the type byte or GUID, which tools do not always set.
//
// Partitions are numbered as sleuthkit's `mmls -a` lists them: every MBR
// entry of non-zero length, primary or logical (an extended partition only
// holds the tables of the logical ones and is not listed itself), and every
// GPT entry whose first sector is not 0, in order of their first sector,
// counting from 1.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/boot_sector.h"

namespace tw {

// The chain of extended tables is followed through at most this many tables;
// a table met twice ends it.
inline constexpr std::int32_t kMaxExtendedTables = 1024;

// True when [offset, offset + length) lies inside the extent (any range at a
// non-negative offset when the extent's length is unknown).
bool ExtentHolds(const PartitionExtent& extent, std::int64_t offset, std::size_t length);

// The partitions the table lists, numbered in order, with their offset and
// length as the table gives them (they may lie partly or wholly past the end
// of the source; an entry that cannot be placed has length 0). Empty when
// the first sector holds no partition table.
std::vector<PartitionExtent> ListPartitions(const VolumeReadFunction& read);

// partition: the 1-based number as listed; 0 = the first partition with an
// NTFS boot sector, or the whole source when it starts with one. source_size
// is the size of the source in bytes (0 when unknown). A partition that runs
// past the end of the source is taken up to that end, with listed_length
// set, when its boot sector and its MFT lie inside. False when nothing
// fitting is found.
bool FindNtfsPartition(const VolumeReadFunction& read, std::int64_t source_size, std::int32_t partition,
                       PartitionExtent& extent);

}  // namespace tw
