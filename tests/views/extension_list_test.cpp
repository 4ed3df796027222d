#include "views/extension_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/file_view.h"

namespace tw {
namespace {

ExtStat Ext(std::wstring extension, std::int64_t size, std::int32_t count) {
  return ExtStat{std::move(extension), size, count};
}

std::vector<std::wstring> Shown(const ScanResult& r, const ExtensionListState& s) {
  std::vector<std::wstring> names;
  for (std::size_t row = 0; row < s.extension_view.size(); ++row) {
    names.push_back(r.extensions[*ExtensionRowPosition(r, s, static_cast<std::int64_t>(row))].extension);
  }
  return names;
}

TEST(ExtensionList, ShowsEntriesWithASizeOrACount) {
  ScanResult r;
  r.extensions = {Ext(L".dll", 900, 3), Ext(L".log", 0, 4), Ext(L".tmp", 0, 0), Ext(L".x", 5, 0)};
  ExtensionListState s;
  s.extension_view = {3, 3, 3};
  FillExtensionList(r, s);
  EXPECT_EQ(s.extension_view, (std::vector<std::uint64_t>{0, 1, 3}));
  EXPECT_EQ(ExtensionRowPosition(r, s, 2), 3u);
  EXPECT_EQ(ExtensionRowPosition(r, s, 3), std::nullopt);
  EXPECT_EQ(ExtensionRowPosition(r, s, -1), std::nullopt);
}

TEST(ExtensionList, TwoHundredOfTwoHundredFiftyAfterTheCurrentSort) {
  ScanResult r;
  for (int i = 0; i < 250; ++i) r.extensions.push_back(Ext(L".e" + std::to_wstring(i), i + 1, 250 - i));
  ExtensionListState s;
  RefreshExtensionList(r, s);  // size descending
  ASSERT_EQ(s.extension_view.size(), 200u);
  EXPECT_EQ(Shown(r, s).front(), L".e249");
  EXPECT_EQ(Shown(r, s).back(), L".e50");
}

TEST(ExtensionList, FileCountClickSortsDescendingThenAscending) {
  ScanResult r;
  r.extensions = {Ext(L".a", 100, 2), Ext(L".b", 50, 9), Ext(L".c", 10, 5)};
  ExtensionListState s;
  ExtensionListColumnClick(r, s, 3);
  EXPECT_EQ(s.sort, (ListSort{3, false}));
  EXPECT_EQ(Shown(r, s), (std::vector<std::wstring>{L".b", L".c", L".a"}));
  ExtensionListColumnClick(r, s, 3);
  EXPECT_EQ(s.sort, (ListSort{3, true}));
  EXPECT_EQ(Shown(r, s), (std::vector<std::wstring>{L".a", L".c", L".b"}));
  // The share column sorts by size.
  ExtensionListColumnClick(r, s, 2);
  EXPECT_EQ(Shown(r, s), (std::vector<std::wstring>{L".a", L".b", L".c"}));
}

TEST(ExtensionList, NameSortMovesTheSwatchColoursInBothLists) {
  ScanResult r;
  r.extensions = {Ext(L".zip", 300, 1), Ext(L".Exe", 200, 1), Ext(L"(无扩展名)", 100, 1), Ext(L".dll", 50, 1)};
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, L".dll"), TreemapPalette[3]);
  ExtensionListState s;
  ExtensionListColumnClick(r, s, 0);
  ExtensionListColumnClick(r, s, 0);  // name ascending
  // "(" sorts before "." as a code unit.
  EXPECT_EQ(Shown(r, s), (std::vector<std::wstring>{L"(无扩展名)", L".dll", L".Exe", L".zip"}));
  // The first row's swatch is palette entry 0, and the file view agrees.
  EXPECT_EQ(*ExtensionRowPosition(r, s, 0), 0u);
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, L"(无扩展名)"), TreemapPalette[0]);
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, L".DLL"), TreemapPalette[1]);
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, L".zip"), TreemapPalette[3]);
}

TEST(ExtensionList, CellTextsAndTheShareOfTheVolume) {
  ScanResult r;
  r.root_total_size = 4096;
  const ExtStat stat = Ext(L".iso", 1024, 7);
  EXPECT_EQ(ExtensionCellText(r, stat, 0), L".iso");
  EXPECT_EQ(ExtensionCellText(r, stat, 1), L"1.00 KB");
  EXPECT_EQ(ExtensionCellText(r, stat, 2), L"25.0%");
  EXPECT_EQ(ExtensionCellText(r, stat, 3), L"7");
  EXPECT_EQ(ExtensionCellText(r, stat, 4), L"");

  // A volume total that is not positive divides by 1; the formatter clamps.
  r.root_total_size = 0;
  EXPECT_EQ(ExtensionCellText(r, Ext(L".a", 0, 1), 2), L"0.0%");
  EXPECT_EQ(ExtensionCellText(r, stat, 2), L"100.0%");
  r.root_total_size = -5;
  EXPECT_EQ(ExtensionCellText(r, stat, 2), L"100.0%");
}

}  // namespace
}  // namespace tw
