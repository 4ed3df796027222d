#include "model/scan_result.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace tw {
namespace {

DirNode Folder(std::int64_t id, std::int64_t parent_id, std::wstring name) {
  DirNode node;
  node.id = id;
  node.parent_id = parent_id;
  node.name = std::move(name);
  return node;
}

void Add(ScanResult& result, DirNode node) { result.folders.emplace(node.id, std::move(node)); }

// C:\Windows\System32, plus a folder whose parent is unknown and one whose
// parent is recorded as 0.
ScanResult SampleTree() {
  ScanResult result;
  result.drive = L"C";
  Add(result, Folder(kRootId, kRootId, L"[C:]"));
  Add(result, Folder(30, kRootId, L"Windows"));
  Add(result, Folder(31, 30, L"System32"));
  Add(result, Folder(40, 9999, L"Lost"));
  Add(result, Folder(41, 0, L"Zero"));
  return result;
}

TEST(ScanResult, MovingLeavesTheSourceEmpty) {
  ScanResult source = SampleTree();
  source.files_by_folder[30].push_back(FileEntry{L"a.txt", L".txt", 30, 1, 2, 3, 4, 5});
  source.extensions.push_back(ExtStat{L".txt", 1, 1});
  source.largest_files.push_back(source.files_by_folder[30].front());
  source.file_count = 7;
  source.root_total_size = 99;
  source.elapsed_seconds = 1.5;

  ScanResult moved(std::move(source));
  EXPECT_EQ(moved.folders.size(), 5u);
  EXPECT_EQ(moved.FindFiles(30)->front().name, L"a.txt");
  EXPECT_EQ(moved.extensions.size(), 1u);
  EXPECT_EQ(moved.largest_files.size(), 1u);
  EXPECT_EQ(moved.file_count, 7);
  EXPECT_EQ(moved.root_total_size, 99);
  EXPECT_EQ(moved.elapsed_seconds, 1.5);
  EXPECT_EQ(moved.drive, L"C");
  EXPECT_TRUE(source.folders.empty() && source.files_by_folder.empty() && source.extensions.empty() &&
              source.largest_files.empty() && source.drive.empty());
  EXPECT_EQ(source.file_count, 0);

  ScanResult target;
  target.drive = L"D";
  target.extensions.push_back(ExtStat{L".old", 1, 1});
  target = std::move(moved);
  EXPECT_EQ(target.drive, L"C");
  EXPECT_EQ(target.folders.size(), 5u);
  EXPECT_EQ(target.extensions.front().extension, L".txt");
  EXPECT_TRUE(moved.folders.empty() && moved.files_by_folder.empty() && moved.extensions.empty() &&
              moved.largest_files.empty() && moved.drive.empty());
  EXPECT_EQ(moved.root_total_size, 0);

  ScanResult& alias = target;
  target = std::move(alias);
  EXPECT_EQ(target.folders.size(), 5u);
}

TEST(ScanResult, LookupsTreatNonPositiveIdsAsRoot) {
  ScanResult result = SampleTree();
  result.files_by_folder[kRootId].push_back(FileEntry{L"pagefile.sys", L".sys", kRootId, 1, 1, 9, 0, 0});
  ASSERT_NE(result.FindFolder(0), nullptr);
  EXPECT_EQ(result.FindFolder(0)->id, kRootId);
  EXPECT_EQ(result.FindFolder(-7)->id, kRootId);
  EXPECT_EQ(result.FindFolder(31)->name, L"System32");
  EXPECT_EQ(result.FindFolder(12345), nullptr);
  ASSERT_NE(result.FindFiles(0), nullptr);
  EXPECT_EQ(result.FindFiles(0)->front().name, L"pagefile.sys");
  EXPECT_EQ(result.FindFiles(31), nullptr);
}

TEST(BuildFolderPath, FollowsRecordedParentsFromTheRoot) {
  const ScanResult result = SampleTree();
  EXPECT_EQ(BuildFolderPath(result, kRootId, L"C"), L"C:\\");
  EXPECT_EQ(BuildFolderPath(result, 30, L"C"), L"C:\\Windows");
  EXPECT_EQ(BuildFolderPath(result, 31, L"C"), L"C:\\Windows\\System32");
  EXPECT_EQ(BuildFolderPath(result, 31, L"X"), L"X:\\Windows\\System32");
}

TEST(BuildFolderPath, UnknownAndNonPositiveIds) {
  const ScanResult result = SampleTree();
  EXPECT_EQ(BuildFolderPath(result, 12345, L"C"), L"C:\\");
  EXPECT_EQ(BuildFolderPath(result, 0, L"C"), L"C:\\");
  EXPECT_EQ(BuildFolderPath(result, -1, L"C"), L"C:\\");
  // The walk stops at an unknown parent, and at a parent recorded as 0.
  EXPECT_EQ(BuildFolderPath(result, 40, L"C"), L"C:\\Lost");
  EXPECT_EQ(BuildFolderPath(result, 41, L"C"), L"C:\\Zero");
}

TEST(BuildFolderPath, LoopStartsAtItsLowestNumberedFolder) {
  ScanResult result = SampleTree();
  Add(result, Folder(51, 50, L"B"));  // 50 and 51 name each other
  Add(result, Folder(50, 51, L"A"));
  Add(result, Folder(52, 51, L"Tail"));
  Add(result, Folder(53, 53, L"Self"));
  Add(result, Folder(62, 61, L"R"));  // 60 -> 62 -> 61 -> 60, reached from 70 and 71
  Add(result, Folder(61, 60, L"P"));
  Add(result, Folder(60, 62, L"Q"));
  Add(result, Folder(70, 62, L"In"));
  Add(result, Folder(71, 70, L"Deeper"));
  EXPECT_EQ(BuildFolderPath(result, 50, L"C"), L"C:\\A");
  EXPECT_EQ(BuildFolderPath(result, 51, L"C"), L"C:\\A\\B");
  EXPECT_EQ(BuildFolderPath(result, 52, L"C"), L"C:\\A\\B\\Tail");
  EXPECT_EQ(BuildFolderPath(result, 53, L"C"), L"C:\\Self");
  EXPECT_EQ(BuildFolderPath(result, 60, L"C"), L"C:\\Q");
  EXPECT_EQ(BuildFolderPath(result, 62, L"C"), L"C:\\Q\\P\\R");
  EXPECT_EQ(BuildFolderPath(result, 71, L"C"), L"C:\\Q\\P\\R\\In\\Deeper");
}

TEST(BuildFolderPath, LongLoopStartsAtItsLowestNumberedFolder) {
  // A loop of `count` folders numbered from 1000, each inside the next and the
  // last inside the first, entered from a tail of 37 folders 70% of the way
  // round: the walk passes the last 30% before the lowest. With names of 4
  // units the walk meets its mark after going round 1000 folders; with names
  // of 255 units it comes round 70 folders before the longest path without
  // meeting the mark.
  auto loop = [](int count, std::size_t name_length) {
    ScanResult result = SampleTree();
    for (int i = 0; i < count; ++i) {
      std::wstring name = L"n" + std::to_wstring(i);
      name.resize(name_length, L'_');
      Add(result, Folder(1000 + i, 1000 + (i + 1) % count, name));
    }
    Add(result, Folder(3000, 1000 + count * 7 / 10, L"t0"));
    for (int i = 1; i < 37; ++i) Add(result, Folder(3000 + i, 3000 + i - 1, L"t" + std::to_wstring(i)));
    return BuildFolderPath(result, 3036, L"C");
  };
  const std::wstring path = loop(1000, 4);
  EXPECT_EQ(std::count(path.begin(), path.end(), L'\\'), 1 + 300 + 37);
  EXPECT_TRUE(path.starts_with(L"C:\\n0__\\n999\\n998\\"));
  EXPECT_NE(path.find(L"\\n701\\n700\\t0\\t1\\"), std::wstring::npos);
  EXPECT_TRUE(path.ends_with(L"\\t35\\t36"));

  const std::wstring caught = loop(70, 255);
  EXPECT_EQ(std::count(caught.begin(), caught.end(), L'\\'), 1 + 21 + 37);
  EXPECT_TRUE(caught.starts_with(L"C:\\n0_")) << caught.substr(0, 10);
}

TEST(BuildFolderPath, ChainDeeperThanAnyPathKeepsItsInnermostFolders) {
  // 4000 nested folders of 255-character names (a hostile MFT of 4 MiB):
  // whole paths would take a million characters each, and one per folder
  // with files gigabytes together.
  ScanResult result = SampleTree();
  constexpr int kDepth = 4000;
  for (int i = 0; i < kDepth; ++i) {
    std::wstring name(255, L'a' + i % 26);
    name.replace(0, 4, std::to_wstring(1000 + i));
    Add(result, Folder(100 + i, i == 0 ? kRootId : 100 + i - 1, name));
  }
  const std::wstring path = BuildFolderPath(result, 100 + kDepth - 1, L"C");
  EXPECT_LE(path.size(), kMaxPathLength);
  EXPECT_GT(path.size(), kMaxPathLength - 300);
  EXPECT_TRUE(path.starts_with(L"C:\\"));
  EXPECT_TRUE(path.ends_with(L"\\4998" + std::wstring(251, L'a' + (kDepth - 2) % 26) + L"\\4999" +
                             std::wstring(251, L'a' + (kDepth - 1) % 26)));
  // A path that fits is whole.
  EXPECT_EQ(BuildFolderPath(result, 101, L"C").size(), 3u + 255 + 1 + 255);
}

}  // namespace
}  // namespace tw
