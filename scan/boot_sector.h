#pragma once
// The NTFS volume data derived from the volume itself, for platforms and
// volumes where the system will not answer the volume-data query: the boot
// sector gives the geometry and the MFT's first cluster, record 0's unnamed
// $DATA gives the MFT's length. A source without the "NTFS    " id is not
// NTFS (a FAT volume stays rejected).

#include <cstddef>
#include <cstdint>
#include <functional>

#include "scan/byte_reader.h"
#include "scan/ntfs_layout.h"
#include "scan/raw_volume.h"

namespace tw {

// Positioned read used by the derivation: exactly length bytes at offset.
using VolumeReadFunction = std::function<bool(std::int64_t offset, std::uint8_t* destination, std::size_t length)>;

struct BootSectorInfo {
  std::uint32_t bytes_per_sector = 0;
  std::uint32_t bytes_per_cluster = 0;
  std::uint32_t bytes_per_record = 0;
  std::int64_t total_sectors = 0;
  std::int64_t mft_start_lcn = 0;
  std::int64_t volume_size = 0;  // total_sectors × bytes_per_sector
  std::uint64_t volume_serial = 0;
};

// True when the sector carries the NTFS OEM id at offset 3.
bool HasNtfsId(ByteSpan sector);

// Decodes and checks the boot sector: sector size a power of two 256..4096,
// cluster size a power of two 512 B..2 MiB, record size a power of two
// 256 B..64 KiB, a positive sector count, and record 0 inside the volume.
bool ParseBootSector(ByteSpan sector, BootSectorInfo& info);

// The valid data length of the first unnamed non-resident $DATA attribute of
// a fixed-up record 0 (its initialised size, which is what the system reports
// as the MFT's valid data length). False when there is none, when it does not
// start at virtual cluster 0, or when its sizes are inconsistent.
bool MftLengthFromRecord0(ByteSpan record, std::int64_t& length);

// Boot sector at offset 0, then record 0 at the MFT's first cluster. The
// volume size reported is the boot sector's, also when the source is shorter
// (a truncated image scans, losing only the records past its end).
bool DeriveNtfsVolumeData(const VolumeReadFunction& read, NtfsVolumeData& data);

}  // namespace tw
