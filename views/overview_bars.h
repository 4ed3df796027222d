#pragma once
// The parts of the 全景 control and the bars around its picture: the path
// bar above it ("[C:] › Users › alice", each part clickable) and the
// one-row legend of the largest extensions below it. Text widths are the
// window's to measure; where things go is decided here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/geometry.h"
#include "treemap/picture_labels.h"

namespace tw {

// The control's client area of width x height at dpi: the path bar across
// the top S(28) rows, the legend across the bottom S(26), the picture
// between (never of negative height).
struct OverviewGeometry {
  Rect path_bar;
  Rect picture;
  Rect legend;
  friend bool operator==(const OverviewGeometry&, const OverviewGeometry&) = default;
};
OverviewGeometry LayoutOverview(std::int32_t width, std::int32_t height, std::int32_t dpi);

// One shown part of the path bar: the path step it names (what a click on
// it jumps to), or the "…" that stands for the steps left out.
struct PathBarPart {
  std::size_t step = 0;
  bool ellipsis = false;
  Rect rect;  // its text, as high as the bar
  friend bool operator==(const PathBarPart&, const PathBarPart&) = default;
};

// The parts set from the bar's left edge with a separator between each two.
// When they do not all fit, the root stays, then "…" (jumping to the last
// step it hides), then as many of the deepest steps as fit; when not even
// the root, "…" and the last step fit, the last step alone.
std::vector<PathBarPart> LayoutPathBar(std::span<const std::int32_t> widths, std::int32_t separator_width,
                                       std::int32_t ellipsis_width, const Rect& bar);

// The step a click at (x, y) jumps to; none between the parts.
std::optional<std::size_t> PathBarStepAt(std::span<const PathBarPart> parts, std::int32_t x, std::int32_t y);

// The legend row's spacing at dpi: LegendSpacing scaled.
LegendSpacing OverviewLegendSpacing(std::int32_t dpi);

}  // namespace tw
