#pragma once
// The drawing operations the three result lists share (row background, cell
// rectangles, cell text, grid lines, the header's sort flags), the custom-draw
// sequence they all follow, and their column set-up.

#include <windows.h>

#include <optional>

#include "views/item_actions.h"
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "views/folder_list_keys.h"
#include "views/result_list.h"

namespace tw {

// The keys of the two tree lists: Right, Left, Enter and Backspace; none for
// any other key.
std::optional<FolderListKey> TreeListKeyOf(WPARAM key);
// Ctrl+C.
bool IsCopyKey(WPARAM key);
// A selected row as the key decisions take it: none for -1.
std::optional<std::size_t> SelectedRow(int selected);

// Inserts the columns in order, widths scaled to dpi.
void InsertListColumns(HWND list, std::span<const ListColumn> columns, int dpi);
// Full-row selection and draggable columns (double-buffered for the tree
// lists), then the columns.
inline constexpr DWORD kListStyle = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP;
inline constexpr DWORD kTreeListStyle = kListStyle | LVS_EX_DOUBLEBUFFER;
void SetupListColumns(HWND list, std::span<const ListColumn> columns, int dpi, DWORD style);

// LVN_GETDISPINFOW of a virtual list: the text of the cell asked for,
// cell_text(row, column), copied into the list's buffer.
template <typename CellText>
void AnswerCellText(NMHDR& header, CellText cell_text) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
  if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
  CopyCellText(cell_text(item.iItem, item.iSubItem), item.pszText, static_cast<std::size_t>(item.cchTextMax));
}

// A right click on a row: the row selected, the item's menu at the click
// (nothing for a row that shows no item).
void ShowRowItemMenu(HWND list, const NMITEMACTIVATE& click, const std::optional<ItemRef>& item);

// Fills the rectangle, or the item's bounds when the rectangle is empty
// (nothing when the list cannot give them).
void FillRowBackground(HDC dc, HWND list, int item, RECT rect, COLORREF colour);

// Fills the cell and draws the text in it, shrunk by S(6) left and right,
// single line, vertically centred, ellipsis, no prefixes; white on the
// selection colour, black otherwise.
void DrawCellText(HDC dc, const RECT& cell, COLORREF background, std::wstring_view text, bool right_aligned, int dpi);

// The same with the text in `text_colour` on an unselected row (white on
// the selection colour still).
void DrawCellText(HDC dc, const RECT& cell, COLORREF background, std::wstring_view text, bool right_aligned, int dpi,
                  COLORREF text_colour);

// The name cell of a row of a tree list: indentation by depth, the open or
// closed triangle of an expandable row, then the icon (or, without one, the
// folder glyph when folder_glyph is set) and the label.
struct TreeNameCell {
  std::int32_t depth = 0;
  bool expandable = false;
  bool open = false;
  HICON icon = nullptr;
  bool folder_glyph = false;
  std::wstring_view label;
};
void DrawTreeNameCell(HDC dc, const RECT& cell, COLORREF background, const TreeNameCell& look, HFONT font, int dpi);

// Vertical lines of 0xE0E0E0 at the right edge of every column.
void DrawGridLines(HWND list, HDC dc, const RECT& row);

// The column widths of a list in column-number order, read once for the
// painting of one row (each read is a message to the list and its header).
struct ListColumnWidths {
  std::vector<int> widths;
};
ListColumnWidths ReadColumnWidths(HWND list);
// The cell of `column` in the row rectangle (columns 0 ... column-1 to its
// left in column-number order; false when the column does not exist), and the
// grid lines of the row, over widths read before; `row` must not be empty.
bool CellRect(const ListColumnWidths& columns, int column, const RECT& row, RECT& cell);
void DrawGridLines(const ListColumnWidths& columns, HDC dc, const RECT& row);

// Marks `column` as sorted up (ascending) or down in the header, clearing the
// marks of every other column.
void SetHeaderSortArrow(HWND list, std::int32_t column, bool ascending);

// A swatch cell (extension list column 0, file view column 2): the swatch
// and the text after it; the cell is not refilled.
void DrawSwatchCell(HDC dc, const RECT& cell, COLORREF swatch, COLORREF background, std::wstring_view text, int dpi);

// Paints row `item` with the background colour of its selection state.
using PaintRow = std::function<void(HDC dc, int item, const RECT& row, const RowColours& colours)>;

// NM_CUSTOMDRAW of a result list: asks for item notifications, paints each
// row itself with the selection's colours (white on RGB(0, 120, 215), else
// black on white) and draws the grid lines after it; after the rows, paints
// white whatever lies below the last one.
LRESULT CustomDrawList(NMLVCUSTOMDRAW& draw, const PaintRow& paint_row);

// Sets the row count and invalidates the whole list with erasing.
void SetListRowCount(HWND list, std::size_t count);

// Selects and focuses a row (and only it).
void SelectListRow(HWND list, int row);
// Clears the selection and the focus mark of every row.
void ClearListSelection(HWND list);
// The first selected row, -1 when none is.
int SelectedListRow(HWND list);
// Clears the selection, scrolls the row fully into view and selects and
// focuses it; nothing for a negative row.
void ShowAndSelectRow(HWND list, int row);

}  // namespace tw
