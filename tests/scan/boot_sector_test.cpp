#include "scan/boot_sector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scan/memory_volume.h"
#include "scan/mft_loader.h"
#include "scan/volume_bytes.h"
#include "support/mft_image.h"

namespace tw {
namespace {

using test::BootSector;
using test::BootSectorSpec;

bool Parse(const BootSectorSpec& spec, BootSectorInfo& info) {
  const auto sector = BootSector(spec);
  return ParseBootSector(ByteSpan(sector.data(), sector.size()), info);
}

TEST(BootSector, DecodesGeometry) {
  BootSectorInfo info;
  ASSERT_TRUE(
      Parse({.bytes_per_sector = 512, .sectors_per_cluster = 8, .total_sectors = 524287, .mft_lcn = 21845}, info));
  EXPECT_EQ(info.bytes_per_cluster, 4096u);
  EXPECT_EQ(info.bytes_per_record, 1024u);
  EXPECT_EQ(info.mft_start_lcn, 21845);
  EXPECT_EQ(info.volume_size, 524287 * 512);
}

TEST(BootSector, ClusterAndRecordEncodings) {
  BootSectorInfo info;
  // 0xF8 = 256 - 8: 2^8 sectors per cluster, 128 KiB clusters.
  ASSERT_TRUE(Parse({.sectors_per_cluster = 0xF8, .total_sectors = 1 << 20, .mft_lcn = 2}, info));
  EXPECT_EQ(info.bytes_per_cluster, 128u << 10);
  // 0x80 is a plain count: 128 sectors of 512 bytes.
  ASSERT_TRUE(Parse({.sectors_per_cluster = 0x80, .total_sectors = 1 << 20, .mft_lcn = 2}, info));
  EXPECT_EQ(info.bytes_per_cluster, 64u << 10);
  // A positive clusters-per-record count: one 4 KiB cluster per record (4Kn disks).
  ASSERT_TRUE(Parse({.bytes_per_sector = 4096, .sectors_per_cluster = 1, .clusters_per_record = 1}, info));
  EXPECT_EQ(info.bytes_per_record, 4096u);
  EXPECT_EQ(info.volume_size, 2048 * 4096);
}

TEST(BootSector, RejectsAbsurdValues) {
  BootSectorInfo info;
  EXPECT_FALSE(Parse({.oem = "MSDOS5.0"}, info));            // a FAT volume
  EXPECT_FALSE(Parse({.sectors_per_cluster = 0}, info));     // cluster size 0
  EXPECT_FALSE(Parse({.sectors_per_cluster = 3}, info));     // not a power of two
  EXPECT_FALSE(Parse({.sectors_per_cluster = 0xF0}, info));  // 2^16 sectors: 32 MiB clusters
  EXPECT_FALSE(Parse({.bytes_per_sector = 0}, info));
  EXPECT_FALSE(Parse({.bytes_per_sector = 520}, info));
  EXPECT_FALSE(Parse({.clusters_per_record = -17}, info));  // 128 KiB records
  EXPECT_FALSE(Parse({.clusters_per_record = -7}, info));   // 128-byte records
  EXPECT_FALSE(Parse({.clusters_per_record = 0}, info));
  EXPECT_FALSE(Parse({.clusters_per_record = 32}, info));  // 32 clusters of 4 KiB
  EXPECT_FALSE(Parse({.total_sectors = 0}, info));
  EXPECT_FALSE(Parse({.total_sectors = -5}, info));
  EXPECT_FALSE(Parse({.mft_lcn = 256}, info));  // record 0 past the volume end
  EXPECT_FALSE(Parse({.mft_lcn = -1}, info));
  EXPECT_FALSE(Parse({.total_sectors = INT64_MAX / 256}, info));  // byte size overflows
  const auto sector = BootSector({});
  EXPECT_FALSE(ParseBootSector(ByteSpan(sector.data(), 100), info));  // truncated
}

std::vector<std::uint8_t> Record0(std::int64_t allocated, std::int64_t data_size, std::int64_t valid,
                                  std::int64_t lowest_vcn = 0) {
  test::AttributeSpec data;
  data.runs = test::EncodeRuns({{16, 4}});
  data.allocated = allocated;
  data.data_size = data_size;
  data.valid_size = valid;
  data.lowest_vcn = lowest_vcn;
  return test::Record(1024, {test::Attribute(data)});
}

TEST(MftLengthFromRecord0, TakesTheValidDataLength) {
  std::int64_t length = 0;
  auto record = Record0(65536, 61440, 61440);
  ASSERT_TRUE(MftLengthFromRecord0(ByteSpan(record.data(), record.size()), length));
  EXPECT_EQ(length, 61440);
  record = Record0(65536, 61440, 30720);  // a shorter initialised part is what is valid
  ASSERT_TRUE(MftLengthFromRecord0(ByteSpan(record.data(), record.size()), length));
  EXPECT_EQ(length, 30720);
  for (const auto& bad : {Record0(65536, 61440, 0), Record0(65536, 61440, 61441), Record0(4096, 61440, 61440),
                          Record0(65536, 61440, 61440, 8)}) {
    EXPECT_FALSE(MftLengthFromRecord0(ByteSpan(bad.data(), bad.size()), length));
  }
}

// A small NTFS volume: boot sector, record 0 at cluster 4 (4 KiB clusters).
std::vector<std::uint8_t> TinyVolume(std::int64_t mft_valid) {
  std::vector<std::uint8_t> bytes(64 * 4096, 0);
  const auto boot = BootSector({.total_sectors = 512, .mft_lcn = 4});
  std::copy(boot.begin(), boot.end(), bytes.begin());
  const auto record = Record0(std::max<std::int64_t>(16 * 4096, mft_valid), mft_valid, mft_valid);
  std::copy(record.begin(), record.end(), bytes.begin() + 4 * 4096);
  return bytes;
}

TEST(DeriveNtfsVolumeData, FromBootSectorAndRecordZero) {
  MemoryVolume volume(TinyVolume(16 * 1024));
  NtfsVolumeData data;
  ASSERT_TRUE(volume.QueryVolumeData(data));
  EXPECT_EQ(data.bytes_per_cluster, 4096u);
  EXPECT_EQ(data.bytes_per_record, 1024u);
  EXPECT_EQ(data.mft_start_lcn, 4);
  EXPECT_EQ(data.mft_valid_data_length, 16 * 1024);
  EXPECT_EQ(data.volume_size, 512 * 512);  // the boot sector's size, smaller than the source
  // And the loader takes it from there.
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  ASSERT_TRUE(test::ReadMftBytes(volume, image, record_size));
  EXPECT_EQ(image.size(), 16u * 1024);
}

TEST(DeriveNtfsVolumeData, FailsOnForeignOrTruncatedVolumes) {
  NtfsVolumeData data;
  auto fat = TinyVolume(8192);
  std::memcpy(fat.data() + 3, "MSDOS5.0", 8);
  EXPECT_FALSE(MemoryVolume(fat).QueryVolumeData(data));
  auto huge = TinyVolume(std::int64_t{1} << 40);  // an MFT longer than the volume
  EXPECT_FALSE(MemoryVolume(huge).QueryVolumeData(data));
  auto cut = TinyVolume(8192);
  cut.resize(4 * 4096 + 512);  // record 0 cut short by the end of the source
  EXPECT_FALSE(MemoryVolume(cut).QueryVolumeData(data));
  auto no_record = TinyVolume(8192);
  no_record[4 * 4096] = 'X';
  EXPECT_FALSE(MemoryVolume(no_record).QueryVolumeData(data));
}

}  // namespace
}  // namespace tw
