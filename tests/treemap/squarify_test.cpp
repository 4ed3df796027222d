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

std::int64_t Area(const TreemapCell& c) {
  return std::int64_t{c.right - c.left} * (c.bottom - c.top);
}

TEST(SquarifyLayout, EmptyInputOrRectangleGivesNoCells) {
  EXPECT_TRUE(Layout({0, 0, 100, 100}, {}).empty());
  EXPECT_TRUE(Layout({0, 0, 0, 100}, {5}).empty());
  EXPECT_TRUE(Layout({0, 10, 100, 10}, {5}).empty());
  EXPECT_TRUE(Layout({50, 0, 10, 100}, {5}).empty());
  EXPECT_TRUE(Layout({0, 0, 100, 100}, {0, -7}).empty());
}

TEST(SquarifyLayout, OneItemFillsTheRectangle) {
  const auto cells = Layout({7, 9, 107, 59}, {0, 42, -1});
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0], (TreemapCell{7, 9, 107, 59, 1}));
}

TEST(SquarifyLayout, MeasureUsesRawBytes) {
  const std::vector<std::int64_t> big = {3'000'000};
  const std::vector<std::int64_t> big_pair = {3'000'000, 1'000'000};
  EXPECT_DOUBLE_EQ(WorstRatio(big, 100), 300.0);
  EXPECT_DOUBLE_EQ(WorstRatio(big_pair, 100), 1600.0);
  const std::vector<std::int64_t> small = {300};
  const std::vector<std::int64_t> small_pair = {300, 100};
  EXPECT_NEAR(WorstRatio(small, 100), 33.333333, 1e-5);
  EXPECT_DOUBLE_EQ(WorstRatio(small_pair, 100), 18.75);
  const double largest = std::numeric_limits<double>::max();
  EXPECT_EQ(WorstRatio({}, 100), largest);
  EXPECT_EQ(WorstRatio(small, 0), largest);
}

TEST(SquarifyLayout, LargeBytesMakeSeparateColumns) {
  const auto cells = Layout({0, 0, 400, 100}, {1'000'000, 3'000'000});
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0], (TreemapCell{0, 0, 300, 100, 1}));
  EXPECT_EQ(cells[1], (TreemapCell{300, 0, 400, 100, 0}));
}

TEST(SquarifyLayout, SmallBytesShareOneRow) {
  const auto cells = Layout({0, 0, 400, 100}, {300, 100});
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0], (TreemapCell{0, 0, 400, 75, 0}));
  EXPECT_EQ(cells[1], (TreemapCell{0, 75, 400, 100, 1}));
}

TEST(SquarifyLayout, SquareStartsWithALeftColumnTallStartsWithATopBand) {
  const auto square = Layout({0, 0, 100, 100}, {3'000'000, 1'000'000});
  ASSERT_EQ(square.size(), 2u);
  EXPECT_EQ(square[0], (TreemapCell{0, 0, 75, 100, 0}));
  EXPECT_EQ(square[1], (TreemapCell{75, 0, 100, 100, 1}));

  const auto tall = Layout({0, 0, 100, 400}, {3'000'000, 1'000'000});
  ASSERT_EQ(tall.size(), 2u);
  EXPECT_EQ(tall[0], (TreemapCell{0, 0, 100, 300, 0}));
  EXPECT_EQ(tall[1], (TreemapCell{0, 300, 100, 400, 1}));
}

TEST(SquarifyLayout, EdgesRoundHalfAwayFromZero) {
  // Three equal bytes-scale items in 0..10 x 0..1: the thirds 3.33 and 6.67
  // round to 3 and 7; a negative origin rounds -2.5 away from zero.
  const auto cells = Layout({0, 0, 10, 1}, {1, 1, 1});
  ASSERT_EQ(cells.size(), 3u);
  // Each weight is its own column here (one item measures 1, two 4).
  std::vector<std::int32_t> edges;
  for (const auto& c : cells) edges.push_back(c.left);
  edges.push_back(cells.back().right);
  EXPECT_EQ(edges, (std::vector<std::int32_t>{0, 3, 7, 10}));

  const auto halves = Layout({-5, 0, 0, 1}, {1, 1});
  ASSERT_EQ(halves.size(), 2u);
  EXPECT_EQ(halves[0].right, -3);  // -2.5 -> -3
  EXPECT_EQ(halves[1].left, -3);
}

TEST(SquarifyLayout, CellsTileTheRectangleWithoutOverlap) {
  std::vector<std::int64_t> weights;
  for (int i = 0; i < 60; ++i) weights.push_back((i * 7919) % 1000 + 1);
  weights.push_back(0);
  const Rect rect{10, 20, 650, 420};
  const auto cells = Layout(rect, weights);
  ASSERT_EQ(cells.size(), 60u);
  std::vector<bool> seen(weights.size(), false);
  std::int64_t area = 0;
  for (const auto& c : cells) {
    ASSERT_LT(c.item_index, 60u);
    EXPECT_FALSE(seen[c.item_index]);
    seen[c.item_index] = true;
    EXPECT_GE(c.left, rect.left);
    EXPECT_GE(c.top, rect.top);
    EXPECT_LE(c.right, rect.right);
    EXPECT_LE(c.bottom, rect.bottom);
    area += Area(c);
  }
  // Shared rounded edges: the areas add up to the rectangle.
  EXPECT_EQ(area, std::int64_t{640} * 400);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    for (std::size_t j = i + 1; j < cells.size(); ++j) {
      const auto& a = cells[i];
      const auto& b = cells[j];
      const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
      EXPECT_FALSE(overlap) << i << " " << j;
    }
  }
}

TEST(SquarifyLayout, SameInputSameCells) {
  std::vector<std::int64_t> weights = {5, 5, 5, 9, 1, 5, 5, 2};
  EXPECT_EQ(Layout({0, 0, 300, 200}, weights), Layout({0, 0, 300, 200}, weights));
}

TEST(SquarifyLayout, HugeWeightsDoNotOverflow) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  const auto cells = Layout({0, 0, 200, 100}, {max, max, max / 2});
  ASSERT_FALSE(cells.empty());
  for (const auto& c : cells) {
    EXPECT_GE(c.left, 0);
    EXPECT_LE(c.right, 200);
    EXPECT_GE(c.top, 0);
    EXPECT_LE(c.bottom, 100);
  }
}

}  // namespace
}  // namespace tw
