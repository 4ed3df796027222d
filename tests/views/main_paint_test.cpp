#include "views/main_paint.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using Triangle = std::array<Point, 3>;

TEST(HeaderItem, DescendingMarkAtTheRightEndShortensTheText) {
  const HeaderItemLayout l = LayoutHeaderItem(Rect{100, 0, 210, 25}, false, SortMark::kDown, 96);
  EXPECT_EQ(l.separator_x, 209);
  EXPECT_EQ(l.separator_top, 5);
  EXPECT_EQ(l.separator_bottom, 20);
  // Centre (210 - 12, 25 / 2), t = 3, pointing down.
  EXPECT_EQ(l.triangle, (Triangle{Point{195, 9}, Point{201, 9}, Point{198, 15}}));
  EXPECT_EQ(l.text, (Rect{109, 2, 201 - 14, 23}));
}

TEST(HeaderItem, RightAlignedColumnsCarryTheMarkOnTheLeft) {
  // Centre y = 21 / 2 = 10.
  const HeaderItemLayout up = LayoutHeaderItem(Rect{0, -3, 100, 24}, true, SortMark::kUp, 96);
  EXPECT_EQ(up.triangle, (Triangle{Point{6, 13}, Point{12, 13}, Point{9, 7}}));
  EXPECT_EQ(up.text, (Rect{9 + 14, -1, 91, 22}));

  const HeaderItemLayout plain = LayoutHeaderItem(Rect{0, 0, 100, 24}, true, SortMark::kNone, 96);
  EXPECT_FALSE(plain.triangle.has_value());
  EXPECT_EQ(plain.text, (Rect{9, 2, 91, 22}));
}

TEST(MainPaint, LooksFollowTheState) {
  EXPECT_EQ(Rgb(0, 120, 215), 0xD77800u);
  EXPECT_EQ(ScanButtonLook(false, true).fill, Rgb(40, 150, 235));
  EXPECT_EQ(ScanButtonLook(true, true), (ButtonLook{kLightTheme.border, kLightTheme.border, kLightTheme.grey_text}));
  EXPECT_EQ(LayoutTabItem(Rect{10, 0, 110, 30}, true, 144).accent_strip, (Rect{10, 27, 110, 30}));
  EXPECT_FALSE(LayoutTabItem(Rect{10, 0, 110, 30}, false, 144).accent_strip.has_value());
}

}  // namespace
}  // namespace tw
