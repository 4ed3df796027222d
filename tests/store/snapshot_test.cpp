#include "store/snapshot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"
#include "support/snapshot_compare.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// Root
//   Users (30): notes, a name with an unpaired surrogate
//     alice (31): 照片.JPG
//   Windows (4000000): big.sys (allocated far above its size)
//   readme (no extension)
ScanResult Sample() {
  ScanResultBuilder b(L"Q");
  b.AddFolder(30, kRootId, L"Users");
  b.AddFolder(31, 30, L"alice");
  b.AddFolder(4'000'000, kRootId, L"Windows").mtime = -5;
  b.AddFile(30, 100, L"notes", 7);
  b.AddFile(30, 101, std::wstring(L"bad\xD800name.txt"), 12);
  b.AddFile(31, 102, L"照片.JPG", 250'000, 262'144).mtime = 133541559010000000;
  b.AddFile(4'000'000, 4'000'001, L"big.sys", 1, std::int64_t{1} << 40).attributes = 0x826;
  b.AddFile(kRootId, 103, L"readme", 0);
  ScanResult r = b.Finish();
  r.largest_files = {2, 4, 0};
  r.elapsed_seconds = 0.123456789;
  r.scanned_at = 1'765'000'000;
  r.volume_serial = 0xF00DFACE12345678;
  r.unreadable_records = 3;
  r.unreadable_ranges = {{1 << 20, 3072}};
  return r;
}

ScanResult Decoded(const std::vector<std::uint8_t>& bytes, SnapshotError* error = nullptr) {
  ScanResult back;
  SnapshotError local;
  SnapshotError& e = error != nullptr ? *error : local;
  EXPECT_TRUE(DecodeSnapshot(bytes, back, e)) << e.detail;
  return back;
}

TEST(Snapshot, EveryFieldSurvivesTheRoundTrip) {
  const ScanResult r = Sample();
  const std::vector<std::uint8_t> bytes = EncodeSnapshot(r);
  EXPECT_TRUE(HasSnapshotMagic(bytes));
  const ScanResult back = Decoded(bytes);
  EXPECT_EQ(test::DifferenceBetween(r, back), "");
  ASSERT_NE(back.FindFolder(4'000'000), nullptr);
  EXPECT_EQ(back.NameText(*back.FindFolder(31)), L"alice");
  for (const FileItem& file : back.files) {
    if (file.id == 101) {
      EXPECT_EQ(back.NameText(file).substr(0, 4), std::wstring(L"bad\xD800"));
    }
  }
  // The same result encodes to the same bytes.
  EXPECT_EQ(EncodeSnapshot(back), bytes);
}

TEST(Snapshot, AnEmptyVolumeRoundTrips) {
  ScanResultBuilder b(L"E");
  const ScanResult r = b.Finish();
  EXPECT_EQ(test::DifferenceBetween(r, Decoded(EncodeSnapshot(r))), "");
}

TEST(Snapshot, AFailedReadLeavesNothingBehind) {
  std::vector<std::uint8_t> bytes = EncodeSnapshot(Sample());
  bytes.resize(bytes.size() - 1);
  ScanResult back = Sample();
  SnapshotError error;
  EXPECT_FALSE(DecodeSnapshot(bytes, back, error));
  EXPECT_EQ(error.problem, SnapshotProblem::kTruncated);
  EXPECT_TRUE(back.folders.empty() && back.files.empty() && back.names.empty());
}

TEST(Snapshot, VersionsAndMagicAreChecked) {
  std::vector<std::uint8_t> bytes = EncodeSnapshot(Sample());
  ScanResult back;
  SnapshotError error;
  bytes[8] = 2;  // the format version, little-endian after the magic
  EXPECT_FALSE(DecodeSnapshot(bytes, back, error));
  EXPECT_EQ(error.problem, SnapshotProblem::kNewerVersion);
  EXPECT_EQ(error.detail, "format version 2");
  bytes[8] = 0;
  EXPECT_FALSE(DecodeSnapshot(bytes, back, error));
  EXPECT_EQ(error.problem, SnapshotProblem::kDamaged);
  bytes[0] = 'X';
  EXPECT_FALSE(DecodeSnapshot(bytes, back, error));
  EXPECT_EQ(error.problem, SnapshotProblem::kNotSnapshot);
  EXPECT_FALSE(DecodeSnapshot({}, back, error));
}

