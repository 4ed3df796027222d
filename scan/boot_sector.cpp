#include "scan/boot_sector.h"

#include <cstring>
#include <vector>

#include "base/arithmetic.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/ntfs_layout.h"

namespace tw {
namespace {

}  // namespace

bool HasNtfsId(ByteSpan sector) {
  constexpr std::size_t length = sizeof kBootOemId - 1;
  return Fits(sector, kBootOemIdField, length) && std::memcmp(sector.data + kBootOemIdField, kBootOemId, length) == 0;
}

bool ParseBootSector(ByteSpan sector, BootSectorInfo& info) {
  if (sector.size < kBootSectorSize || !HasNtfsId(sector)) return false;
  const std::uint32_t sector_size = ReadU16(sector, kBootBytesPerSectorField);
  if (!IsPowerOfTwo(sector_size) || sector_size < 256 || sector_size > 4096) return false;

  const std::uint8_t spc = ReadU8(sector, kBootSectorsPerClusterField);
  std::uint64_t sectors_per_cluster = spc;
  if (spc > 0x80) {
    const unsigned shift = 256u - spc;
    if (shift > 20) return false;
    sectors_per_cluster = std::uint64_t{1} << shift;
  }
  const std::uint64_t cluster = sectors_per_cluster * sector_size;
  if (!IsPowerOfTwo(cluster) || cluster < kMinClusterSize || cluster > kMaxClusterSize) return false;

  const auto per_record = static_cast<std::int8_t>(ReadU8(sector, kBootClustersPerRecordField));
  std::uint64_t record = 0;
  if (per_record > 0) {
    record = cluster * static_cast<std::uint64_t>(per_record);
  } else if (per_record < 0 && per_record >= -31) {
    record = std::uint64_t{1} << -per_record;
  }
  if (!IsPowerOfTwo(record) || record < kMinRecordSize || record > kMaxRecordSize) return false;

  const std::int64_t total_sectors = ReadI64(sector, kBootTotalSectorsField);
  const std::int64_t mft_lcn = ReadI64(sector, kBootMftLcnField);
  std::int64_t volume_size = 0;
  if (total_sectors <= 0 || __builtin_mul_overflow(total_sectors, std::int64_t{sector_size}, &volume_size)) {
    return false;
  }
  // Record 0 must lie inside the volume.
  std::int64_t mft_offset = 0;
  if (mft_lcn < 0 || __builtin_mul_overflow(mft_lcn, static_cast<std::int64_t>(cluster), &mft_offset) ||
      mft_offset > volume_size - static_cast<std::int64_t>(record)) {
    return false;
  }
  info.bytes_per_sector = sector_size;
  info.bytes_per_cluster = static_cast<std::uint32_t>(cluster);
  info.bytes_per_record = static_cast<std::uint32_t>(record);
  info.total_sectors = total_sectors;
  info.mft_start_lcn = mft_lcn;
  info.volume_size = volume_size;
  info.volume_serial = ReadU64(sector, kBootVolumeSerialField);
  return true;
}

bool MftLengthFromRecord0(ByteSpan record, std::int64_t& length) {
  ByteSpan attribute;
  if (record.size > static_cast<std::size_t>(kMaxRecordSize)) return false;
  if (!FindUnnamedDataAttribute(record, static_cast<std::int32_t>(record.size), attribute)) return false;
  if (!Fits(attribute, kAttrValidSizeField, 8)) return false;
  // Sizes are only recorded in the extent that starts the attribute.
  if (ReadI64(attribute, kAttrLowestVcnField) != 0) return false;
  const std::int64_t allocated = ReadI64(attribute, kAttrAllocatedSizeField);
  const std::int64_t data_size = ReadI64(attribute, kAttrDataSizeField);
  const std::int64_t valid = ReadI64(attribute, kAttrValidSizeField);
  if (valid <= 0 || valid > data_size || data_size > allocated) return false;
  length = valid;
  return true;
}

bool DeriveNtfsVolumeData(const VolumeReadFunction& read, NtfsVolumeData& data) {
  std::uint8_t sector[kBootSectorSize];
  if (!read(0, sector, sizeof sector)) return false;
  BootSectorInfo info;
  if (!ParseBootSector(ByteSpan(sector, sizeof sector), info)) return false;
  const std::int64_t volume_size = info.volume_size;

  const std::int64_t mft_offset = info.mft_start_lcn * static_cast<std::int64_t>(info.bytes_per_cluster);
  if (mft_offset > volume_size - static_cast<std::int64_t>(info.bytes_per_record)) return false;
  std::vector<std::uint8_t> record(info.bytes_per_record);
  if (!read(mft_offset, record.data(), record.size())) return false;
  ApplyFixups(MutableSpan{record.data(), record.size()});
  std::int64_t length = 0;
  if (!MftLengthFromRecord0(ByteSpan(record.data(), record.size()), length)) return false;
  if (length > volume_size) return false;

  data.bytes_per_cluster = info.bytes_per_cluster;
  data.bytes_per_record = info.bytes_per_record;
  data.mft_valid_data_length = length;
  data.mft_start_lcn = info.mft_start_lcn;
  data.volume_size = volume_size;
  data.volume_serial = info.volume_serial;
  return true;
}

}  // namespace tw
