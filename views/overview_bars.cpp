#include "views/overview_bars.h"

#include <algorithm>

#include "views/dpi_scale.h"

namespace tw {

OverviewGeometry LayoutOverview(std::int32_t width, std::int32_t height, std::int32_t dpi) {
  const DpiScale S{dpi};
  const std::int32_t w = std::max(width, 0);
  const std::int32_t h = std::max(height, 0);
  const std::int32_t bar = std::min(S(28), h);
  const std::int32_t legend = std::min(S(26), h - bar);
  return OverviewGeometry{Rect{0, 0, w, bar}, Rect{0, bar, w, h - legend}, Rect{0, h - legend, w, h}};
}

std::vector<PathBarPart> LayoutPathBar(std::span<const std::int32_t> widths, std::int32_t separator_width,
                                       std::int32_t ellipsis_width, const Rect& bar) {
  std::vector<PathBarPart> parts;
  if (widths.empty()) return parts;
  const std::int32_t room = bar.Width();
  std::int64_t all = 0;
  for (const std::int32_t w : widths) all += std::max(w, 0);
  all += static_cast<std::int64_t>(separator_width) * static_cast<std::int64_t>(widths.size() - 1);

  // Which steps show: all of them, or the root, "…" and a tail.
  std::size_t tail = 1;  // the first step of the tail
  bool ellipsis = false;
  if (all > room) {
    const std::size_t last = widths.size() - 1;
    std::int64_t used = std::max(widths[0], 0) + 2 * static_cast<std::int64_t>(separator_width) + ellipsis_width;
    tail = widths.size();
    while (tail > 1 && used + std::max(widths[tail - 1], 0) + (tail - 1 < last ? separator_width : 0) <= room) {
      used += std::max(widths[tail - 1], 0) + (tail - 1 < last ? separator_width : 0);
      --tail;
    }
    ellipsis = tail > 1;
    if (tail == widths.size()) {  // not even the last step beside the root: the last alone
      parts.push_back(
          PathBarPart{last, false, Rect{bar.left, bar.top, bar.left + std::max(widths[last], 0), bar.bottom}});
      return parts;
    }
  }
  std::int32_t x = bar.left;
  const auto add = [&](std::size_t step, bool is_ellipsis, std::int32_t w) {
    if (!parts.empty()) x += separator_width;
    parts.push_back(PathBarPart{step, is_ellipsis, Rect{x, bar.top, x + w, bar.bottom}});
    x += w;
  };
  add(0, false, std::max(widths[0], 0));
  if (ellipsis) add(tail - 1, true, ellipsis_width);
  for (std::size_t i = tail; i < widths.size(); ++i) add(i, false, std::max(widths[i], 0));
  return parts;
}

std::optional<std::size_t> PathBarStepAt(std::span<const PathBarPart> parts, std::int32_t x, std::int32_t y) {
  for (const PathBarPart& part : parts) {
    if (part.rect.Contains(x, y)) return part.step;
  }
  return std::nullopt;
}

LegendSpacing OverviewLegendSpacing(std::int32_t dpi) {
  const DpiScale S{dpi};
  const LegendSpacing base;
  return LegendSpacing{S(base.margin), S(base.swatch), S(base.swatch_gap), S(base.entry_gap)};
}

}  // namespace tw
