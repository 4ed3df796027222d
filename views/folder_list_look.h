#pragma once
// Where the folder list draws inside its cells, decided without a device
// context: the name cell (indentation, open/close triangle, icon box, folder
// glyph, label) and the share-of-parent cell (bar and percent text), and the
// zone of a row in which a click toggles it. The Win32 list fills and draws
// what these return.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/geometry.h"
#include "texts/texts.h"
#include "views/main_paint.h"
#include "views/result_list.h"  // ListColumn

namespace tw {

// The folder list's columns, widths at 96 DPI.
inline constexpr ListColumn kFolderListColumns[] = {
    {text::kColumnFolder, 185, false},   {text::kColumnParentShare, 130, false}, {text::kColumnSize, 110, true},
    {text::kColumnAllocated, 110, true}, {text::kColumnItems, 90, true},         {text::kColumnFiles, 90, true},
    {text::kColumnFolders, 90, true},    {text::kColumnModified, 160, false},    {text::kColumnAttributes, 90, false},
};

// The name cell of a row at `depth` in the cell rectangle, with the system's
// small-icon width `icon_width`.
struct NameCellLayout {
  std::optional<std::array<Point, 3>> triangle;  // only for expandable rows
  Rect icon_box;                                 // the file icon goes here (icon_width x 2 * (icon_width / 2))
  Rect glyph_tab;                                // a folder row draws these two instead of an icon
  Rect glyph_body;
  Rect label;  // the name, single line, vertically centred
};
NameCellLayout LayoutNameCell(const Rect& cell, std::int32_t depth, bool expandable, bool open, std::int32_t icon_width,
                              std::int32_t dpi);

// The share-of-parent cell: the bar (none when the share is not positive, at
// least 1 px wide otherwise, full width from 100 % up) and the text "42.5%",
// both inside the cell shrunk by S(6) left and right and S(4) top and bottom.
struct ShareCellLayout {
  Rect inner;
  std::optional<Rect> bar;
  std::wstring text;
};
ShareCellLayout LayoutShareCell(const Rect& cell, double percent, std::int32_t dpi);

// Whether a click at list x-coordinate `x` on a row at `depth` lies in the
// toggle zone: from the list's left edge to the left edge of the icon box
// (horizontal scrolling is not taken into account).
bool InToggleZone(std::int32_t x, std::int32_t depth, std::int32_t dpi);

}  // namespace tw
