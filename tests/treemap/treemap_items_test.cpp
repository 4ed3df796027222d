#include "treemap/treemap_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"

namespace tw {
namespace {

using test::ScanResultBuilder;
using Names = std::vector<std::wstring>;

Names NamesOf(const std::vector<TreemapItem>& items) {
  Names names;
  for (const auto& item : items) names.push_back(item.name);
  return names;
}

TEST(TreemapItems, FoldersLargestFirstThenDirectFilesInTheNextColour) {
  std::vector<TreemapItem> items(3);
  EXPECT_FALSE(RebuildTreemapItems(ScanResult(), kRootId, false, items));  // before the first result
  EXPECT_TRUE(items.empty());

  ScanResultBuilder b;
  b.AddFolder(10, kRootId, L"small");
  b.AddFile(10, 100, L"a.txt", 100);
  b.AddFolder(11, kRootId, L"big");
  b.AddFile(11, 101, L"b.bin", 5000);
  b.AddFile(kRootId, 102, L"root.sys", 700);
  b.AddFile(kRootId, 103, L"pagefile", 300);
  const ScanResult& r = b.Finish();

  EXPECT_FALSE(RebuildTreemapItems(r, kRootId, false, items));
  ASSERT_EQ(NamesOf(items), (Names{L"big", L"small", L"[直接文件]"}));
  EXPECT_EQ(items[0].size, 5000);
  EXPECT_EQ(items[0].id, 11);
  EXPECT_TRUE(items[0].is_folder && !items[0].is_direct_files);
  EXPECT_EQ(items[1].colour, 0xB0C94Eu);
  const TreemapItem& direct = items[2];
  EXPECT_EQ(direct.size, 1000);
  EXPECT_EQ(direct.id, kRootId);
  EXPECT_TRUE(direct.is_folder && direct.is_direct_files && !direct.is_file);
  EXPECT_EQ(direct.colour, 0x7891CEu);

  // An id the result does not hold (and 0) shows the root.
  RebuildTreemapItems(r, 999, false, items);
  EXPECT_EQ(items.size(), 3u);
  EXPECT_TRUE(RebuildTreemapItems(r, 0, true, items));
  EXPECT_EQ(NamesOf(items), (Names{L"root.sys", L"pagefile"}));
  EXPECT_EQ(items[0].id, kRootId);
}

TEST(TreemapItems, EmptyFoldersAreWeighedOneOrLeftOut) {
  ScanResultBuilder b;
  b.AddFolder(10, kRootId, L"nothing");
  b.AddFolder(11, kRootId, L"empty parent");
  b.AddFolder(12, 11, L"empty child");
  b.AddFolder(13, kRootId, L"zero files");
  b.AddFile(13, 100, L"empty.txt", 0);
  b.AddFolder(14, kRootId, L"counted, no list");
  b.AddFolder(15, kRootId, L"data");
  b.AddFile(15, 101, L"x", 10);
  ScanResult& r = b.Finish();
  b.folder(14).direct_file_count = b.folder(14).total_file_count = 2;
  DirNode& root = b.folder(kRootId);
  std::vector<std::int64_t> children(r.Children(root).begin(), r.Children(root).end());
  children.push_back(0);    // corrupt ids are skipped,
  children.push_back(404);  // never taken for the root
  root.first_child = static_cast<std::uint32_t>(r.child_ids.size());
  root.child_count = static_cast<std::uint32_t>(children.size());
  r.child_ids.insert(r.child_ids.end(), children.begin(), children.end());
  ASSERT_EQ(r.Children(root).size(), 7u);

  std::vector<TreemapItem> items;
  RebuildTreemapItems(r, kRootId, false, items);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].name, L"data");
  for (std::size_t i = 1; i < items.size(); ++i) {
    EXPECT_TRUE(items[i].name != L"nothing" && items[i].name != L"[直接文件]");
    EXPECT_EQ(items[i].size, 1) << i;
    // Enterable only with children or a non-empty file list.
    EXPECT_EQ(items[i].is_folder, items[i].name != L"counted, no list") << i;
  }
}

