#include "views/main_paint.h"

#include "views/dpi_scale.h"

namespace tw {

ButtonLook ScanButtonLook(bool disabled, bool pressed) {
  const Theme& t = CurrentTheme();
  if (disabled) return ButtonLook{t.border, t.border, t.grey_text};
  return ButtonLook{pressed ? t.accent_light : t.accent, t.accent_light, t.button_text};
}

TabItemLook LayoutTabItem(const Rect& item, bool selected, std::int32_t dpi) {
  const DpiScale S{dpi};
  const Theme& t = CurrentTheme();
  TabItemLook look;
  look.fill = selected ? t.field : t.band;
  look.text = selected ? t.text : t.grey_text;
  if (selected) look.accent_strip = Rect{item.left, item.bottom - S(2), item.right, item.bottom};
  return look;
}

StaticLook StaticTextLook(StaticText which) {
  const Theme& t = CurrentTheme();
  switch (which) {
    case StaticText::kStatus:
      return StaticLook{t.grey_text, t.band};
    case StaticText::kSpaceLabel:
      return StaticLook{t.text, t.band};
    default:
      return StaticLook{t.text, t.body};
  }
}

HeaderItemLayout LayoutHeaderItem(const Rect& item, bool right_aligned, SortMark mark, std::int32_t dpi) {
  const DpiScale S{dpi};
  HeaderItemLayout l;
  l.separator_x = item.right - 1;
  l.separator_top = item.top + S(5);
  l.separator_bottom = item.bottom - S(5);

  std::int32_t mark_width = 0;
  if (mark != SortMark::kNone) {
    mark_width = S(14);
    const std::int32_t cx = right_aligned ? item.left + S(9) : item.right - S(12);
    const std::int32_t cy = (item.top + item.bottom) / 2;
    const std::int32_t t = S(3);
    if (mark == SortMark::kDown) {
      l.triangle = std::array<Point, 3>{Point{cx - t, cy - t}, Point{cx + t, cy - t}, Point{cx, cy + t}};
    } else {
      l.triangle = std::array<Point, 3>{Point{cx - t, cy + t}, Point{cx + t, cy + t}, Point{cx, cy - t}};
    }
  }

  l.text = Rect{item.left + S(9), item.top + S(2), item.right - S(9), item.bottom - S(2)};
  if (right_aligned) {
    l.text.left += mark_width;
  } else {
    l.text.right -= mark_width;
  }
  return l;
}

}  // namespace tw
