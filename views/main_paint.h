#pragma once
// What the main window paints itself, decided without a device context: its
// colours, the look of the owner-drawn scan button and tab items, the
// colours of its static texts, and the geometry of a list header item with
// its sort triangle. The Win32 painters fill, outline and draw what these
// return.

#include <array>
#include <cstdint>
#include <optional>

#include "base/colour.h"
#include "base/geometry.h"
#include "views/theme.h"

namespace tw {

// The owner-drawn scan button: fill, 1-pixel outline (a 6 x 6 rounded
// rectangle) and text colour by state, in the theme in use.
struct ButtonLook {
  Colour fill = 0;
  Colour outline = 0;
  Colour text = 0;
  friend bool operator==(const ButtonLook&, const ButtonLook&) = default;
};
ButtonLook ScanButtonLook(bool disabled, bool pressed);

// An owner-drawn tab item: its fill, the accent strip S(2) high along the
// bottom of a selected item, and the text colour.
struct TabItemLook {
  Colour fill = 0;
  std::optional<Rect> accent_strip;
  Colour text = 0;
};
TabItemLook LayoutTabItem(const Rect& item, bool selected, std::int32_t dpi);

// Static texts: transparent background, this text colour, and the band
// brush for the status text and the space labels, the white one otherwise.
enum class StaticText { kStatus, kSpaceLabel, kOther };
struct StaticLook {
  Colour text = 0;
  Colour brush = 0;
  friend bool operator==(const StaticLook&, const StaticLook&) = default;
};
StaticLook StaticTextLook(StaticText which);

// ---- List header items ------------------------------------------------------

enum class SortMark { kNone, kUp, kDown };

// One header item: the separator line at x from top to bottom (exclusive),
// the sort triangle (filled and outlined in grey text) and the text
// rectangle, shortened by the mark on the mark's side. The text is clipped
// to the item and drawn single line, vertically centred, with an ellipsis.
struct HeaderItemLayout {
  std::int32_t separator_x = 0;
  std::int32_t separator_top = 0;
  std::int32_t separator_bottom = 0;
  std::optional<std::array<Point, 3>> triangle;
  Rect text;
};
HeaderItemLayout LayoutHeaderItem(const Rect& item, bool right_aligned, SortMark mark, std::int32_t dpi);

}  // namespace tw
