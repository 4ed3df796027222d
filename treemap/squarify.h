#pragma once
// Squarified treemap layout of one level: weighted items side by side in a
// pixel rectangle, each cell's area proportional to its weight. A pure
// function over numbers; the treemap window runs it again on every paint,
// cursor query and double-click, nothing is cached.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry.h"

namespace tw {

// One laid-out item: its cell (right and bottom exclusive) and its index in
// the input list.
struct TreemapCell {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::uint64_t item_index = 0;

  Rect Bounds() const { return Rect{left, top, right, bottom}; }
  friend bool operator==(const TreemapCell&, const TreemapCell&) = default;
};

// Lays the weights out in rect and replaces cells with the result, in layout
// order. Weights of 0 or below get no cell; every other weight keeps its
// input index. An empty list or an empty rectangle gives no cells.
//
// The rows are chosen with a measure over the cells' pixel areas, so the same
// proportions give the same shapes at any scale of weight: 3,000,000 and
// 1,000,000 in a 400 x 100 rectangle become two columns, and so do 300 and
// 100. Edges are rounded half away from zero from accumulated double
// positions, so neighbouring cells share edges.
void SquarifyLayout(const Rect& rect, std::span<const std::int64_t> weights, std::vector<TreemapCell>& cells);

// The acceptance measure of a row of cells, given as pixel areas, laid along
// a side of the given length: max(S^2 / (amin * side^2), amax * side^2 / S^2),
// the worst long-over-short ratio of its cells; the largest finite double for
// an empty row, side <= 0 or areas that are not positive. Exposed for tests.
double WorstRatio(std::span<const double> areas, double side);

}  // namespace tw