// Snapshots whose checksums are right but whose content could mislead a
// view: each is written from a result spoiled in one way.
TEST(Snapshot, ConsistentChecksumsDoNotMakeABrokenTreeAcceptable) {
  const std::vector<std::pair<std::string, std::function<void(ScanResult&)>>> spoilers = {
      {"a child listed twice", [](ScanResult& r) { r.child_ids.back() = r.child_ids.front(); }},
      {"a file under another folder", [](ScanResult& r) { r.files.back().folder = 0; }},
      {"a file name past the arena", [](ScanResult& r) { r.files[1].name_offset = 1'000'000; }},
      {"a folder name past the arena", [](ScanResult& r) { r.folders[1].name.length = 0xFFFFFFFF; }},
      {"files past their array", [](ScanResult& r) { r.folders.back().file_count = 1000; }},
      {"an extension index past the table", [](ScanResult& r) { r.files[2].extension = 99; }},
      {"a largest file past the files", [](ScanResult& r) { r.largest_files.push_back(5); }},
      {"two folders with one number", [](ScanResult& r) { r.folders[2].id = r.folders[1].id; }},
      {"a folder number beyond any volume", [](ScanResult& r) { r.folders[1].id = std::int64_t{1} << 40; }},
      {"no root first", [](ScanResult& r) { r.folders[0].id = 6; }},
      // A scan never yields a negative size or count.
      {"a negative file size", [](ScanResult& r) { r.files[0].size = -7; }},
      {"a negative allocated size", [](ScanResult& r) { r.files[2].alloc = -1; }},
      {"a negative folder total", [](ScanResult& r) { r.folders[1].total_size = -40'000'000; }},
      {"a negative folder count", [](ScanResult& r) { r.folders[2].total_file_count = -1; }},
      {"a negative extension size", [](ScanResult& r) { r.extensions[0].total_size = -1; }},
      {"a negative file count", [](ScanResult& r) { r.file_count = -2; }},
      {"a negative unreadable range", [](ScanResult& r) { r.unreadable_ranges[0].length = -3072; }},
      {"a duration that is not one", [](ScanResult& r) { r.elapsed_seconds = -1.0; }},
  };
  // Two folders hanging from each other, with child lists to match.
  ScanResult loop;
  ScanResultPacker packer(loop);
  DirNode root, a, b;
  root.id = root.tree_parent_id = kRootId;
  a.id = b.tree_parent_id = 30;
  b.id = a.tree_parent_id = 31;
  packer.AddFolder(root, L"[Q:]");
  packer.AddFolder(a, L"a");
  packer.AddFolder(b, L"b");
  packer.Finish();
  {
    ScanResult back;
    SnapshotError error;
    EXPECT_FALSE(DecodeSnapshot(EncodeSnapshot(loop), back, error));
    EXPECT_EQ(error.detail, "folders form a loop apart from the root");
  }

  for (const auto& [what, spoil] : spoilers) {
    ScanResult r = Sample();
    spoil(r);
    ScanResult back;
    SnapshotError error;
    EXPECT_FALSE(DecodeSnapshot(EncodeSnapshot(r), back, error)) << what;
    EXPECT_EQ(error.problem, SnapshotProblem::kDamaged) << what;
    EXPECT_TRUE(back.folders.empty()) << what;
  }
}

// The result with its names in one packed block of `units` units, as a scan
// saved when results held their names in one block: name k (the folders',
// then the files') at place(k).
ScanResult LaidFlat(ScanResult r, std::size_t units, const std::function<std::uint32_t(std::size_t)>& place) {
  std::u16string flat(units, u'.');
  std::size_t k = 0;
  const auto lay = [&](std::u16string_view name) {
    const std::uint32_t at = place(k++);
    flat.replace(at, name.size(), name);
    return at;
  };
  std::vector<std::uint32_t> folder_at, file_at;
  for (const DirNode& f : r.folders) folder_at.push_back(lay(r.Name(f)));
  for (const FileItem& f : r.files) file_at.push_back(lay(r.Name(f)));
  for (std::size_t i = 0; i < r.folders.size(); ++i) r.folders[i].name.offset = folder_at[i];
  for (std::size_t i = 0; i < r.files.size(); ++i) r.files[i].name_offset = file_at[i];
  r.names.ResizePacked(units);
  for (std::size_t p = 0; p < units; ++p) r.names.PackedUnit(p) = flat[p];
  return r;
}

TEST(Snapshot, ANameAcrossTheArenasChunksIsReadWhole) {
  constexpr std::size_t kBorder = NameArena::kChunkUnits;
  const ScanResult r = Sample();
  const std::size_t folders = r.folders.size();
  // The first file's name runs from the first chunk into the next.
  const ScanResult flat = LaidFlat(r, kBorder + 200, [&](std::size_t k) -> std::uint32_t {
    return static_cast<std::uint32_t>(k < folders ? 16 * k : kBorder - 3 + 20 * (k - folders));
  });
  const ScanResult back = Decoded(EncodeSnapshot(flat));
  EXPECT_EQ(test::DifferenceBetween(r, back), "");
  EXPECT_EQ(back.names.units(), kBorder + 200 + r.Name(r.files[0]).size());  // only that name moved

  // Names that cross a border more often than there are borders overlap:
  // no scan writes them, and each would cost a copy.
  const ScanResult overlapping = LaidFlat(r, kBorder + 200, [&](std::size_t k) -> std::uint32_t {
    return static_cast<std::uint32_t>(k < folders ? 16 * k : kBorder - 2 - (k - folders));
  });
  ScanResult refused;
  SnapshotError error;
  EXPECT_FALSE(DecodeSnapshot(EncodeSnapshot(overlapping), refused, error));
  EXPECT_EQ(error.problem, SnapshotProblem::kDamaged);
  EXPECT_EQ(error.detail, "a file name lies outside the names");
}

TEST(Snapshot, SavedFilesReplaceTheOldOneWhole) {
  const std::string path = ::testing::TempDir() + "/tarnwick-snapshot-test.tws";
  std::string reason;
  ASSERT_TRUE(SaveSnapshotFile(path, Sample(), reason)) << reason;
  ASSERT_TRUE(IsSnapshotFile(path));
  ScanResult smaller = Sample();
  smaller.files.clear();
  for (DirNode& f : smaller.folders) f.file_count = f.first_file = 0;
  smaller.largest_files.clear();
  ASSERT_TRUE(SaveSnapshotFile(path, smaller, reason)) << reason;
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(LoadSnapshotFile(path, back, error)) << error.detail;
  EXPECT_EQ(test::DifferenceBetween(smaller, back), "");
  EXPECT_FALSE(SaveSnapshotFile(::testing::TempDir() + "/no-such-folder/x.tws", smaller, reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(LoadSnapshotFile(::testing::TempDir() + "/no-such-file.tws", back, error));
  EXPECT_FALSE(IsSnapshotFile(::testing::TempDir() + "/no-such-file.tws"));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tw
