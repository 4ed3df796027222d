#include "views/extension_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/file_view.h"

namespace tw {
namespace {

using Names = std::vector<std::wstring>;

ExtStat Ext(std::wstring extension, std::int64_t size, std::int32_t count) {
  return ExtStat{std::move(extension), size, count};
}

Names Shown(const ScanResult& r, const ExtensionListState& s) {
  Names names;
  for (std::size_t row = 0; row < s.extension_view.size(); ++row) {
    names.push_back(ExtensionAtPosition(r, s, *ExtensionRowPosition(r, s, static_cast<std::int64_t>(row)))->extension);
  }
  return names;
}

TEST(ExtensionList, ShowsEntriesWithASizeOrACountUpToTwoHundred) {
  ScanResult r;
  r.extensions = {Ext(L".dll", 900, 3), Ext(L".log", 0, 4), Ext(L".tmp", 0, 0), Ext(L".x", 5, 0)};
  ExtensionListState s;
  FillExtensionList(r, s);
  EXPECT_EQ(s.extension_view, (std::vector<std::uint64_t>{0, 1, 3}));
  EXPECT_EQ(ExtensionRowPosition(r, s, 3), std::nullopt);
  EXPECT_EQ(ExtensionRowPosition(r, s, -1), std::nullopt);

  r.extensions.clear();
  for (int i = 0; i < 250; ++i) r.extensions.push_back(Ext(L".e" + std::to_wstring(i), i + 1, 250 - i));
  RefreshExtensionList(r, s);  // size, descending
  const Names names = Shown(r, s);
  ASSERT_EQ(names.size(), 200u);
  EXPECT_EQ(names.front(), L".e249");
  EXPECT_EQ(names.back(), L".e50");
}

TEST(ExtensionList, FileCountClickSortsDescendingThenAscending) {
  ScanResult r;
  r.extensions = {Ext(L".a", 100, 2), Ext(L".b", 50, 9), Ext(L".c", 10, 5)};
  ExtensionListState s;
  ExtensionListColumnClick(r, s, 3);
  EXPECT_EQ(s.sort, (ListSort{3, false}));
  EXPECT_EQ(Shown(r, s), (Names{L".b", L".c", L".a"}));
  ExtensionListColumnClick(r, s, 3);
  EXPECT_EQ(Shown(r, s), (Names{L".a", L".c", L".b"}));
  ExtensionListColumnClick(r, s, 2);  // the share sorts by size
  EXPECT_EQ(Shown(r, s), (Names{L".a", L".b", L".c"}));
}

TEST(ExtensionList, NameSortMovesTheSwatchColoursInBothListsAndLeavesTheResult) {
  ScanResult r;
  r.extensions = {Ext(L".zip", 300, 1), Ext(L".Exe", 200, 1), Ext(L"", 100, 1), Ext(L".dll", 50, 1)};
  const std::vector<ExtStat> before = r.extensions;
  ExtensionListState s;
  RefreshExtensionList(r, s);
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, s.order, L".dll"), TreemapPalette[3]);
  ExtensionListColumnClick(r, s, 0);
  ExtensionListColumnClick(r, s, 0);  // name ascending; no extension sorts first
  EXPECT_EQ(Shown(r, s), (Names{L"", L".dll", L".Exe", L".zip"}));
  EXPECT_EQ(*ExtensionRowPosition(r, s, 0), 0u);  // first row: palette entry 0
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, s.order, L".DLL"), TreemapPalette[1]);
  EXPECT_EQ(ExtensionSwatchColour(r.extensions, s.order, L""), TreemapPalette[0]);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(r.extensions[i].extension, before[i].extension);
}

TEST(ExtensionList, CellTextsAndTheShareOfTheVolume) {
  ScanResult r;
  r.root_total_size = 4096;
  const ExtStat stat = Ext(L".iso", 1024, 7);
  const Names texts = {ExtensionCellText(r, stat, 0), ExtensionCellText(r, stat, 1), ExtensionCellText(r, stat, 2),
                       ExtensionCellText(r, stat, 3), ExtensionCellText(r, stat, 4)};
  EXPECT_EQ(texts, (Names{L".iso", L"1.00 KB", L"25.0%", L"7", L""}));

  // A volume total that is not positive divides by 1; the formatter clamps.
  r.root_total_size = 0;
  EXPECT_EQ(ExtensionCellText(r, Ext(L".a", 0, 1), 2), L"0.0%");
  EXPECT_EQ(ExtensionCellText(r, stat, 2), L"100.0%");
}

}  // namespace
}  // namespace tw
