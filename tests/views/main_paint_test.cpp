#include "views/main_paint.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(MainPaint, ColoursAreColorrefValues) {
  EXPECT_EQ(kColourAccent, 0xD77800u);
  EXPECT_EQ(kColourAccentLight, 0xEB9628u);
  EXPECT_EQ(kColourGreyText, 0x606060u);
}

TEST(MainPaint, ScanButtonByState) {
  EXPECT_EQ(ScanButtonLook(false, false), (ButtonLook{kColourAccent, kColourAccentLight, kColourWhite}));
  EXPECT_EQ(ScanButtonLook(false, true), (ButtonLook{kColourAccentLight, kColourAccentLight, kColourWhite}));
  EXPECT_EQ(ScanButtonLook(true, true), (ButtonLook{kColourBorder, kColourBorder, kColourGreyText}));
}

TEST(MainPaint, TabItemsAndStatics) {
  const TabItemLook selected = LayoutTabItem(Rect{10, 0, 110, 30}, true, 144);
  EXPECT_EQ(selected.fill, kColourField);
  EXPECT_EQ(selected.text, kColourBlack);
  EXPECT_EQ(selected.accent_strip, (Rect{10, 27, 110, 30}));
  const TabItemLook other = LayoutTabItem(Rect{10, 0, 110, 30}, false, 144);
  EXPECT_EQ(other.fill, kColourBand);
  EXPECT_EQ(other.text, kColourGreyText);
  EXPECT_FALSE(other.accent_strip.has_value());

  EXPECT_EQ(StaticTextLook(StaticText::kStatus), (StaticLook{kColourGreyText, kColourBand}));
  EXPECT_EQ(StaticTextLook(StaticText::kSpaceLabel), (StaticLook{kColourBlack, kColourBand}));
  EXPECT_EQ(StaticTextLook(StaticText::kOther), (StaticLook{kColourBlack, kColourWhite}));
}

TEST(HeaderItem, DescendingMarkAtTheRightEndShortensTheText) {
  const HeaderItemLayout l = LayoutHeaderItem(Rect{100, 0, 210, 25}, false, SortMark::kDown, 96);
  EXPECT_EQ(l.separator_x, 209);
  EXPECT_EQ(l.separator_top, 5);
  EXPECT_EQ(l.separator_bottom, 20);
  ASSERT_TRUE(l.triangle.has_value());
  // Centre (198, 12), t = 3, pointing down.
  EXPECT_EQ(*l.triangle, (std::array<Point, 3>{Point{195, 9}, Point{201, 9}, Point{198, 15}}));
  EXPECT_EQ(l.text, (Rect{109, 2, 201 - 14, 23}));
}

TEST(HeaderItem, RightAlignedColumnsCarryTheMarkOnTheLeft) {
  const HeaderItemLayout up = LayoutHeaderItem(Rect{0, -3, 100, 24}, true, SortMark::kUp, 96);
  ASSERT_TRUE(up.triangle.has_value());
  // cy = 21 / 2 = 10 (toward zero).
  EXPECT_EQ(*up.triangle, (std::array<Point, 3>{Point{6, 13}, Point{12, 13}, Point{9, 7}}));
  EXPECT_EQ(up.text, (Rect{9 + 14, -1, 91, 22}));

  const HeaderItemLayout plain = LayoutHeaderItem(Rect{0, 0, 100, 24}, true, SortMark::kNone, 96);
  EXPECT_FALSE(plain.triangle.has_value());
  EXPECT_EQ(plain.text, (Rect{9, 2, 91, 22}));
}

}  // namespace
}  // namespace tw
