#include "model/scan_result.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace tw {
namespace {

struct NamedFolder {
  DirNode node;
  std::wstring name;
};

NamedFolder Folder(std::int64_t id, std::int64_t parent_id, std::wstring name) {
  NamedFolder folder;
  folder.node.id = id;
  folder.node.parent_id = parent_id;
  folder.node.tree_parent_id = parent_id;
  folder.name = std::move(name);
  return folder;
}

// Appends a folder (paths need no child lists), findable at once.
void Add(ScanResult& result, const NamedFolder& folder) {
  ScanResultPacker packer(result);
  packer.AddFolder(folder.node, folder.name);
  packer.IndexFolders();
}

FileItem File(std::int64_t size) {
  FileItem file;
  file.size = size;
  file.alloc = size;
  return file;
}

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
  ScanResultPacker packer(source);
  packer.AddFile(1, File(1), L"a.txt");  // the folder at index 1, Windows
  packer.Finish();
  source.largest_files.push_back(0);
  source.file_count = 7;
  source.root_total_size = 99;
  source.elapsed_seconds = 1.5;

  ScanResult moved(std::move(source));
  EXPECT_EQ(moved.folders.size(), 5u);
  ASSERT_EQ(moved.FindFiles(30).size(), 1u);
  EXPECT_EQ(moved.NameText(moved.FindFiles(30).front()), L"a.txt");
  EXPECT_EQ(moved.Children(*moved.FindFolder(30)).front(), 31);
  EXPECT_EQ(moved.extensions.size(), 1u);
  EXPECT_EQ(moved.largest_files.size(), 1u);
  EXPECT_EQ(moved.file_count, 7);
  EXPECT_EQ(moved.root_total_size, 99);
  EXPECT_EQ(moved.elapsed_seconds, 1.5);
  EXPECT_EQ(moved.drive, L"C");
  EXPECT_TRUE(source.folders.empty() && source.folder_index.empty() && source.child_ids.empty() &&
              source.files.empty() && source.names.empty() && source.extensions.empty() &&
              source.largest_files.empty() && source.drive.empty());
  EXPECT_EQ(source.FindFolder(kRootId), nullptr);
  EXPECT_EQ(source.file_count, 0);

  ScanResult target;
  target.drive = L"D";
  target.extensions.push_back(ExtStat{L".old", 1, 1});
  target = std::move(moved);
  EXPECT_EQ(target.drive, L"C");
  EXPECT_EQ(target.folders.size(), 5u);
  EXPECT_EQ(target.extensions.front().extension, L".txt");
  EXPECT_TRUE(moved.folders.empty() && moved.files.empty() && moved.names.empty() && moved.extensions.empty() &&
              moved.largest_files.empty() && moved.drive.empty());
  EXPECT_EQ(moved.root_total_size, 0);

  ScanResult& alias = target;
  target = std::move(alias);
  EXPECT_EQ(target.folders.size(), 5u);
}

TEST(ScanResultPacker, GroupsFilesByFolderAndRanksExtensions) {
  ScanResult result = SampleTree();  // root, 30, 31, 40, 41 at indices 0 to 4
  ScanResultPacker packer(result);
  packer.AddFile(2, File(7), L"b.DLL");
  packer.AddFile(0, File(5), L"x.dll");
  packer.AddFile(2, File(3), L"a.dll");
  packer.AddFile(4, File(5), L".profile");  // a leading dot is no extension
  packer.AddFile(2, File(3), L"c");
  packer.Finish();

  // Each folder's files together, in the order they were added.
  const std::span<const FileItem> system32 = result.FindFiles(31);
  ASSERT_EQ(system32.size(), 3u);
  EXPECT_EQ(result.NameText(system32[0]), L"b.DLL");
  EXPECT_EQ(result.NameText(system32[1]), L"a.dll");
  EXPECT_EQ(result.NameText(system32[2]), L"c");
  EXPECT_EQ(result.FolderId(system32[2]), 31);
  EXPECT_EQ(result.FindFiles(41).size(), 1u);
  EXPECT_EQ(result.FindFiles(kRootId).size(), 1u);
  EXPECT_TRUE(result.FindFiles(30).empty());

  // Exact texts, largest total first, equal totals by text.
  ASSERT_EQ(result.extensions.size(), 3u);
  EXPECT_EQ(result.extensions[0].extension, L"");
  EXPECT_EQ(result.extensions[0].total_size, 8);
  EXPECT_EQ(result.extensions[0].file_count, 2);
  EXPECT_EQ(result.extensions[1].extension, L".dll");
  EXPECT_EQ(result.extensions[1].total_size, 8);
  EXPECT_EQ(result.extensions[1].file_count, 2);
  EXPECT_EQ(result.extensions[2].extension, L".DLL");
  EXPECT_EQ(result.Extension(system32[0]), L".DLL");
  EXPECT_EQ(result.Extension(system32[2]), L"");
  EXPECT_EQ(result.Entry(system32[1]).extension, L".dll");
  EXPECT_EQ(result.Entry(system32[1]).folder_id, 31);

  // Child lists follow the tree parents; an unknown parent lists the folder nowhere.
  ASSERT_EQ(result.Children(*result.FindFolder(kRootId)).size(), 2u);
  EXPECT_EQ(result.Children(*result.FindFolder(30)).front(), 31);
  EXPECT_TRUE(result.Children(*result.FindFolder(40)).empty());
}

TEST(ScanResult, LookupsTreatNonPositiveIdsAsRoot) {
  ScanResult result = SampleTree();
  ScanResultPacker packer(result);
  packer.AddFile(0, File(1), L"pagefile.sys");
  packer.Finish();
  ASSERT_NE(result.FindFolder(0), nullptr);
  EXPECT_EQ(result.FindFolder(0)->id, kRootId);
  EXPECT_EQ(result.FindFolder(-7)->id, kRootId);
  EXPECT_EQ(result.NameText(*result.FindFolder(31)), L"System32");
  EXPECT_EQ(result.FindFolder(12345), nullptr);
  ASSERT_EQ(result.FindFiles(0).size(), 1u);
  EXPECT_EQ(result.NameText(result.FindFiles(0).front()), L"pagefile.sys");
  EXPECT_EQ(result.Extension(result.FindFiles(-3).front()), L".sys");
  EXPECT_TRUE(result.FindFiles(31).empty());
  EXPECT_TRUE(result.FindFiles(12345).empty());
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
