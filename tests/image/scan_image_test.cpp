// Whole scans of real NTFS volumes (the committed mkntfs/ntfs-3g volumes and
// the Windows-formatted fixtures) checked against sleuthkit's fls: every file
// fls lists is a file of the result with fls's size, every folder a folder,
// and the result does not depend on the number of threads. Two kinds of
// record are left out by design and are told apart here from the MFT itself:
// records flagged with header bit 2 (Windows marks the $Extend metadata so)
// and files whose only name sits behind a non-resident $ATTRIBUTE_LIST, which
// the scan cannot follow without reading outside the MFT.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "scan/attribute_walk.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/scan_driver.h"
#include "support/fls_listing.h"
#include "support/test_images.h"

namespace tw {
namespace {

ScanResult Scan(const std::string& path, std::int32_t threads) {
  ScanOptions options;
  options.threads = threads;
  return ScanSourceMft(path, L"C", nullptr, options);
}

std::map<std::int64_t, const FileEntry*> FilesById(const ScanResult& result) {
  std::map<std::int64_t, const FileEntry*> files;
  for (const auto& [folder, list] : result.files_by_folder) {
    for (const FileEntry& f : list) files[f.id] = &f;
  }
  return files;
}

// Folder totals and sorted file ids: everything but completion-order details.
using Shape = std::vector<std::tuple<std::int64_t, std::int64_t, std::int64_t, std::int32_t, std::vector<std::int64_t>>>;
Shape ShapeOf(const ScanResult& result) {
  Shape shape;
  for (const auto& [id, node] : result.folders) {
    std::vector<std::int64_t> files;
    if (const auto* list = result.FindFiles(id)) {
      for (const FileEntry& f : *list) files.push_back(f.id);
    }
    std::sort(files.begin(), files.end());
    shape.emplace_back(id, node.total_size, node.total_alloc, node.total_file_count, files);
  }
  std::sort(shape.begin(), shape.end());
  return shape;
}

// Why a record fls lists may be absent from the result; empty when it may not.
class Exclusions {
 public:
  explicit Exclusions(const std::string& path) {
    auto volume = OpenSourceVolume(path, 0);
    if (volume) loaded_ = ReadMft(*volume, image_, record_size_);
  }
  bool loaded() const { return loaded_; }

  bool Excluded(std::int64_t id) const {
    const auto size = static_cast<std::size_t>(record_size_);
    if (id < 0 || static_cast<std::size_t>(id + 1) * size > image_.size()) return false;
    std::vector<std::uint8_t> record(image_.begin() + static_cast<std::ptrdiff_t>(id * record_size_),
                                     image_.begin() + static_cast<std::ptrdiff_t>((id + 1) * record_size_));
    ApplyFixups(MutableSpan{record.data(), record.size()});
    const ByteSpan span(record.data(), record.size());
    if (ReadU8(span, kRecordFlagsField) & kRecordExcluded) return true;
    bool has_name = false, external_list = false;
    WalkAttributes(span, [&](const AttributeView& a) {
      if (a.type == kAttrFileName) has_name = true;
      if (a.type == kAttrAttributeList && a.NonResident(span)) external_list = true;
    });
    return external_list && !has_name;
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
  EXPECT_EQ(ShapeOf(Scan(path, 1)), ShapeOf(result));
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

}  // namespace
}  // namespace tw
