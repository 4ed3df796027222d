#include "scan/partition_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "scan/memory_volume.h"
#include "scan/volume_bytes.h"

namespace tw {
namespace {

using test::PutLe;

// A disk of `sectors` 512-byte sectors with NTFS boot sectors placed by tests.
struct Disk {
  explicit Disk(std::size_t sectors) : bytes(sectors * 512, 0) {}

  void Mbr() {
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
  }
  void MbrEntry(int slot, std::uint8_t type, std::uint32_t start, std::uint32_t count) {
    const std::size_t at = 446 + 16 * static_cast<std::size_t>(slot - 1);
    bytes[at + 4] = type;
    PutLe(bytes, at + 8, start, 4);
    PutLe(bytes, at + 12, count, 4);
  }
  void Ntfs(std::size_t sector) {
    const auto boot = test::BootSector({});
    std::memcpy(bytes.data() + sector * 512, boot.data(), boot.size());
  }
  // Protective MBR, GPT header at LBA 1, entries at LBA 2 (128 bytes each).
  void Gpt(std::uint32_t entries) {
    Mbr();
    MbrEntry(1, 0xEE, 1, static_cast<std::uint32_t>(bytes.size() / 512 - 1));
    std::memcpy(bytes.data() + 512, "EFI PART", 8);
    PutLe(bytes, 512 + 72, 2, 8);
    PutLe(bytes, 512 + 80, entries, 4);
    PutLe(bytes, 512 + 84, 128, 4);
  }
  void GptEntry(int index, std::uint64_t first, std::uint64_t last) {
    static const std::uint8_t kBasicData[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                                0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    const std::size_t at = 1024 + 128 * static_cast<std::size_t>(index - 1);
    std::memcpy(bytes.data() + at, kBasicData, 16);
    PutLe(bytes, at + 32, first, 8);
    PutLe(bytes, at + 40, last, 8);
  }

  bool Find(std::int32_t partition, PartitionExtent& extent) {
    MemoryVolume source(bytes);
    const auto read = [&source](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
      return source.ReadAt(offset, destination, length);
    };
    return FindNtfsPartition(read, static_cast<std::int64_t>(bytes.size()), partition, extent);
  }

  std::vector<std::uint8_t> bytes;
};

TEST(FindNtfsPartition, BareVolumeIsUsedWhole) {
  Disk disk(64);
  disk.Ntfs(0);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));
  EXPECT_EQ(extent.offset, 0);
  EXPECT_EQ(extent.length, 64 * 512);
  EXPECT_FALSE(disk.Find(1, extent));  // a volume has no partitions to choose
}

TEST(FindNtfsPartition, MbrFirstNtfsPartitionOrTheChosenOne) {
  Disk disk(1024);
  disk.Mbr();
  disk.MbrEntry(1, 0x0C, 64, 64);    // FAT32: no NTFS boot sector
  disk.MbrEntry(2, 0x07, 128, 256);  // NTFS
  disk.MbrEntry(4, 0x07, 512, 256);  // NTFS too
  disk.Ntfs(128);
  disk.Ntfs(512);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));
  EXPECT_EQ(extent.offset, 128 * 512);
  EXPECT_EQ(extent.length, 256 * 512);
  // Numbered as listed: the empty slot 3 is not, so slot 4 is partition 3.
  ASSERT_TRUE(disk.Find(3, extent));
  EXPECT_EQ(extent.offset, 512 * 512);
  EXPECT_EQ(extent.number, 3);
  EXPECT_FALSE(disk.Find(1, extent));  // chosen, but not NTFS
  EXPECT_FALSE(disk.Find(4, extent));  // only three are listed
  EXPECT_FALSE(disk.Find(-1, extent));
}

TEST(FindNtfsPartition, TypeByteDoesNotDecide) {
  Disk disk(512);
  disk.Mbr();
  disk.MbrEntry(1, 0x83, 100, 200);  // labelled Linux, holds NTFS
  disk.Ntfs(100);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));
  EXPECT_EQ(extent.offset, 100 * 512);
}

TEST(FindNtfsPartition, PartitionsOutsideTheSourceAreSkipped) {
  Disk disk(512);
  disk.Mbr();
  disk.MbrEntry(1, 0x07, 400, 200);  // runs past the end of the source
  disk.MbrEntry(2, 0x07, 0, 100);    // starts at the table itself
  disk.MbrEntry(3, 0x07, 200, 100);
  disk.Ntfs(200);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));
  EXPECT_EQ(extent.offset, 200 * 512);
  EXPECT_FALSE(disk.Find(1, extent));
}

TEST(FindNtfsPartition, GptEntries) {
  Disk disk(2048);
  disk.Gpt(128);
  disk.GptEntry(1, 40, 99);     // not NTFS
  disk.GptEntry(3, 300, 1299);  // NTFS (entry 2 unused)
  disk.Ntfs(300);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));
  EXPECT_EQ(extent.offset, 300 * 512);
  EXPECT_EQ(extent.length, 1000 * 512);
  // Unused entry 2 is not listed: entry 3 is partition 2.
  ASSERT_TRUE(disk.Find(2, extent));
  EXPECT_EQ(extent.offset, 300 * 512);
  EXPECT_FALSE(disk.Find(3, extent));
}

TEST(FindNtfsPartition, RejectsBrokenTables) {
  Disk none(64);  // no signature, no NTFS id
  PartitionExtent extent;
  EXPECT_FALSE(none.Find(0, extent));

  Disk gpt(2048);
  gpt.Gpt(100000);  // absurd entry count
  gpt.GptEntry(1, 300, 1299);
  gpt.Ntfs(300);
  EXPECT_FALSE(gpt.Find(0, extent));

  Disk reversed(2048);
  reversed.Gpt(4);
  reversed.GptEntry(1, 1299, 300);  // last before first
  reversed.Ntfs(1299);
  EXPECT_FALSE(reversed.Find(0, extent));

  Disk no_header(2048);
  no_header.Mbr();
  no_header.MbrEntry(1, 0xEE, 1, 2047);  // protective MBR, but no GPT header
  no_header.Ntfs(300);
  EXPECT_FALSE(no_header.Find(0, extent));
}

}  // namespace
}  // namespace tw
