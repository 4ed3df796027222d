// Saved scans of real volumes: every committed volume and fixture reads back
// identical; no truncation of a saved sample volume is taken for a scan, and
// a flipped byte is refused or, in bits the compressed stream never reads,
// changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scan_driver.h"
#include "store/snapshot.h"
#include "support/snapshot_compare.h"
#include "support/test_images.h"

namespace tw {
namespace {

void CheckRoundTrip(const std::string& compressed) {
  SCOPED_TRACE(test::ImageName(compressed));
  test::UnpackedImage image(compressed);
  ASSERT_FALSE(image.path().empty());
  const ScanResult scanned = ScanSourceMft(image.path(), L"C", nullptr);
  const std::vector<std::uint8_t> bytes = EncodeSnapshot(scanned);
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(DecodeSnapshot(bytes, back, error)) << error.detail;
  EXPECT_EQ(test::DifferenceBetween(scanned, back), "");
  EXPECT_NE(back.volume_serial, 0u) << "the boot sector's serial number is kept";
  EXPECT_GT(back.scanned_at, 1'600'000'000);
  std::printf("%s: %zu bytes saved, %.1f per file\n", test::ImageName(compressed).c_str(), bytes.size(),
              static_cast<double>(bytes.size()) / std::max(1, scanned.file_count));
}

TEST(SnapshotImage, EveryVolumeReadsBackIdentical) {
  const auto volumes = test::CommittedVolumes();
  ASSERT_FALSE(volumes.empty()) << "no test volumes in " << test::TestDataDir();
  for (const auto& compressed : volumes) CheckRoundTrip(compressed);
  CheckRoundTrip(test::TestDataDir() + "/sample.img.gz");
  const auto fixtures = test::FixtureImages();
  for (const auto& compressed : fixtures) CheckRoundTrip(compressed);
  if (fixtures.empty()) std::printf("no fixtures in %s\n", test::FixturesDir().c_str());
}

TEST(SnapshotImage, NoTruncationOrFlippedByteIsTaken) {
  test::UnpackedImage image(test::TestDataDir() + "/sample.img.gz");
  ASSERT_FALSE(image.path().empty());
  const ScanResult scanned = ScanSourceMft(image.path(), L"X", nullptr);
  const std::vector<std::uint8_t> bytes = EncodeSnapshot(scanned);
  ScanResult back;
  SnapshotError error;
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    ASSERT_FALSE(DecodeSnapshot(part, back, error)) << "cut at " << cut;
    ASSERT_TRUE(error.problem == SnapshotProblem::kTruncated || error.problem == SnapshotProblem::kNotSnapshot)
        << "cut at " << cut << ": " << error.detail;
  }
  std::vector<std::uint8_t> flipped = bytes;
  int taken = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (const int mask : {0x01, 0x80, 0xFF}) {
      flipped[at] = static_cast<std::uint8_t>(bytes[at] ^ mask);
      if (DecodeSnapshot(flipped, back, error)) {
        ASSERT_EQ(test::DifferenceBetween(scanned, back), "") << "byte " << at << " ^ " << mask;
        ++taken;
      } else {
        ASSERT_TRUE(back.folders.empty());
      }
      flipped[at] = bytes[at];
    }
  }
  // Such flips land where the compressed stream does not look: padding bits,
  // code lengths of symbols a block never uses. A handful, never the rule.
  EXPECT_LT(taken, static_cast<int>(bytes.size()) / 20);
  ASSERT_TRUE(DecodeSnapshot(bytes, back, error)) << error.detail;
}

}  // namespace
}  // namespace tw
