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

  // An NTFS volume of `sectors` sectors at `sector`: 4 KiB clusters, 1 KiB
  // records, its MFT of `mft_clusters` clusters at cluster 4.
  void Volume(std::size_t sector, std::int64_t sectors, std::int64_t mft_clusters) {
    test::BootSectorSpec spec;
    spec.total_sectors = sectors;
    const auto boot = test::BootSector(spec);
    std::memcpy(bytes.data() + sector * 512, boot.data(), boot.size());
    test::AttributeSpec data;
    data.runs = test::EncodeRuns({{mft_clusters, spec.mft_lcn}});
    data.allocated = data.data_size = data.valid_size = mft_clusters * 4096;
    const auto record = test::Record(1024, {test::Attribute(data)});
    std::memcpy(bytes.data() + sector * 512 + 4 * 4096, record.data(), record.size());
  }
  // An extended table at `sector`: its signature, entries added with Entry.
  void Table(std::size_t sector) {
    bytes[sector * 512 + 510] = 0x55;
    bytes[sector * 512 + 511] = 0xAA;
  }
  void Entry(std::size_t table, int slot, std::uint8_t type, std::uint32_t start, std::uint32_t count) {
    const std::size_t at = table * 512 + 446 + 16 * static_cast<std::size_t>(slot - 1);
    bytes[at + 4] = type;
    PutLe(bytes, at + 8, start, 4);
    PutLe(bytes, at + 12, count, 4);
  }

  std::vector<PartitionExtent> List() {
    MemoryVolume source(bytes);
    return ListPartitions([&source](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
      return source.ReadAt(offset, destination, length);
    });
  }
  // First sectors and lengths in sectors of what List gives, in its order.
  std::vector<std::pair<std::int64_t, std::int64_t>> Sectors() {
    std::vector<std::pair<std::int64_t, std::int64_t>> listed;
    std::int32_t number = 0;
    for (const PartitionExtent& p : List()) {
      EXPECT_EQ(p.number, ++number);
      listed.emplace_back(p.offset / 512, p.length / 512);
    }
    return listed;
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

using Listed = std::vector<std::pair<std::int64_t, std::int64_t>>;

TEST(ListPartitions, LogicalPartitionsAreNumberedWithTheOthersByTheirFirstSector) {
  Disk disk(2048);
  disk.Mbr();
  disk.MbrEntry(1, 0x07, 64, 64);
  disk.MbrEntry(2, 0x05, 1024, 1024);  // extended: the container is not listed
  disk.MbrEntry(4, 0x0C, 512, 64);     // a primary lying before it
  disk.Table(1024);
  disk.Entry(1024, 1, 0x83, 16, 100);   // logical, from its own table: 1040
  disk.Entry(1024, 2, 0x05, 256, 500);  // the next table, from the extended start: 1280
  disk.Table(1280);
  disk.Entry(1280, 3, 0x07, 32, 200);  // a logical in any slot: 1312
  disk.Ntfs(1312);
  EXPECT_EQ(disk.Sectors(), (Listed{{64, 64}, {512, 64}, {1040, 100}, {1312, 200}}));
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(0, extent));  // the first NTFS one
  EXPECT_EQ(extent.offset, 1312 * 512);
  EXPECT_EQ(extent.number, 4);
  ASSERT_TRUE(disk.Find(4, extent));
  EXPECT_EQ(extent.length, 200 * 512);
  EXPECT_FALSE(disk.Find(3, extent));
}

