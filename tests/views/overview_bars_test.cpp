#include "views/overview_bars.h"

#include <gtest/gtest.h>

#include "views/main_layout.h"

namespace tw {
namespace {

TEST(OverviewPage, TheControlSpansTheTitlesRowAndTheContentArea) {
  // At 96 DPI with a client area of 1304 x 801: content from y 136, 623 high.
  const MainLayout layout = LayoutMainWindow(1304, 801, 96, kTabOverview);
  ASSERT_TRUE(layout.overview);
  EXPECT_EQ(*layout.overview, (Placement{12, 108, 1280, 651}));
  EXPECT_FALSE(layout.folder_page);
  EXPECT_FALSE(layout.file_list);
  EXPECT_FALSE(layout.change_page);
  EXPECT_FALSE(LayoutMainWindow(1304, 801, 96, kTabTree).overview);
  EXPECT_EQ(*LayoutMainWindow(1980, 1200, 144, kTabOverview).overview, (Placement{18, 162, 1944, 975}));
}

TEST(OverviewPage, PathBarAboveLegendBelowThePictureBetween) {
  EXPECT_EQ(LayoutOverview(1280, 651, 96),
            (OverviewGeometry{Rect{0, 0, 1280, 28}, Rect{0, 28, 1280, 625}, Rect{0, 625, 1280, 651}}));
  EXPECT_EQ(LayoutOverview(900, 600, 144),
            (OverviewGeometry{Rect{0, 0, 900, 42}, Rect{0, 42, 900, 561}, Rect{0, 561, 900, 600}}));
  // Too low for all three: the picture goes first, nothing turns negative.
  EXPECT_EQ(LayoutOverview(100, 40, 96),
            (OverviewGeometry{Rect{0, 0, 100, 28}, Rect{0, 28, 100, 28}, Rect{0, 28, 100, 40}}));
  EXPECT_EQ(LayoutOverview(-5, -5, 96), (OverviewGeometry{}));
}

TEST(PathBar, EveryPartWhenThereIsRoom) {
  const std::vector<std::int32_t> widths = {30, 40, 50};
  const std::vector<PathBarPart> parts = LayoutPathBar(widths, 10, 8, Rect{5, 0, 500, 20});
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0], (PathBarPart{0, false, Rect{5, 0, 35, 20}}));
  EXPECT_EQ(parts[1], (PathBarPart{1, false, Rect{45, 0, 85, 20}}));
  EXPECT_EQ(parts[2], (PathBarPart{2, false, Rect{95, 0, 145, 20}}));
  EXPECT_EQ(PathBarStepAt(parts, 5, 10), 0u);
  EXPECT_EQ(PathBarStepAt(parts, 84, 19), 1u);
  EXPECT_FALSE(PathBarStepAt(parts, 40, 10));   // a separator
  EXPECT_FALSE(PathBarStepAt(parts, 100, 20));  // below the bar
  EXPECT_TRUE(LayoutPathBar({}, 10, 8, Rect{0, 0, 100, 20}).empty());
}

TEST(PathBar, TheRootAnEllipsisAndTheDeepestPartsThatFit) {
  // 20 + 10 + 8 + 10 + [the tail]: 100 - 48 leaves room for 30 and 10 + 12.
  const std::vector<std::int32_t> widths = {20, 40, 40, 30, 12};
  const std::vector<PathBarPart> parts = LayoutPathBar(widths, 10, 8, Rect{0, 0, 100, 20});
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], (PathBarPart{0, false, Rect{0, 0, 20, 20}}));
  EXPECT_EQ(parts[1], (PathBarPart{2, true, Rect{30, 0, 38, 20}}));  // jumps to the last step it hides
  EXPECT_EQ(parts[2], (PathBarPart{3, false, Rect{48, 0, 78, 20}}));
  EXPECT_EQ(parts[3], (PathBarPart{4, false, Rect{88, 0, 100, 20}}));
  EXPECT_EQ(PathBarStepAt(parts, 33, 5), 2u);
}

TEST(PathBar, TheLastPartAloneWhenNothingElseFits) {
  const std::vector<std::int32_t> widths = {20, 90};
  const std::vector<PathBarPart> parts = LayoutPathBar(widths, 10, 8, Rect{0, 0, 100, 20});
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0], (PathBarPart{1, false, Rect{0, 0, 90, 20}}));
  const std::vector<std::int32_t> root = {300};
  EXPECT_EQ(LayoutPathBar(root, 10, 8, Rect{0, 0, 100, 20}),
            (std::vector<PathBarPart>{PathBarPart{0, false, Rect{0, 0, 300, 20}}}));
}

TEST(OverviewLegend, TheRowScalesWithTheDpi) {
  const LegendSpacing at96 = OverviewLegendSpacing(96);
  EXPECT_EQ(at96.margin, 8);
  EXPECT_EQ(at96.swatch, 12);
  const LegendSpacing at144 = OverviewLegendSpacing(144);
  EXPECT_EQ(at144.margin, 12);
  EXPECT_EQ(at144.swatch, 18);
  EXPECT_EQ(at144.swatch_gap, 8);  // 7.5 rounded half away from zero
  EXPECT_EQ(at144.entry_gap, 24);
}

}  // namespace
}  // namespace tw
