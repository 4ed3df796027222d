// Volume access against real NTFS volumes: the committed mkntfs/ntfs-3g test
// volumes and the Windows-formatted fixtures (whole disks with an MBR).

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/raw_volume.h"
#include "support/fls_listing.h"
#include "support/mft_image.h"
#include "support/test_images.h"

namespace tw {
namespace {

// NTFS 3.1 record header: the record's own number (u32 at 44), flags at 22.
constexpr std::size_t kRecordNumber = 44;
constexpr std::size_t kRecordFlags = 22;

struct Loaded {
  NtfsVolumeData data;
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  std::size_t mft_runs = 0;
};

// Opens the source, loads its MFT and decodes record 0's runs.
void Load(const std::string& path, std::int32_t partition, Loaded& out) {
  auto volume = OpenSourceVolume(path, partition);
  ASSERT_TRUE(volume) << path;
  ASSERT_TRUE(volume->QueryVolumeData(out.data));
  ASSERT_TRUE(test::ReadMftBytes(*volume, out.image, out.record_size));
  volume->Close();
  EXPECT_FALSE(volume->IsOpen());
  std::vector<std::uint8_t> record0(out.image.begin(), out.image.begin() + out.record_size);
  ApplyFixups(MutableSpan{record0.data(), record0.size()});
  std::vector<DataRun> runs;
  ParseDataRuns(ByteSpan(record0.data(), record0.size()), out.record_size, runs);
  out.mft_runs = runs.size();
}

// Every fragment landed where it belongs: each record in use names itself
// (mkntfs leaves the reserved records 16-23 formatted, unused and unnumbered),
// and every record fls lists is in the image and in use.
void CheckAgainstFls(const Loaded& loaded, const std::string& image, std::int64_t sector_offset) {
  const ByteSpan span(loaded.image.data(), loaded.image.size());
  const auto count = static_cast<std::int64_t>(loaded.image.size() / static_cast<std::size_t>(loaded.record_size));
  std::int64_t signed_records = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(loaded.record_size);
    if (std::memcmp(loaded.image.data() + at, "FILE", 4) != 0 || !(ReadU16(span, at + kRecordFlags) & 1)) continue;
    ++signed_records;
    ASSERT_EQ(ReadU32(span, at + kRecordNumber), static_cast<std::uint32_t>(i)) << "record " << i;
  }
  std::vector<test::FlsEntry> listing;
  ASSERT_TRUE(test::ReadFlsListing(image, sector_offset, listing));
  std::set<std::int64_t> records;
  for (const auto& e : listing) {
    if (e.type == 'V' || e.record < 0) continue;  // fls's virtual entries
    records.insert(e.record);
    if (e.path == "$MFT" && e.stream.empty() && e.attribute_type == 128) {
      EXPECT_EQ(e.size, static_cast<std::int64_t>(loaded.image.size())) << "MFT length";
    }
  }
  EXPECT_GT(records.size(), 10u);
  for (const std::int64_t r : records) {
    ASSERT_LT(r, count) << "record " << r << " lies beyond the loaded MFT";
    const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(loaded.record_size);
    EXPECT_EQ(std::memcmp(loaded.image.data() + at, "FILE", 4), 0) << "record " << r;
    EXPECT_TRUE(ReadU16(span, at + kRecordFlags) & 1) << "record " << r << " not in use";
  }
  EXPECT_GE(signed_records, static_cast<std::int64_t>(records.size()));
}

TEST(VolumeImage, CommittedVolumesLoadCompletely) {
  const auto volumes = test::CommittedVolumes();
  ASSERT_FALSE(volumes.empty()) << "no test volumes in " << test::TestDataDir();
  // What tools/make_test_volumes.sh asked mkntfs for.
  const std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> geometry = {
      {"tree", {4096, 1024}},        {"fragmented", {4096, 1024}},  {"cluster512", {512, 1024}},
      {"cluster2048", {2048, 1024}}, {"cluster8192", {8192, 1024}}, {"cluster65536", {65536, 1024}},
      {"records4k", {4096, 4096}}};
  for (const auto& compressed : volumes) {
    const std::string name = test::ImageName(compressed);
    SCOPED_TRACE(name);
    test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    Loaded loaded;
    Load(image.path(), 0, loaded);
    if (HasFailure()) return;
    const auto expected = geometry.find(name);
    if (expected != geometry.end()) {
      EXPECT_EQ(loaded.data.bytes_per_cluster, expected->second.first);
      EXPECT_EQ(loaded.data.bytes_per_record, expected->second.second);
    }
    if (name == "fragmented") {
      EXPECT_GT(loaded.mft_runs, 1u) << "the MFT should lie in several fragments";
    }
    CheckAgainstFls(loaded, image.path(), 0);
  }
}

TEST(VolumeImage, FixturesResolveTheirPartition) {
  const auto fixtures = test::FixtureImages();
  if (fixtures.empty()) GTEST_SKIP() << "no fixtures in " << test::FixturesDir();
  for (const auto& compressed : fixtures) {
    SCOPED_TRACE(test::ImageName(compressed));
    test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    Loaded first;
    Load(image.path(), 0, first);
    if (HasFailure()) return;
    EXPECT_EQ(first.data.bytes_per_cluster, 4096u);
    EXPECT_EQ(first.data.bytes_per_record, 1024u);
    Loaded chosen;
    Load(image.path(), 1, chosen);
    EXPECT_EQ(chosen.image, first.image);
    EXPECT_FALSE(OpenSourceVolume(image.path(), 2)) << "only one partition";
    CheckAgainstFls(first, image.path(), test::kFixturePartitionSector);
  }
}

TEST(VolumeImage, UnreadableSourcesDoNotOpen) {
  EXPECT_FALSE(OpenSourceVolume("/nonexistent/volume.img"));
  EXPECT_FALSE(OpenSourceVolume(test::TestDataDir()));  // a folder
  EXPECT_FALSE(OpenSourceVolume("/dev/null"));          // nothing to read
}

}  // namespace
}  // namespace tw
