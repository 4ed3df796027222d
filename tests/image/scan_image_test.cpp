// Whole scans of real NTFS volumes (the committed mkntfs/ntfs-3g volumes and
// the Windows-formatted fixtures) checked against sleuthkit's fls: every file
// fls lists is a file of the result with fls's size, every folder a folder,
// and the result is the same with one, two or eight threads. Only records
// flagged with header bit 2 (Windows marks the $Extend metadata so) are left
// out by design; they are told apart here from the MFT itself. Files whose
// name sits behind a non-resident $ATTRIBUTE_LIST are found through their
// extension records and must be there.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/scan_driver.h"
#include "scan/attribute_walk.h"
#include "scan/boot_sector.h"
#include "scan/mft_loader.h"
#include "scan/partition_table.h"
#include "support/disk_image.h"
#include "support/fls_listing.h"
#include "support/mft_image.h"
#include "support/process_run.h"
#include "support/test_images.h"

namespace tw {
namespace {

ScanResult Scan(const std::string& path, std::int32_t threads, std::int32_t partition = 0,
                PartitionExtent* placement = nullptr) {
  ScanOptions options;
  options.threads = threads;
  options.partition = partition;
  options.placement = placement;
  return ScanSourceMft(path, L"C", nullptr, options);
}

std::map<std::int64_t, const FileItem*> FilesById(const ScanResult& result) {
  std::map<std::int64_t, const FileItem*> files;
  for (const FileItem& f : result.files) files[f.id] = &f;
  return files;
}

// A digest of everything a result holds but completion-order details: the
// folders by id (parent, name, totals, counts) and the files by id (folder,
// name, sizes). FNV-1a over the fields in that order.
class Digest {
 public:
  void Add(std::int64_t v) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
  }
  void Add(const std::wstring& text) {
    Add(static_cast<std::int64_t>(text.size()));
    for (const wchar_t c : text) Add(static_cast<std::int64_t>(c));
  }
  std::uint64_t value() const { return hash_; }

 private:
  void Byte(std::uint8_t b) { hash_ = (hash_ ^ b) * 0x100000001b3ULL; }
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

std::uint64_t DigestOf(const ScanResult& result) {
  Digest digest;
  std::map<std::int64_t, const DirNode*> folders;
  for (const DirNode& node : result.folders) folders[node.id] = &node;
  for (const auto& [id, node] : folders) {
    digest.Add(id);
    digest.Add(node->parent_id);
    digest.Add(result.NameText(*node));
    for (const std::int64_t v : {node->total_size, node->total_alloc, node->direct_size, node->direct_alloc}) {
      digest.Add(v);
    }
    digest.Add(node->total_file_count);
    digest.Add(node->total_folder_count);
  }
  std::map<std::int64_t, std::pair<std::int64_t, const FileItem*>> files;
  for (const FileItem& f : result.files) files[f.id] = {result.FolderId(f), &f};
  for (const auto& [id, file] : files) {
    digest.Add(id);
    digest.Add(file.first);
    digest.Add(result.NameText(*file.second));
    digest.Add(file.second->size);
    digest.Add(file.second->alloc);
  }
  digest.Add(result.file_count);
  digest.Add(result.folder_count);
  return digest.value();
}

// Records fls lists that the scan leaves out by design: header flag bit 2.
class Exclusions {
 public:
  explicit Exclusions(const std::string& path) {
    auto volume = OpenSourceVolume(path, 0);
    if (volume) loaded_ = test::ReadMftBytes(*volume, image_, record_size_);
  }
  bool loaded() const { return loaded_; }

  bool Excluded(std::int64_t id) const {
    const auto size = static_cast<std::size_t>(record_size_);
    if (id < 0 || static_cast<std::size_t>(id + 1) * size > image_.size()) return false;
    return (image_[static_cast<std::size_t>(id) * size + kRecordFlagsField] & kRecordExcluded) != 0;
  }

