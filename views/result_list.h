#pragma once
// What the extension list and the file view share, without a window: the
// sort state and its header-click rule, the column descriptions, the colours
// of a row, where the colour swatch and the text of a swatch cell go, and
// the copy of a cell text into a list's text buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"
#include "base/geometry.h"
#include "views/theme.h"

namespace tw {

// The most rows the extension list and the file view ever show.
inline constexpr std::size_t kMaxListRows = 200;

// A list's sort column and direction; survives new scans.
struct ListSort {
  std::int32_t sort_column = 0;
  bool sort_ascending = false;
  friend bool operator==(const ListSort&, const ListSort&) = default;
};

// A header click: the same column flips the direction, another column
// becomes the sort column, descending.
void ApplyColumnClick(ListSort& sort, std::int32_t column);

// A list's own order of `count` entries of the result: kept when it has their
// number, otherwise (a new result) the result's own order 0, 1, ..., count - 1.
void MatchListOrder(std::vector<std::size_t>& order, std::size_t count);

// A report-view column: header text, width in pixels at 96 dpi, alignment.
// An extension as the lists show it: "(无扩展名)" for the files without one.
std::wstring ExtensionLabel(std::wstring_view extension);

struct ListColumn {
  const wchar_t* header;
  std::int32_t width;
  bool right_aligned;
};

// Row colours by selection in the theme in use: the selection's text on its
// background when selected, body text on the body otherwise.
struct RowColours {
  Colour text = 0;
  Colour background = 0;
  friend bool operator==(const RowColours&, const RowColours&) = default;
};
RowColours RowColoursFor(bool selected);

// A cell that starts with a colour swatch: the swatch from (left + S(6),
// top + S(5)) to (left + S(20), bottom - S(5)), the text from left + S(20) +
// S(8) to the right edge over the full cell height (drawn single line,
// vertically centred, ellipsis at the end, no prefix processing).
struct SwatchCellLayout {
  Rect swatch;
  Rect text;
  friend bool operator==(const SwatchCellLayout&, const SwatchCellLayout&) = default;
};
SwatchCellLayout LayoutSwatchCell(const Rect& cell, std::int32_t dpi);

// Copies text into a list's buffer of `size` wide characters: at most
// size - 1 units, always terminated; nothing when size is 0 or buffer null.
void CopyCellText(std::wstring_view text, wchar_t* buffer, std::size_t size);

}  // namespace tw
