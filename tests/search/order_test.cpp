#include "search/order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/hit_paths.h"
#include "search/query.h"
#include "search/search.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

using V = std::vector<std::wstring>;

// [C:] (900)      zz (200)
//   a (100)       b (100)
//   a b (100)     c (100)
//   B (500)       x, Y, y, Éa, eb (100 each)
ScanResult Ties() {
  test::ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"a");
  b.AddFolder(21, kRootId, L"a b");
  b.AddFolder(22, kRootId, L"B");
  b.AddFile(kRootId, 100, L"zz", 200, 300).mtime = 5;
  b.AddFile(20, 101, L"b", 100, 4096).mtime = 9;
  b.AddFile(21, 102, L"c", 100, 0).mtime = 7;
  std::int64_t id = 103;
  for (const wchar_t* name : {L"x", L"Y", L"y", L"Éa", L"eb"}) b.AddFile(22, id++, name, 100, 100);
  return b.Finish();
}

std::vector<SearchHit> All(const ScanResult& r, const SearchOrder& order) {
  std::vector<SearchHit> hits = FindMatches(r, ParseQuery(L"\"\"").query);
  OrderHits(r, hits, order);
  return hits;
}

V Paths(const ScanResult& r, const std::vector<SearchHit>& hits) {
  HitPaths paths(r);
  V out;
  for (const SearchHit& hit : hits) out.push_back(paths.Path(hit));
  return out;
}

V Names(const ScanResult& r, const std::vector<SearchHit>& hits) {
  V out;
  for (const SearchHit& hit : hits) {
    const std::u16string_view name = HitName(r, hit);
    out.emplace_back(name.begin(), name.end());
  }
  return out;
}

TEST(SearchOrder, LargestFirstTiesByPathWithOnlyAsciiFolded) {
  const ScanResult r = Ties();
  // "C:\a b" comes before "C:\a\b": a blank is below a backslash, and the
  // paths compare whole, not folder by folder. Y and y tie when folded and
  // go by their units; É is not folded, so "Éa" sorts after "eb".
  EXPECT_EQ(Paths(r, All(r, SearchOrder{})),
            (V{L"C:\\", L"C:\\B", L"C:\\zz", L"C:\\a", L"C:\\a b", L"C:\\a b\\c", L"C:\\a\\b", L"C:\\B\\eb",
               L"C:\\B\\x", L"C:\\B\\Y", L"C:\\B\\y", L"C:\\B\\Éa"}));
}

TEST(SearchOrder, ByNameEitherWayTiesStillByPathAscending) {
  const ScanResult r = Ties();
  EXPECT_EQ(Names(r, All(r, SearchOrder{kSearchColumnName, true})),
            (V{L"[C:]", L"a", L"a b", L"b", L"B", L"c", L"eb", L"x", L"Y", L"y", L"zz", L"Éa"}));
  EXPECT_EQ(Names(r, All(r, SearchOrder{kSearchColumnName, false})),
            (V{L"Éa", L"zz", L"Y", L"y", L"x", L"eb", L"c", L"b", L"B", L"a b", L"a", L"[C:]"}));
}

TEST(SearchOrder, ByFolderThenPath) {
  const ScanResult r = Ties();
  EXPECT_EQ(Names(r, All(r, SearchOrder{kSearchColumnFolder, true})),
            (V{L"[C:]", L"a", L"a b", L"B", L"zz", L"b", L"c", L"eb", L"x", L"Y", L"y", L"Éa"}));
  EXPECT_EQ(Names(r, All(r, SearchOrder{kSearchColumnFolder, false})),
            (V{L"eb", L"x", L"Y", L"y", L"Éa", L"c", L"b", L"a", L"a b", L"B", L"zz", L"[C:]"}));
}

TEST(SearchOrder, ByAllocatedAndByTime) {
  const ScanResult r = Ties();
  std::vector<SearchHit> files = FindMatches(r, ParseQuery(L"type:file").query);
  OrderHits(r, files, SearchOrder{kSearchColumnAlloc, true});
  EXPECT_EQ(Names(r, files), (V{L"c", L"eb", L"x", L"Y", L"y", L"Éa", L"zz", L"b"}));
  OrderHits(r, files, SearchOrder{kSearchColumnModified, false});
  EXPECT_EQ(Names(r, files), (V{L"b", L"c", L"zz", L"eb", L"x", L"Y", L"y", L"Éa"}));
}