TEST(TreemapItems, LeafFolderShowsItsNonEmptyFilesAtOnce) {
  ScanResultBuilder b;
  b.AddFolder(10, kRootId, L"docs");
  b.AddFile(10, 100, L"small.txt", 10);
  b.AddFile(10, 101, L"empty.txt", 0);
  b.AddFile(10, 102, L"large.pdf", 900);
  const ScanResult& r = b.Finish();

  std::vector<TreemapItem> items;
  EXPECT_TRUE(RebuildTreemapItems(r, 10, false, items));
  ASSERT_EQ(NamesOf(items), (Names{L"large.pdf", L"small.txt"}));
  EXPECT_TRUE(items[0].is_file && !items[0].is_folder);
  EXPECT_EQ(items[0].id, 10);
  EXPECT_EQ(items[0].file_index, 2u);
  EXPECT_EQ(items[1].file_index, 0u);
  EXPECT_EQ(items[1].colour, TreemapPalette[1]);
}

TEST(TreemapItems, ColoursCycleThroughTheTwelveEntries) {
  ScanResultBuilder b;
  for (int i = 0; i < 13; ++i) {
    b.AddFolder(100 + i, kRootId, L"f" + std::to_wstring(i));
    b.AddFile(100 + i, 200 + i, L"x", 1000 - i);
  }
  b.AddFile(kRootId, 300, L"y", 1);
  const ScanResult& r = b.Finish();

  std::vector<TreemapItem> items;
  RebuildTreemapItems(r, kRootId, false, items);
  ASSERT_EQ(items.size(), 14u);
  EXPECT_EQ(items[11].colour, TreemapPalette[11]);
  EXPECT_EQ(items[12].colour, TreemapPalette[0]);  // the thirteenth item
  EXPECT_EQ(items[13].colour, TreemapPalette[1]);  // "[直接文件]"

  // AddFileItems continues a given counter and returns it.
  items.clear();
  EXPECT_EQ(AddFileItems(r, kRootId, 11, items), 12u);
  EXPECT_EQ(items.at(0).colour, TreemapPalette[11]);
  EXPECT_EQ(AddFileItems(r, 77, 4, items), 4u);
}

TreemapItem Item(std::int64_t size, bool folder, bool direct, bool file) {
  TreemapItem item;
  item.size = size;
  item.id = 42;
  item.is_folder = folder;
  item.is_direct_files = direct;
  item.is_file = file;
  return item;
}

TEST(TreemapHitTest, FirstContainingCellDecidesCursorAndDoubleClick) {
  const std::vector<TreemapItem> items = {Item(3'000'000, true, false, false), Item(1'000'000, false, false, true)};
  const Rect client{0, 0, 400, 100};
  EXPECT_EQ(HitTestTreemap(client, items, 299, 99), 0u);
  EXPECT_EQ(HitTestTreemap(client, items, 300, 0), 1u);
  EXPECT_EQ(HitTestTreemap(client, items, 400, 50), std::nullopt);
  const std::vector<TreemapCell> stale = {{0, 0, 10, 10, 5}, {0, 0, 10, 10, 0}};
  EXPECT_EQ(HitTestTreemap(stale, 2, 1, 1), std::nullopt);

  const TreemapItem folder = Item(1, true, false, false), direct = Item(1, true, true, false),
                    file = Item(1, false, false, true), closed = Item(1, false, false, false);
  EXPECT_TRUE(ShowsHandCursor(folder) && ShowsHandCursor(direct));
  EXPECT_FALSE(ShowsHandCursor(file) || ShowsHandCursor(closed));
  EXPECT_EQ(DoubleClickTarget(folder), (TreemapTarget{42, false}));
  EXPECT_EQ(DoubleClickTarget(direct), (TreemapTarget{42, true}));
  EXPECT_EQ(DoubleClickTarget(file), std::nullopt);
  EXPECT_EQ(DoubleClickTarget(closed), std::nullopt);
}

