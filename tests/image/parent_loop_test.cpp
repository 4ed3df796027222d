// Parent loops on a real volume: the sample volume with one folder's
// $FILE_NAME parent reference rewritten, in memory, to a folder below it (or
// to itself). Every file must stay in the tree with the clean volume's totals,
// and the loop must hang from the root at its lowest-numbered folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>

#include "engine/scan_driver.h"
#include "ntfsbuild/record_builder.h"
#include "scan/attribute_walk.h"
#include "scan/boot_sector.h"
#include "scan/memory_volume.h"
#include "scan/mft_record.h"
#include "support/result_invariants.h"
#include "support/test_images.h"

namespace tw {
namespace {

using Bytes = std::vector<std::uint8_t>;

ScanResult Scan(const Bytes& volume) { return ScanOpenedVolume(std::make_unique<MemoryVolume>(volume), L"C", nullptr); }

// Sets the parent of every $FILE_NAME of record `record` to `parent`. The
// record is found by the number its header carries (u32 at 44) at a 512-byte
// boundary, and its update sequence protection is renewed.
void SetParent(Bytes& volume, std::int64_t record, std::int64_t parent) {
  BootSectorInfo boot;
  ASSERT_TRUE(ParseBootSector(ByteSpan(volume.data(), kBootSectorSize), boot));
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at + boot.bytes_per_record <= volume.size(); at += 512) {
    if (std::memcmp(&volume[at], "FILE", 4) == 0 && ReadU32(ByteSpan(&volume[at], 48), 44) == record)
      found.push_back(at);
  }
  ASSERT_EQ(found.size(), 1u) << "record " << record;
  const auto start = volume.begin() + static_cast<std::ptrdiff_t>(found[0]);
  Bytes copy(start, start + boot.bytes_per_record);
  ASSERT_TRUE(ApplyFixups(MutableSpan{copy.data(), copy.size()}));
  const ByteSpan view(copy.data(), copy.size());
  WalkAttributes(view, [&](const AttributeView& attribute) {
    if (attribute.type != kAttrFileName) return;
    for (int i = 0; i < 6; ++i) copy[attribute.ValueOffset(view) + i] = static_cast<std::uint8_t>(parent >> (8 * i));
  });
  const std::uint16_t usa = ReadU16(view, kUpdateSequenceOffsetField);
  build::ProtectRecord(copy, usa, ReadU16(view, kUpdateSequenceCountField), ReadU16(view, usa));
  std::copy(copy.begin(), copy.end(), start);
}

// The child of `folder` holding the most files.
std::int64_t FullestChild(const ScanResult& result, std::int64_t folder) {
  const std::span<const std::int64_t> children = result.Children(*result.FindFolder(folder));
  if (children.empty()) return 0;
  return *std::max_element(children.begin(), children.end(), [&](std::int64_t a, std::int64_t b) {
    return result.FindFolder(a)->total_file_count < result.FindFolder(b)->total_file_count;
  });
}

// Puts `upper` inside `lower` (below it or itself) and scans.
void CheckLoop(const Bytes& clean_volume, const ScanResult& clean, std::int64_t upper, std::int64_t lower) {
  Bytes volume = clean_volume;
  SetParent(volume, upper, lower);
  const ScanResult result = Scan(volume);
  EXPECT_EQ(test::CheckResultInvariants(result), "");  // every file in the tree, counted by the root
  EXPECT_EQ(result.file_count, clean.file_count);
  EXPECT_EQ(result.FindFolder(kRootId)->total_alloc, clean.FindFolder(kRootId)->total_alloc);
  EXPECT_EQ(result.FindFolder(upper)->parent_id, lower);

  const DirNode& cut = *result.FindFolder(std::min(upper, lower));
  EXPECT_EQ(cut.tree_parent_id, kRootId);
  EXPECT_EQ(cut.total_file_count, clean.FindFolder(upper)->total_file_count);
  EXPECT_EQ(BuildFolderPath(result, cut.id, L"C"), L"C:\\" + result.NameText(cut));
  const DirNode& other = *result.FindFolder(std::max(upper, lower));
  if (other.id != cut.id) {
    EXPECT_TRUE(BuildFolderPath(result, other.id, L"C").starts_with(L"C:\\" + result.NameText(cut) + L"\\"));
  }
  // The folder that held the upper one has lost its files.
  const std::int64_t holder = clean.FindFolder(upper)->tree_parent_id;
  EXPECT_EQ(
      result.FindFolder(holder)->total_file_count,
      clean.FindFolder(holder)->total_file_count - (holder == kRootId ? 0 : clean.FindFolder(upper)->total_file_count));
}

TEST(ParentLoop, SampleVolumeKeepsEveryFileWhenFoldersNameEachOther) {
  test::UnpackedImage unpacked(test::TestDataDir() + "/sample.img.gz");
  ASSERT_FALSE(unpacked.path().empty());
  std::ifstream in(unpacked.path(), std::ios::binary);
  const Bytes volume{std::istreambuf_iterator<char>(in), {}};
  const ScanResult clean = Scan(volume);
  const std::int64_t top = FullestChild(clean, kRootId), sub = FullestChild(clean, top);
  const std::int64_t subsub = FullestChild(clean, sub);
  ASSERT_TRUE(top > 0 && sub > 0 && subsub > 0);
  SCOPED_TRACE("folders " + std::to_string(top) + ", " + std::to_string(sub) + ", " + std::to_string(subsub));
  CheckLoop(volume, clean, top, sub);  // a top-level folder inside its subfolder
  CheckLoop(volume, clean, sub, subsub);
  CheckLoop(volume, clean, sub, sub);  // a folder inside itself
}

}  // namespace
}  // namespace tw
