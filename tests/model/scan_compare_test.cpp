#include "model/scan_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "support/scan_result_builder.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

std::vector<std::wstring> Paths(const ComparedScans& s, const std::vector<ComparedFile>& files) {
  std::vector<std::wstring> paths;
  for (const ComparedFile& f : files) paths.push_back(ComparedFilePath(s, f));
  return paths;
}

// Before: docs (30) with a.txt 100 and B.txt 10; tmp (40) with x 5.
// After, scanned under another letter: docs (77, a new record number) with
// a.txt 300 and b.txt 10 (the name's case changed); new (41) with y 1.
TEST(CompareScans, MatchesByPathNotByRecordNumberOrDrive) {
  ScanResultBuilder before(L"C");
  before.AddFolder(30, kRootId, L"docs");
  before.AddFolder(40, kRootId, L"tmp");
  before.AddFile(30, 100, L"a.txt", 100);
  before.AddFile(30, 101, L"B.txt", 10);
  before.AddFile(40, 102, L"x", 5);
  before.Finish();
  ScanResultBuilder after(L"D");
  after.AddFolder(77, kRootId, L"docs");
  after.AddFolder(41, kRootId, L"new");
  after.AddFile(77, 200, L"a.txt", 300);
  after.AddFile(77, 201, L"b.txt", 10);
  after.AddFile(41, 202, L"y", 1);
  after.Finish();

  const ComparedScans s = CompareScans(MakeGeneration(before.result()), MakeGeneration(after.result()), 10);
  EXPECT_EQ(Paths(s, s.resized), (std::vector<std::wstring>{L"D:\\docs\\a.txt"}));
  // The exact name is the key: B.txt vanished and b.txt appeared.
  EXPECT_EQ(Paths(s, s.added), (std::vector<std::wstring>{L"D:\\docs\\b.txt", L"D:\\new\\y"}));
  EXPECT_EQ(Paths(s, s.removed), (std::vector<std::wstring>{L"D:\\docs\\B.txt", L"D:\\tmp\\x"}));

  const ComparedFolder& root = s.folders[0];
  EXPECT_EQ(root.files_added, 2);
  EXPECT_EQ(root.files_removed, 2);
  EXPECT_EQ(root.size_change(), 311 - 115);
  ASSERT_EQ(root.children.size(), 3u);
  // docs grew by 200, new by 1, tmp shrank by 5.
  EXPECT_EQ(ComparedPath(s, root.children[0]), L"D:\\docs");
  EXPECT_EQ(ComparedPath(s, root.children[1]), L"D:\\new");
  EXPECT_EQ(s.folders[root.children[1]].old_folder, kNoSide);
  EXPECT_EQ(ComparedPath(s, root.children[2]), L"D:\\tmp");
  EXPECT_EQ(s.folders[root.children[2]].new_folder, kNoSide);
  EXPECT_EQ(s.folders[root.children[0]].direct_files_added, 1);

  // Extensions: .txt grew by 200 (B.txt and b.txt cancel), none went 5 -> 1.
  ASSERT_EQ(s.extensions.size(), 2u);
  EXPECT_EQ(s.extensions[0].extension, L".txt");
  EXPECT_EQ(s.extensions[0].new_size - s.extensions[0].old_size, 200);
  EXPECT_EQ(s.extensions[1].extension, L"");
  EXPECT_TRUE(s.same_volume) << "serial numbers unknown";
}

