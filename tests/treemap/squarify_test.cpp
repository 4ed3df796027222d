#include "treemap/squarify.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(SquarifyLayout, SameProportionsGiveTheSameShapesAtAnyByteScale) {
  // 3:1 in 400 x 100 is 30,000 and 10,000 pixels: the first alone measures 3,
  // with the second 16, so each becomes a column.
  const std::vector<double> alone = {30'000}, pair = {30'000, 10'000};
  EXPECT_DOUBLE_EQ(WorstRatio(alone, 100), 3.0);
  EXPECT_DOUBLE_EQ(WorstRatio(pair, 100), 16.0);
  const std::vector<TreemapCell> columns = {{0, 0, 300, 100, 1}, {300, 0, 400, 100, 0}};
  EXPECT_EQ(Layout({0, 0, 400, 100}, {1'000'000, 3'000'000}), columns);
  EXPECT_EQ(Layout({0, 0, 400, 100}, {100, 300}), columns);
  EXPECT_EQ(Layout({0, 0, 400, 100}, {1, 3}), columns);

  EXPECT_EQ(WorstRatio({}, 100), std::numeric_limits<double>::max());
  EXPECT_EQ(WorstRatio(alone, 0), std::numeric_limits<double>::max());
  const std::vector<double> empty_cell = {100, 0};
  EXPECT_EQ(WorstRatio(empty_cell, 10), std::numeric_limits<double>::max());
}

double AspectOf(const TreemapCell& c) {
  const double w = c.right - c.left, h = c.bottom - c.top;
  return std::max(w, h) / std::min(w, h);
}

double MedianAspect(const std::vector<TreemapCell>& cells) {
  std::vector<double> aspects;
  for (const TreemapCell& c : cells) aspects.push_back(AspectOf(c));
  std::sort(aspects.begin(), aspects.end());
  return aspects[aspects.size() / 2];
}

TEST(SquarifyLayout, SimilarItemsGetNearSquareCellsAtEveryByteScale) {
  // 25 folders within 15% of each other, as bytes, as kilobytes and as
  // gigabytes: the same cells, and most of them close to square.
  for (const std::int64_t unit : {std::int64_t{1}, std::int64_t{1024}, std::int64_t{1} << 30}) {
    std::vector<std::int64_t> weights;
    for (int i = 0; i < 25; ++i) weights.push_back((1000 + (i * 37) % 150) * unit);
    const auto cells = Layout({0, 0, 480, 200}, weights);
    ASSERT_EQ(cells.size(), 25u);
    EXPECT_LE(MedianAspect(cells), 2.0) << "unit " << unit;
    std::vector<std::int64_t> once;
    for (const std::int64_t w : weights) once.push_back(w / unit);
    EXPECT_EQ(cells, Layout({0, 0, 480, 200}, once)) << "unit " << unit;
  }
  // Many tiny files of mixed sizes: small cells stay blocks, not hairlines.
  std::vector<std::int64_t> files;
  for (int i = 0; i < 10'000; ++i) files.push_back(1 + (i * 7919) % 3000);
  const auto cells = Layout({0, 0, 480, 200}, files);
  EXPECT_LE(MedianAspect(cells), 3.0);
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