TEST(TreemapLabel, ALabelIsDrawnOnlyWhereItsLinesFit) {
  // With lines of 10 px the old thresholds hold: no label below 24 x 14, one
  // line below a height of 30, two lines from 30 up.
  EXPECT_EQ(TreemapLabelFor(24, 14, 10), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(23, 14, 10), TreemapLabelKind::kNone);
  EXPECT_EQ(TreemapLabelFor(24, 13, 10), TreemapLabelKind::kNone);
  EXPECT_EQ(TreemapLabelFor(500, 29, 10), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(24, 30, 10), TreemapLabelKind::kTwoLines);
  // A 16 px line (the small font at 96 DPI) needs a cell 20 high for one line
  // and 39 high for two (the name gets 19 rows, the size the other 16).
  EXPECT_EQ(TreemapLabelFor(200, 19, 16), TreemapLabelKind::kNone);
  EXPECT_EQ(TreemapLabelFor(200, 20, 16), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(200, 38, 16), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(200, 39, 16), TreemapLabelKind::kTwoLines);
  // 144 DPI: a 24 px line.
  EXPECT_EQ(TreemapLabelFor(200, 27, 24), TreemapLabelKind::kNone);
  EXPECT_EQ(TreemapLabelFor(200, 28, 24), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(200, 54, 24), TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelFor(200, 55, 24), TreemapLabelKind::kTwoLines);

  TreemapItem item = Item(1536, true, false, false);
  item.name = L"Windows";
  const TreemapLabel one = TreemapLabelOf(TreemapCell{10, 20, 110, 49, 0}, item, 12);
  EXPECT_EQ(one.first, L"Windows (1.50 KB)");
  EXPECT_EQ(one.first_rect, (Rect{14, 22, 106, 47}));
  EXPECT_TRUE(one.second.empty());

  const TreemapLabel two = TreemapLabelOf(TreemapCell{10, 20, 110, 51, 0}, item, 12);
  EXPECT_EQ(two.first, L"Windows");
  EXPECT_EQ(two.first_rect, (Rect{14, 22, 106, 37}));  // text top + 31 / 2
  EXPECT_EQ(two.second, L"1.50 KB");
  EXPECT_EQ(two.second_rect, (Rect{14, 37, 106, 49}));

  EXPECT_EQ(TreemapLabelOf(TreemapCell{10, 20, 110, 51, 0}, item, 14).kind, TreemapLabelKind::kOneLine);
  EXPECT_EQ(TreemapLabelOf(TreemapCell{10, 20, 110, 51, 0}, item, 28).kind, TreemapLabelKind::kNone);

  EXPECT_FALSE(IsDrawableCell(TreemapCell{0, 0, 1, 1, 2}, 2));
  EXPECT_FALSE(IsDrawableCell(TreemapCell{5, 0, 5, 1, 0}, 2));
}

TEST(TreemapCellOutline, OnlyCellsWithRoomForColourInsideAreOutlined) {
  EXPECT_TRUE(HasOutline(TreemapCell{0, 0, 8, 8, 0}));
  EXPECT_FALSE(HasOutline(TreemapCell{0, 0, 7, 300, 0}));
  EXPECT_FALSE(HasOutline(TreemapCell{0, 0, 300, 2, 0}));

  // A folder of 10,000 small files in a 480 x 200 panel: painted as the
  // window does (fill, then a white border on outlined cells), at least 90%
  // of the panel keeps a colour.
  std::vector<std::int64_t> sizes;
  for (int i = 0; i < 10'000; ++i) sizes.push_back(1 + (i * 7919) % 3000);
  std::vector<TreemapCell> cells;
  SquarifyLayout(Rect{0, 0, 480, 200}, sizes, cells);
  std::vector<char> coloured(480 * 200, 0);
  for (const TreemapCell& c : cells) {
    for (int y = c.top; y < c.bottom; ++y) {
      for (int x = c.left; x < c.right; ++x) {
        const bool border = x == c.left || x == c.right - 1 || y == c.top || y == c.bottom - 1;
        coloured[y * 480 + x] = !(border && HasOutline(c));
      }
    }
  }
  const double share =
      static_cast<double>(std::count(coloured.begin(), coloured.end(), 1)) / static_cast<double>(coloured.size());
  EXPECT_GE(share, 0.9);
}

}  // namespace
}  // namespace tw