TEST(CompareScans, ListsKeepTheLargestAndAnEmptySideIsAllAddedOrRemoved) {
  ScanResultBuilder empty(L"C");
  empty.Finish();
  ScanResultBuilder full(L"C");
  full.AddFolder(30, kRootId, L"big");
  for (int i = 0; i < 5000; ++i) full.AddFile(30, 1000 + i, L"f" + std::to_wstring(i), (i * 7919) % 5000);
  full.Finish();

  const ComparedScans grown = CompareScans(MakeGeneration(empty.result()), MakeGeneration(full.result()), 3);
  ASSERT_EQ(grown.added.size(), 3u);
  EXPECT_EQ(grown.added[0].new_size, 4999);
  EXPECT_EQ(grown.added[1].new_size, 4998);
  EXPECT_EQ(grown.folders[0].files_added, 5000) << "counted whatever the lists keep";
  EXPECT_TRUE(grown.removed.empty() && grown.resized.empty());

  const ComparedScans gone = CompareScans(MakeGeneration(full.result()), MakeGeneration(empty.result()), 0);
  EXPECT_TRUE(gone.removed.empty()) << "top 0 lists nothing";
  EXPECT_EQ(gone.folders[0].files_removed, 5000);
  EXPECT_EQ(gone.folders[gone.folders[0].children[0]].new_folder, kNoSide);

  full.result().volume_serial = 1;
  empty.result().volume_serial = 2;
  EXPECT_FALSE(CompareScans(MakeGeneration(empty.result()), MakeGeneration(full.result()), 1).same_volume);
}

// The files lost are exactly the removed files that held bytes and the
// resized files that shrank (the lists --compare prints), most bytes lost
// first, equal losses in folder order; with a smaller top, the first of them.
TEST(CompareScans, LostFilesAreTheRemovedAndShrunkOnesByBytesLost) {
  ScanResultBuilder before(L"C"), after(L"C");
  for (std::int64_t folder = 30; folder < 34; ++folder) {
    before.AddFolder(folder, kRootId, L"d" + std::to_wstring(folder));
    after.AddFolder(folder, kRootId, L"d" + std::to_wstring(folder));
  }
  // Per file i: kept, shrunk, grown, removed or emptied, in turn; removed
  // empty files lose nothing.
  for (int i = 0; i < 400; ++i) {
    const std::int64_t folder = 30 + i % 4, size = (i * 7919) % 3000;
    const std::wstring name = L"f" + std::to_wstring(i);
    before.AddFile(folder, 1000 + i, name, size);
    switch (i % 5) {
      case 0: after.AddFile(folder, 1000 + i, name, size); break;
      case 1: after.AddFile(folder, 1000 + i, name, size / 3); break;
      case 2: after.AddFile(folder, 1000 + i, name, size + 10); break;
      case 3: break;
      default: after.AddFile(folder, 1000 + i, name, 0); break;
    }
  }
  before.Finish();
  after.Finish();
  const ComparedScans all = CompareScans(MakeGeneration(before.result()), MakeGeneration(after.result()), 10000);
  std::vector<std::tuple<std::int64_t, std::uint32_t, std::wstring>> want;
  for (const ComparedFile& f : all.removed) {
    if (f.old_size > 0) want.emplace_back(f.old_size, f.folder, ComparedFilePath(all, f));
  }
  for (const ComparedFile& f : all.resized) {
    if (f.new_size < f.old_size) want.emplace_back(f.old_size - f.new_size, f.folder, ComparedFilePath(all, f));
  }
  std::sort(want.begin(), want.end(), [](const auto& a, const auto& b) {
    return std::get<0>(a) != std::get<0>(b) ? std::get<0>(a) > std::get<0>(b) : std::get<1>(a) < std::get<1>(b);
  });
  ASSERT_EQ(all.lost.size(), want.size());
  ASSERT_GT(want.size(), 200u);
  for (std::size_t i = 0; i < want.size(); ++i) {
    const ComparedFile& f = all.lost[i];
    EXPECT_EQ(f.old_size - f.new_size, std::get<0>(want[i])) << i;
    EXPECT_EQ(f.folder, std::get<1>(want[i])) << i;
  }
  std::vector<std::wstring> paths = Paths(all, all.lost), wanted_paths;
  for (const auto& w : want) wanted_paths.push_back(std::get<2>(w));
  std::sort(paths.begin(), paths.end());
  std::sort(wanted_paths.begin(), wanted_paths.end());
  EXPECT_EQ(paths, wanted_paths);

  const ComparedScans top = CompareScans(MakeGeneration(before.result()), MakeGeneration(after.result()), 7);
  ASSERT_EQ(top.lost.size(), 7u);
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(top.lost[i].old_size - top.lost[i].new_size, all.lost[i].old_size - all.lost[i].new_size) << i;
  }
}

}  // namespace
}  // namespace tw