TEST(ListPartitions, EntriesCountAsMmlsCountsThem) {
  Disk disk(1024);
  disk.Mbr();
  disk.MbrEntry(1, 0x00, 100, 50);  // type 0 with a length: listed ("Empty")
  disk.MbrEntry(2, 0x07, 300, 0);   // no length: not listed
  disk.MbrEntry(3, 0x0F, 400, 600);
  disk.Entry(400, 1, 0x07, 10, 20);  // a table without its signature: nothing of it is listed
  disk.MbrEntry(4, 0x07, 0, 10);     // over the table itself: listed, never taken
  EXPECT_EQ(disk.Sectors(), (Listed{{0, 10}, {100, 50}}));
  disk.Ntfs(100);
  PartitionExtent extent;
  ASSERT_TRUE(disk.Find(2, extent));
  EXPECT_FALSE(disk.Find(1, extent));

  Disk gpt(2048);
  gpt.Gpt(8);
  gpt.GptEntry(1, 0, 50);     // first sector 0: unused
  gpt.GptEntry(2, 900, 800);  // ends before it starts: listed, never taken
  gpt.GptEntry(3, 300, 399);
  EXPECT_EQ(gpt.Sectors(), (Listed{{300, 100}, {900, 0}}));
}

TEST(ListPartitions, AChainOfTablesEndsAtALoopOrAtItsBound) {
  Disk looped(1024);
  looped.Mbr();
  looped.MbrEntry(1, 0x05, 100, 900);
  looped.Table(100);
  looped.Entry(100, 1, 0x07, 2, 3);
  looped.Entry(100, 2, 0x05, 50, 10);  // on to 150
  looped.Table(150);
  looped.Entry(150, 1, 0x07, 2, 3);
  looped.Entry(150, 2, 0x05, 0, 10);  // back to 100
  EXPECT_EQ(looped.Sectors(), (Listed{{102, 3}, {152, 3}}));

  // 2,000 tables in a row: the first 1,024 are read.
  Disk chain(4200);
  chain.Mbr();
  chain.MbrEntry(1, 0x05, 100, 4100);
  for (std::uint32_t k = 0; k < 2000; ++k) {
    const std::uint32_t at = 100 + 2 * k;
    chain.Table(at);
    chain.Entry(at, 1, 0x07, 1, 1);
    chain.Entry(at, 2, 0x05, 2 * (k + 1), 2);
  }
  EXPECT_EQ(chain.List().size(), static_cast<std::size_t>(kMaxExtendedTables));
}

TEST(FindNtfsPartition, APartitionPastTheEndIsCutToTheSourceWhenItsVolumeIsInside) {
  // The volume: 1,024 sectors from sector 128, its MFT in clusters 4-7
  // (bytes 16-32 KiB of it); the table claims 100,000 sectors.
  const auto disk = [](std::size_t volume_sectors_present) {
    Disk d(128 + volume_sectors_present);
    d.Mbr();
    d.MbrEntry(1, 0x07, 128, 100000);
    return d;
  };
  Disk whole = disk(1024);
  whole.Volume(128, 1024, 4);
  PartitionExtent extent;
  ASSERT_TRUE(whole.Find(0, extent));
  EXPECT_EQ(extent.offset, 128 * 512);
  EXPECT_EQ(extent.length, 1024 * 512);
  EXPECT_EQ(extent.listed_length, 100000 * 512);
  EXPECT_EQ(extent.number, 1);

  Disk mft_end = disk(64);  // cut where the MFT ends: all of it is there
  mft_end.Volume(128, 1024, 4);
  ASSERT_TRUE(mft_end.Find(1, extent));
  EXPECT_EQ(extent.length, 64 * 512);

  Disk mft_cut = disk(48);  // record 0 there, the MFT's end not
  mft_cut.Volume(128, 1024, 4);
  EXPECT_FALSE(mft_cut.Find(0, extent));

  Disk not_ntfs = disk(1024);
  not_ntfs.Volume(128, 1024, 4);
  not_ntfs.bytes[128 * 512 + 3] = 'X';  // no NTFS id
  EXPECT_FALSE(not_ntfs.Find(0, extent));

  // Within the source, an entry is taken as it stands.
  Disk inside = disk(1024);
  inside.Volume(128, 1024, 4);
  inside.MbrEntry(1, 0x07, 128, 1000);
  ASSERT_TRUE(inside.Find(0, extent));
  EXPECT_EQ(extent.length, 1000 * 512);
  EXPECT_EQ(extent.listed_length, 0);
}

}  // namespace
}  // namespace tw