 private:
  std::vector<std::uint8_t> image_;
  std::int32_t record_size_ = 0;
  bool loaded_ = false;
};

void CheckScan(const std::string& path, std::int64_t sector_offset) {
  const ScanResult result = Scan(path, 2);
  const Exclusions exclusions(path);
  ASSERT_TRUE(exclusions.loaded());
  std::vector<test::FlsEntry> listing;
  ASSERT_TRUE(test::ReadFlsListing(path, sector_offset, listing));
  const auto files = FilesById(result);
  std::size_t checked_files = 0, checked_folders = 0, excluded = 0;
  for (const test::FlsEntry& e : listing) {
    if (e.record < 0 || !e.stream.empty()) continue;
    if (exclusions.Excluded(e.record)) {
      ++excluded;
      continue;
    }
    if (e.type == 'd') {
      EXPECT_NE(result.FindFolder(e.record), nullptr) << e.path;
      ++checked_folders;
    } else if (e.type == 'r' && e.attribute_type == 128) {
      const auto found = files.find(e.record);
      if (found == files.end()) {
        ADD_FAILURE() << "missing file " << e.path << " (record " << e.record << ")";
        continue;
      }
      EXPECT_EQ(found->second->size, e.size) << e.path;
      ++checked_files;
    }
  }
  EXPECT_GT(checked_files, 0u);
  EXPECT_GT(checked_folders, 0u);
  EXPECT_LT(excluded, 10u);
  const std::uint64_t digest = DigestOf(result);
  for (const std::int32_t threads : {1, 8}) {
    const ScanResult other = Scan(path, threads);
    EXPECT_EQ(other.file_count, result.file_count) << threads << " threads";
    EXPECT_EQ(DigestOf(other), digest) << threads << " threads";
  }
  // Reads planned from the MFT's bitmap, and every record read: one result.
  ScanTimings planned;
  ScanTimings full;
  ScanOptions options;
  options.timings = &planned;
  EXPECT_EQ(DigestOf(ScanSourceMft(path, L"C", nullptr, options)), digest);
  options.use_bitmap = false;
  options.timings = &full;
  EXPECT_EQ(DigestOf(ScanSourceMft(path, L"C", nullptr, options)), digest);
  EXPECT_GT(planned.mft_bytes_read, 0);
  EXPECT_LE(planned.mft_bytes_read, full.mft_bytes_read);
  EXPECT_LE(full.mft_bytes_read, full.mft_bytes);
}

TEST(ScanImage, CommittedVolumesMatchFls) {
  const auto volumes = test::CommittedVolumes();
  ASSERT_FALSE(volumes.empty()) << "no test volumes in " << test::TestDataDir();
  for (const auto& compressed : volumes) {
    SCOPED_TRACE(test::ImageName(compressed));
    test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    CheckScan(image.path(), 0);
  }
}

TEST(ScanImage, FixturesMatchFls) {
  const auto fixtures = test::FixtureImages();
  if (fixtures.empty()) GTEST_SKIP() << "no fixtures in " << test::FixturesDir();
  for (const auto& compressed : fixtures) {
    SCOPED_TRACE(test::ImageName(compressed));
    test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    CheckScan(image.path(), test::kFixturePartitionSector);
  }
}

// ---- Whole disks around a committed volume ---------------------------------

constexpr std::uint32_t kTreeSectors = 32 * 1024 * 1024 / 512;  // tree.img: 32 MiB

// The partitions `mmls -a` lists: first sector and length in sectors.
std::vector<std::pair<std::int64_t, std::int64_t>> MmlsListing(const std::string& image) {
  const test::ProcessOutcome run = test::RunShell("mmls -a " + test::ShellQuote(image));
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::pair<std::int64_t, std::int64_t>> listed;
  const std::regex row(R"(^\d+:\s+\S+\s+(\d+)\s+(\d+)\s+(\d+)\s)");
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, row)) listed.emplace_back(std::stoll(m[1]), std::stoll(m[3]));
  }
  return listed;
}

// What the partition table code lists for the image, in the same terms.
std::vector<std::pair<std::int64_t, std::int64_t>> OurListing(const std::string& image) {
  const int fd = ::open(image.c_str(), O_RDONLY);
  const auto read = [fd](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
    return ::pread(fd, destination, length, offset) == static_cast<ssize_t>(length);
  };
  std::vector<std::pair<std::int64_t, std::int64_t>> listed;
  for (const PartitionExtent& p : ListPartitions(read)) listed.emplace_back(p.offset / 512, p.length / 512);
  ::close(fd);
  return listed;
}

ScanError ErrorOfScan(const std::string& image, std::int32_t partition) {
  try {
    Scan(image, 2, partition);
  } catch (const ScanFailure& failure) {
    return failure.error();
  }
  return ScanError::kNone;
}

class WholeDisk : public testing::Test {
 protected:
  void SetUp() override {
    disk_ = (std::filesystem::temp_directory_path() / ("tw_disk_" + std::to_string(getpid()) + ".raw")).string();
    ASSERT_FALSE(volume_.path().empty());
  }
  void TearDown() override { std::filesystem::remove(disk_); }