TEST(HitPaths, PathsAndLocations) {
  test::ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"a");
  b.AddFolder(21, 20, L"p\\q");  // a name from the volume may hold a backslash
  b.AddFile(kRootId, 100, L"top", 1);
  b.AddFile(21, 101, L"deep", 1);
  const ScanResult& r = b.Finish();
  HitPaths paths(r);
  const SearchHit root{0, true}, a{1, true}, pq{2, true};
  const SearchHit top{0, false}, deep{1, false};
  EXPECT_EQ(paths.Path(root), L"C:\\");
  EXPECT_EQ(paths.Location(root), L"");
  EXPECT_EQ(paths.Path(a), L"C:\\a");
  EXPECT_EQ(paths.Location(a), L"C:\\");
  EXPECT_EQ(paths.Path(pq), L"C:\\a\\p\\q");
  EXPECT_EQ(paths.Location(pq), L"C:\\a");
  EXPECT_EQ(paths.Path(top), L"C:\\top");
  EXPECT_EQ(paths.Location(top), L"C:\\");
  EXPECT_EQ(paths.Path(deep), L"C:\\a\\p\\q\\deep");
  EXPECT_EQ(paths.Location(deep), L"C:\\a\\p\\q");
  EXPECT_EQ(paths.Path(SearchHit{99, false}), L"");  // a stale index
  EXPECT_LT(paths.ComparePaths(a, pq), 0);
  EXPECT_EQ(paths.ComparePaths(top, top), 0);
}

TEST(HitPaths, FolderPathsAreBuildFolderPathsWhateverTheParents) {
  // Folders in a parent loop (40 -> 41 -> 42 -> 40), one hanging from the
  // loop, one whose parent is unknown, and a chain whose path would pass
  // the longest one Windows can address.
  test::ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"a");
  b.AddFolder(21, 20, L"b");
  b.AddFolder(40, 42, L"loop0");
  b.AddFolder(41, 40, L"loop1");
  b.AddFolder(42, 41, L"loop2");
  b.AddFolder(43, 41, L"hangs");
  b.AddFolder(44, 999, L"orphan");
  b.AddFolder(45, 44, L"under orphan");
  std::int64_t parent = 21;
  for (std::int64_t id = 100; id < 300; ++id) {
    b.AddFolder(id, parent, std::wstring(200, static_cast<wchar_t>(L'a' + id % 26)));
    parent = id;
  }
  const ScanResult& r = b.Finish();
  // Asked in every order: from the top, from the bottom, and scattered.
  for (const int pass : {0, 1, 2}) {
    HitPaths paths(r);
    for (std::size_t k = 0; k < r.folders.size(); ++k) {
      const std::size_t i = pass == 0 ? k : pass == 1 ? r.folders.size() - 1 - k : (k * 7919) % r.folders.size();
      ASSERT_EQ(paths.FolderPath(static_cast<std::uint32_t>(i)), BuildFolderPath(r, r.folders[i].id, r.drive))
          << "folder " << r.folders[i].id << ", pass " << pass;
    }
  }
}

TEST(RunSearch, AnswersWithTheOrderedMatchesOrTheReason) {
  const ScanResult r = Ties();
  const SearchAnswer found = RunSearch(r, L"type:file size:100", SearchOrder{kSearchColumnName, true}, 2);
  EXPECT_EQ(found.problem, L"");
  EXPECT_EQ(Names(r, found.hits), (V{L"b", L"c", L"eb", L"x", L"Y", L"y", L"Éa"}));
  EXPECT_EQ(found.totals, (SearchTotals{7, 0, 700, 4096 + 0 + 500}));
  EXPECT_EQ(SearchCountLine(found.totals), L"找到 7 个文件 (共 700 B)、0 个文件夹");
  EXPECT_EQ(SearchCountLine(SearchTotals{2, 1, 1536, 0}), L"找到 2 个文件 (共 1.50 KB)、1 个文件夹");

  const SearchAnswer refused = RunSearch(r, L"size:>lots", SearchOrder{}, 1);
  EXPECT_EQ(refused.problem, L"查询无效: size:>lots — 大小应为数字加单位 (B, K, M, G, T)");
  EXPECT_TRUE(refused.hits.empty());
  EXPECT_EQ(refused.query, L"size:>lots");
}

}  // namespace
}  // namespace tw
