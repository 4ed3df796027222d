#include "search/path_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "search/hit_paths.h"
#include "search/order.h"
#include "search/query.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

// Folders and files whose paths begin one another in every way: "a", "a b",
// "ab", "A" (the same folded), "a\b" as a folder and as a file, names that
// hold a blank, a backslash or letters beyond ASCII, empty names.
ScanResult Prefixes() {
  test::ScanResultBuilder b;
  const wchar_t* names[] = {L"a", L"a b", L"ab", L"A", L"b", L"a\\b", L"É", L"", L"a!"};
  std::int64_t id = 20;
  std::vector<std::int64_t> level{kRootId};
  for (int depth = 0; depth < 2; ++depth) {
    std::vector<std::int64_t> next;
    for (const std::int64_t parent : level) {
      for (const wchar_t* name : names) {
        b.AddFolder(id, parent, name);
        next.push_back(id++);
      }
    }
    level = next;
  }
  std::int64_t file_id = 1000;
  for (std::int64_t folder = kRootId; folder < id; folder = folder == kRootId ? 20 : folder + 1) {
    for (const wchar_t* name : names) b.AddFile(folder, file_id++, name, 1);
  }
  return b.Finish();
}

TEST(PathOrder, AgreesWithComparingWholePaths) {
  const ScanResult r = Prefixes();
  std::vector<SearchHit> hits = FindMatches(r, ParseQuery(L"\"\"").query);
  ASSERT_GT(hits.size(), 900u);
  HitPaths paths(r);
  const PathOrder order(r, hits, paths);
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    const SearchHit& a = hits[random() % hits.size()];
    const SearchHit& b = hits[random() % hits.size()];
    ASSERT_EQ(order.Less(a, b), paths.ComparePaths(a, b) < 0)
        << std::string(paths.Path(a).begin(), paths.Path(a).end()) << " / "
        << std::string(paths.Path(b).begin(), paths.Path(b).end());
  }
}

TEST(PathOrder, ManyTiesAreOrderedAsFewAre) {
  // Every file is 1 byte: one tie of nearly a thousand, ordered through a
  // PathOrder; sorted by whole paths it comes out the same.
  const ScanResult r = Prefixes();
  std::vector<SearchHit> hits = FindMatches(r, ParseQuery(L"type:file").query);
  std::shuffle(hits.begin(), hits.end(), std::mt19937(3));
  OrderHits(r, hits, SearchOrder{});
  HitPaths paths(r);
  std::vector<SearchHit> whole = hits;
  std::sort(whole.begin(), whole.end(), [&](const SearchHit& a, const SearchHit& b) { return paths.ComparePaths(a, b) < 0; });
  EXPECT_EQ(hits, whole);
  // And by folder, where the locations tie.
  OrderHits(r, hits, SearchOrder{kSearchColumnFolder, true});
  for (std::size_t i = 1; i < hits.size(); ++i) {
    const int location = CompareNamesNoCase(
        [&] { const std::wstring t = paths.Location(hits[i - 1]); return std::u16string(t.begin(), t.end()); }(),
        [&] { const std::wstring t = paths.Location(hits[i]); return std::u16string(t.begin(), t.end()); }());
    ASSERT_LE(location, 0);
    if (location == 0) {
      ASSERT_LT(paths.ComparePaths(hits[i - 1], hits[i]), 0);
    }
  }
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

TEST(SearchOrder, ACancelledOrderGivesUpWithoutThrowing) {
  test::ScanResultBuilder b;
  for (int i = 0; i < 100000; ++i) b.AddFile(kRootId, 1000 + i, L"f" + std::to_wstring(i), (i * 7919) % 1000);
  const ScanResult& r = b.Finish();
  const std::vector<SearchHit> all = FindMatches(r, ParseQuery(L"type:file").query);
  const CancelFlag cancel;
  cancel.Cancel();
  // The sorts stop from inside their comparisons; the order they leave is
  // dropped by the caller, but it holds valid matches, as many as before.
  for (const std::int32_t column : {kSearchColumnName, kSearchColumnSize, kSearchColumnFolder}) {
    std::vector<SearchHit> hits = all;
    EXPECT_NO_THROW(OrderHits(r, hits, SearchOrder{column, false}, &cancel));
    EXPECT_EQ(hits.size(), all.size());
    EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [&](const SearchHit& h) { return h.index < r.files.size(); }));
  }
  // Not cancelled, the same sort runs to the end.
  std::vector<SearchHit> hits = all;
  OrderHits(r, hits, SearchOrder{});
  EXPECT_TRUE(std::is_sorted(hits.begin(), hits.end(), [&](const SearchHit& x, const SearchHit& y) {
    return HitSize(r, x) > HitSize(r, y);
  }));
}

}  // namespace
}  // namespace tw
