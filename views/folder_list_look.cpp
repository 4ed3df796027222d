#include "views/folder_list_look.h"

#include <algorithm>
#include <cstdio>

#include "format/format.h"
#include "views/dpi_scale.h"

namespace tw {

NameCellLayout LayoutNameCell(const Rect& cell, std::int32_t depth, bool expandable, bool open, std::int32_t icon_width,
                              std::int32_t dpi) {
  const DpiScale S{dpi};
  NameCellLayout l;
  const std::int32_t x0 = cell.left + S(6) + S(16) * depth;
  const std::int32_t cy = (cell.top + cell.bottom) / 2;
  if (expandable) {
    const std::int32_t cx = x0 + S(5);
    const std::int32_t h = S(4);
    const std::int32_t h2 = h / 2;
    if (open) {  // pointing down
      l.triangle = std::array<Point, 3>{Point{cx - h, cy - h2}, Point{cx + h, cy - h2}, Point{cx, cy + h}};
    } else {  // pointing right
      l.triangle = std::array<Point, 3>{Point{cx - h2, cy - h}, Point{cx - h2, cy + h}, Point{cx + h, cy}};
    }
  }
  const std::int32_t c = icon_width;
  const std::int32_t left = x0 + S(16);
  const std::int32_t top = cy - c / 2;
  const std::int32_t height = 2 * (c / 2);
  l.icon_box = Rect{left, top, left + c, top + height};
  l.glyph_tab = Rect{left, top + height / 8, left + c / 2, top + height / 2};
  l.glyph_body = Rect{left, top + height / 4, left + c, top + height - height / 8};
  l.label = Rect{left + c + S(5), cell.top, cell.right, cell.bottom};
  return l;
}

ShareCellLayout LayoutShareCell(const Rect& cell, double percent, std::int32_t dpi) {
  const DpiScale S{dpi};
  ShareCellLayout l;
  l.inner = Rect{cell.left + S(6), cell.top + S(4), cell.right - S(6), cell.bottom - S(4)};
  const double shown = std::min(percent, 100.0);
  if (percent > 0) {
    const auto width = static_cast<std::int32_t>(static_cast<double>(l.inner.right - l.inner.left) * shown / 100.0);
    l.bar = Rect{l.inner.left, l.inner.top, l.inner.left + std::max(width, 1), l.inner.bottom};
  }
  l.text = FormatPercent(shown);
  return l;
}

bool InToggleZone(std::int32_t x, std::int32_t depth, std::int32_t dpi) {
  const DpiScale S{dpi};
  return x <= S(6) + S(16) * depth + S(16);
}

}  // namespace tw
