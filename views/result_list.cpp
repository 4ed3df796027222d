#include "views/result_list.h"

#include <algorithm>
#include <numeric>

#include "texts/texts.h"
#include "views/dpi_scale.h"

namespace tw {

void ApplyColumnClick(ListSort& sort, std::int32_t column) {
  if (column == sort.sort_column) {
    sort.sort_ascending = !sort.sort_ascending;
  } else {
    sort.sort_column = column;
    sort.sort_ascending = false;
  }
}

RowColours RowColoursFor(bool selected) {
  const Theme& t = CurrentTheme();
  if (selected) return RowColours{t.selected_text, t.selected_row};
  return RowColours{t.text, t.body};
}

SwatchCellLayout LayoutSwatchCell(const Rect& cell, std::int32_t dpi) {
  const DpiScale S{dpi};
  SwatchCellLayout l;
  l.swatch = Rect{cell.left + S(6), cell.top + S(5), cell.left + S(20), cell.bottom - S(5)};
  l.text = Rect{cell.left + S(20) + S(8), cell.top, cell.right, cell.bottom};
  return l;
}

void CopyCellText(std::wstring_view text, wchar_t* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = L'\0';
}

std::wstring ExtensionLabel(std::wstring_view extension) {
  return extension.empty() ? std::wstring(text::kNoExtension) : std::wstring(extension);
}

void MatchListOrder(std::vector<std::size_t>& order, std::size_t count) {
  if (order.size() == count) return;
  order.resize(count);
  std::iota(order.begin(), order.end(), std::size_t{0});
}

}  // namespace tw
