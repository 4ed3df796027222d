// Whole scans of real NTFS volumes (the committed mkntfs/ntfs-3g volumes and
// the Windows-formatted fixtures) checked against sleuthkit's fls: every file
// fls lists is a file of the result with fls's size, every folder a folder,
// and the result is the same with one, two or eight threads. Only records
// flagged with header bit 2 (Windows marks the $Extend metadata so) are left
// out by design; they are told apart here from the MFT itself. Files whose
// name sits behind a non-resident $ATTRIBUTE_LIST are found through their
// extension records and must be there.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/scan_driver.h"
#include "scan/attribute_walk.h"
#include "scan/mft_loader.h"
#include "support/fls_listing.h"
#include "support/mft_image.h"
#include "support/test_images.h"

namespace tw {
namespace {

ScanResult Scan(const std::string& path, std::int32_t threads) {
  ScanOptions options;
  options.threads = threads;
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
