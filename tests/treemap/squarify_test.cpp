#include "treemap/squarify.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace tw {
namespace {

std::vector<TreemapCell> Layout(Rect rect, std::vector<std::int64_t> weights) {
  std::vector<TreemapCell> cells = {TreemapCell{1, 2, 3, 4, 99}};  // must be cleared
  SquarifyLayout(rect, weights, cells);
  return cells;
}

TEST(SquarifyLayout, NothingToLayOutGivesNoCells) {
  EXPECT_TRUE(Layout({0, 0, 100, 100}, {}).empty());
  EXPECT_TRUE(Layout({0, 0, 0, 100}, {5}).empty());
  EXPECT_TRUE(Layout({50, 10, 10, 100}, {5}).empty());
  EXPECT_TRUE(Layout({0, 0, 100, 100}, {0, -7}).empty());
}

TEST(SquarifyLayout, OneItemFillsTheRectangleAndKeepsItsIndex) {
  EXPECT_EQ(Layout({7, 9, 107, 59}, {0, 42, -1}), (std::vector<TreemapCell>{{7, 9, 107, 59, 1}}));
}

TEST(SquarifyLayout, SameProportionsGiveDifferentShapesAtDifferentByteScales) {
  const std::vector<std::int64_t> big = {3'000'000}, big_pair = {3'000'000, 1'000'000};
  EXPECT_DOUBLE_EQ(WorstRatio(big, 100), 300.0);
  EXPECT_DOUBLE_EQ(WorstRatio(big_pair, 100), 1600.0);
  EXPECT_EQ(Layout({0, 0, 400, 100}, {1'000'000, 3'000'000}),
            (std::vector<TreemapCell>{{0, 0, 300, 100, 1}, {300, 0, 400, 100, 0}}));

  const std::vector<std::int64_t> small = {300}, small_pair = {300, 100};
  EXPECT_NEAR(WorstRatio(small, 100), 33.3333, 1e-4);
  EXPECT_DOUBLE_EQ(WorstRatio(small_pair, 100), 18.75);
  EXPECT_EQ(Layout({0, 0, 400, 100}, {300, 100}), (std::vector<TreemapCell>{{0, 0, 400, 75, 0}, {0, 75, 400, 100, 1}}));

  EXPECT_EQ(WorstRatio({}, 100), std::numeric_limits<double>::max());
  EXPECT_EQ(WorstRatio(small, 0), std::numeric_limits<double>::max());
}

TEST(SquarifyLayout, SquareRectanglePlacesItsFirstRowAsALeftColumn) {
  EXPECT_EQ(Layout({0, 0, 100, 100}, {3'000'000, 1'000'000}),
            (std::vector<TreemapCell>{{0, 0, 75, 100, 0}, {75, 0, 100, 100, 1}}));
}

TEST(SquarifyLayout, EdgesRoundHalfAwayFromZero) {
  // Each weight is its own column (one item measures 1, two measure 4):
  // edges at 3.33 and 6.67 round to 3 and 7.
  const auto thirds = Layout({0, 0, 10, 1}, {1, 1, 1});
  ASSERT_EQ(thirds.size(), 3u);
  EXPECT_EQ(thirds[0].right, 3);
  EXPECT_EQ(thirds[1].right, 7);
  EXPECT_EQ(thirds[2].right, 10);
  const auto halves = Layout({-5, 0, 0, 1}, {1, 1});
  ASSERT_EQ(halves.size(), 2u);
  EXPECT_EQ(halves[0].right, -3);  // -2.5
  EXPECT_EQ(halves[1].left, -3);
}

TEST(SquarifyLayout, CellsTileTheRectangleWithoutOverlap) {
  std::vector<std::int64_t> weights;
  for (int i = 0; i < 60; ++i) weights.push_back((i * 7919) % 1000 + 1);
  const Rect rect{10, 20, 650, 420};
  const auto cells = Layout(rect, weights);
  ASSERT_EQ(cells.size(), weights.size());
  std::vector<bool> seen(weights.size(), false);
  std::int64_t area = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const TreemapCell& a = cells[i];
    ASSERT_LT(a.item_index, weights.size());
    EXPECT_FALSE(seen[a.item_index]);
    seen[a.item_index] = true;
    EXPECT_TRUE(a.left >= rect.left && a.top >= rect.top && a.right <= rect.right && a.bottom <= rect.bottom);
    area += std::int64_t{a.right - a.left} * (a.bottom - a.top);
    for (std::size_t j = i + 1; j < cells.size(); ++j) {
      const TreemapCell& b = cells[j];
      EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) << i << " " << j;
    }
  }
  EXPECT_EQ(area, std::int64_t{640} * 400);  // shared rounded edges leave no gaps
}

TEST(SquarifyLayout, CorruptHugeWeightsStayInsideTheRectangle) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  const auto cells = Layout({0, 0, 200, 100}, {max, max, max / 2});
  ASSERT_EQ(cells.size(), 3u);
  for (const auto& c : cells) {
    EXPECT_TRUE(c.left >= 0 && c.right <= 200 && c.top >= 0 && c.bottom <= 100);
    EXPECT_GT(c.right - c.left, 0);
  }
}

}  // namespace
}  // namespace tw
