#include "views/folder_list_look.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using Triangle = std::array<Point, 3>;

TEST(NameCell, TriangleIconBoxAndLabelFollowTheDepth) {
  // Depth 2 at 96 dpi: x0 = 10 + 6 + 32 = 48, cy = (0 + 24) / 2 = 12.
  const NameCellLayout closed = LayoutNameCell(Rect{10, 0, 200, 24}, 2, true, false, 16, 96);
  EXPECT_EQ(closed.triangle, (Triangle{Point{51, 8}, Point{51, 16}, Point{57, 12}}));
  EXPECT_EQ(closed.icon_box, (Rect{64, 4, 80, 20}));
  EXPECT_EQ(closed.glyph_tab, (Rect{64, 6, 72, 12}));
  EXPECT_EQ(closed.glyph_body, (Rect{64, 8, 80, 18}));
  EXPECT_EQ(closed.label, (Rect{85, 0, 200, 24}));
  const NameCellLayout open = LayoutNameCell(Rect{10, 0, 200, 24}, 2, true, true, 16, 96);
  EXPECT_EQ(open.triangle, (Triangle{Point{49, 10}, Point{57, 10}, Point{53, 16}}));
  EXPECT_FALSE(LayoutNameCell(Rect{10, 0, 200, 24}, 2, false, false, 16, 96).triangle.has_value());
  // 144 dpi scales each length; an odd icon width keeps an even box height.
  const NameCellLayout big = LayoutNameCell(Rect{0, 0, 300, 36}, 1, false, false, 25, 144);
  EXPECT_EQ(big.icon_box, (Rect{9 + 24 + 24, 18 - 12, 9 + 24 + 24 + 25, 18 + 12}));
}

TEST(ShareCell, BarIsAtLeastOnePixelAndNeverWiderThanTheCell) {
  // Inner rectangle: 100 px wide.
  const Rect cell{0, 0, 112, 24};
  const ShareCellLayout zero = LayoutShareCell(cell, 0.0, 96);
  EXPECT_FALSE(zero.bar.has_value());
  EXPECT_EQ(zero.text, L"0.0%");
  EXPECT_EQ(LayoutShareCell(cell, 0.3, 96).bar, (Rect{6, 4, 7, 20}));
  const ShareCellLayout over = LayoutShareCell(cell, 250.0, 96);
  EXPECT_EQ(over.bar, (Rect{6, 4, 106, 20}));
  EXPECT_EQ(over.text, L"100.0%");
  EXPECT_EQ(LayoutShareCell(cell, 42.46, 96).text, L"42.5%");
}

TEST(NameCell, ToggleZoneEndsAtTheIconBox) {
  EXPECT_TRUE(InToggleZone(0, 0, 96));
  EXPECT_TRUE(InToggleZone(22, 0, 96));
  EXPECT_FALSE(InToggleZone(23, 0, 96));
  EXPECT_TRUE(InToggleZone(6 + 48 + 16, 3, 96));
  EXPECT_TRUE(InToggleZone(9 + 24 + 24, 1, 144));
  EXPECT_FALSE(InToggleZone(9 + 24 + 24 + 1, 1, 144));
}

}  // namespace
}  // namespace tw