  test::UnpackedImage volume_{test::TestDataDir() + "/tree.img.xz"};
  std::string disk_;
};

// A FAT primary partition, then an extended one whose chain of two tables
// holds a Linux logical partition and the NTFS volume: found, numbered as
// mmls numbers it, and read as fls reads it.
TEST_F(WholeDisk, ALogicalPartitionIsFoundAndMatchesFls) {
  const std::uint64_t sectors = 18432 + kTreeSectors;
  const std::vector<test::PartitionTable> tables = {
      {0, {{1, 0x0C, 2048, 2048}, {2, 0x05, 8192, static_cast<std::uint32_t>(sectors - 8192)}}},
      {8192, {{1, 0x83, 2048, 2048}, {2, 0x05, 8192, kTreeSectors + 2048}}},
      {16384, {{1, 0x07, 2048, kTreeSectors}}},
  };
  ASSERT_TRUE(test::WriteDiskImage(disk_, tables, volume_.path(), 18432, sectors));
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
      {2048, 2048}, {10240, 2048}, {18432, kTreeSectors}};
  EXPECT_EQ(MmlsListing(disk_), expected);
  EXPECT_EQ(OurListing(disk_), expected);
  CheckScan(disk_, 18432);
  EXPECT_EQ(DigestOf(Scan(disk_, 2, 3)), DigestOf(Scan(volume_.path(), 2)));
  for (const std::int32_t other : {1, 2, 4}) EXPECT_EQ(ErrorOfScan(disk_, other), ScanError::kNoSuchPartition) << other;

  // The last table linking back to the first: a loop, read once.
  std::vector<test::PartitionTable> looped = tables;
  looped[2].entries.push_back({2, 0x05, 0, 2048});
  ASSERT_TRUE(test::WriteDiskImage(disk_, looped, volume_.path(), 18432, sectors));
  EXPECT_EQ(OurListing(disk_), expected);
  EXPECT_EQ(MmlsListing(disk_), expected);
  EXPECT_EQ(DigestOf(Scan(disk_, 2)), DigestOf(Scan(volume_.path(), 2)));
}

// A partition entry four times longer than what the image holds, whose
// volume is whole inside it: read up to the end of the image, as fls reads
// it, with the entry's length told.
TEST_F(WholeDisk, APartitionRunningPastTheEndIsCutToTheImage) {
  const std::uint64_t sectors = 2048 + kTreeSectors;
  const std::vector<test::PartitionTable> tables = {{0, {{1, 0x07, 2048, 4 * kTreeSectors}}}};
  ASSERT_TRUE(test::WriteDiskImage(disk_, tables, volume_.path(), 2048, sectors));
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {{2048, 4 * std::int64_t{kTreeSectors}}};
  EXPECT_EQ(MmlsListing(disk_), expected);
  EXPECT_EQ(OurListing(disk_), expected);
  CheckScan(disk_, 2048);
  PartitionExtent placement;
  EXPECT_EQ(DigestOf(Scan(disk_, 2, 1, &placement)), DigestOf(Scan(volume_.path(), 2)));
  EXPECT_EQ(placement.number, 1);
  EXPECT_EQ(placement.offset, 2048 * 512);
  EXPECT_EQ(placement.length, std::int64_t{kTreeSectors} * 512);
  EXPECT_EQ(placement.listed_length, 4 * std::int64_t{kTreeSectors} * 512);

  // Cut inside the MFT instead: the volume is not wholly there, and is not taken.
  std::uint8_t boot[kBootSectorSize];
  const int fd = ::open(volume_.path().c_str(), O_RDONLY);
  ASSERT_EQ(::pread(fd, boot, sizeof boot, 0), static_cast<ssize_t>(sizeof boot));
  ::close(fd);
  BootSectorInfo info;
  ASSERT_TRUE(ParseBootSector(ByteSpan(boot, sizeof boot), info));
  const std::int64_t mft = info.mft_start_lcn * info.bytes_per_cluster;
  ASSERT_TRUE(test::WriteDiskImage(disk_, tables, volume_.path(), 2048,
                                   2048 + static_cast<std::uint64_t>(mft + 4 * info.bytes_per_record) / 512));
  EXPECT_EQ(ErrorOfScan(disk_, 0), ScanError::kNotNtfs);
}

}  // namespace
}  // namespace tw
