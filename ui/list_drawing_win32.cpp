// The drawing operations shared by the folder list, the extension list and
// the file view, and the custom-draw sequence of NM_CUSTOMDRAW they follow.
#include "ui/list_drawing_win32.h"

#include <string>

#include "ui/cell_tips_win32.h"
#include "ui/file_icons_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/item_menu_win32.h"
#include "views/dpi_scale.h"
#include "views/folder_list_look.h"

namespace tw {
namespace {

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

bool ItemBounds(HWND list, int item, RECT& rect) {
  rect = RECT{};
  rect.left = LVIR_BOUNDS;
  return SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect)) != 0;
}

int HeaderCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

COLORREF TextColourOn(COLORREF background) {
  const Theme& t = CurrentTheme();
  return background == t.selected_row ? t.selected_text : t.text;
}

// Everything below the list's last row (below the header when it holds no
// rows) and right of the rows' last column is painted in the body colour,
// so that rows of an earlier, longer content or a row cut off before a
// scroll never stay on the screen, and no strip of the list's own
// background shows beside the columns.
void ClearBelowRows(HWND list, HDC dc) {
  RECT client{};
  GetClientRect(list, &client);
  const COLORREF body = CurrentTheme().body;
  int header_bottom = client.top;
  if (HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0))) {
    RECT bar{};
    if (IsWindowVisible(header) && GetWindowRect(header, &bar)) {
      MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&bar), 2);
      header_bottom = bar.bottom;
    }
  }
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  int top = header_bottom;
  RECT last{};
  if (count > 0 && ItemBounds(list, count - 1, last)) {
    top = last.bottom;
    if (last.right < client.right) FillSolid(dc, RECT{last.right, header_bottom, client.right, top}, body);
  }
  if (top < client.bottom) FillSolid(dc, RECT{client.left, top, client.right, client.bottom}, body);
}

}  // namespace

std::optional<FolderListKey> TreeListKeyOf(WPARAM key) {
  switch (key) {
    case VK_RIGHT:
      return FolderListKey::kRight;
    case VK_LEFT:
      return FolderListKey::kLeft;
    case VK_RETURN:
      return FolderListKey::kEnter;
    case VK_BACK:
      return FolderListKey::kBackspace;
    default:
      return std::nullopt;
  }
}

bool IsCopyKey(WPARAM key) { return key == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

std::optional<std::size_t> SelectedRow(int selected) {
  return selected >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(selected)) : std::nullopt;
}

void SetupListColumns(HWND list, std::span<const ListColumn> columns, int dpi, DWORD style) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
  InsertListColumns(list, columns, dpi);
}

void ShowRowItemMenu(HWND list, const NMITEMACTIVATE& click, const std::optional<ItemRef>& item) {
  if (!item) return;
  SelectListRow(list, click.iItem);
  POINT point = click.ptAction;
  ClientToScreen(list, &point);
  if (ItemActions().menu) ItemActions().menu(*item, point);
}

void InsertListColumns(HWND list, std::span<const ListColumn> columns, int dpi) {
  const DpiScale S{dpi};
  int index = 0;
  for (const ListColumn& column : columns) {
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lv.pszText = const_cast<wchar_t*>(column.header);
    lv.cx = S(column.width);
    lv.fmt = column.right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    lv.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lv));
    ++index;
  }
}

void FillRowBackground(HDC dc, HWND list, int item, RECT rect, COLORREF colour) {
  if (IsEmpty(rect) && !ItemBounds(list, item, rect)) return;
  FillSolid(dc, rect, colour);
}

ListColumnWidths ReadColumnWidths(HWND list) {
  ListColumnWidths columns;
  const int n = HeaderCount(list);
  columns.widths.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) columns.widths.push_back(ColumnWidth(list, k));
  return columns;
}

bool CellRect(const ListColumnWidths& columns, int column, const RECT& row, RECT& cell) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns.widths.size()) return false;
  int left = row.left;
  for (int k = 0; k < column; ++k) left += columns.widths[static_cast<std::size_t>(k)];
  cell = RECT{left, row.top, left + columns.widths[static_cast<std::size_t>(column)], row.bottom};
  return true;
}

void DrawGridLines(const ListColumnWidths& columns, HDC dc, const RECT& row) {
  const Pen pen = SolidPen(CurrentTheme().grid_line);
  const ScopedSelect select(dc, pen.get());
  int x = row.left - 1;
  for (int width : columns.widths) {
    x += width;
    MoveToEx(dc, x, row.top, nullptr);
    LineTo(dc, x, row.bottom);
  }
}

void DrawCellText(HDC dc, const RECT& cell, COLORREF background, std::wstring_view text, bool right_aligned, int dpi) {
  DrawCellText(dc, cell, background, text, right_aligned, dpi, CurrentTheme().text);
}

void DrawCellText(HDC dc, const RECT& cell, COLORREF background, std::wstring_view text, bool right_aligned, int dpi,
                  COLORREF text_colour) {
  const DpiScale S{dpi};
  FillSolid(dc, cell, background);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, background == CurrentTheme().selected_row ? TextColourOn(background) : text_colour);
  RECT inner{cell.left + S(6), cell.top, cell.right - S(6), cell.bottom};
  NoteCellText(dc, cell, inner, text);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &inner,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | (right_aligned ? DT_RIGHT : DT_LEFT));
}

void DrawTreeNameCell(HDC dc, const RECT& cell, COLORREF background, const TreeNameCell& look, HFONT font, int dpi) {
  const ScopedDcState state(dc);
  IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  FillSolid(dc, cell, background);
  const int icon_width = static_cast<int>(GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi)));
  const NameCellLayout layout = LayoutNameCell(Rect{cell.left, cell.top, cell.right, cell.bottom}, look.depth,
                                               look.expandable, look.open, icon_width, dpi);
  if (layout.triangle) {
    POINT points[3];
    for (int k = 0; k < 3; ++k) points[k] = POINT{(*layout.triangle)[k].x, (*layout.triangle)[k].y};
    const Brush brush = SolidBrush(CurrentTheme().triangle);
    const Pen pen = SolidPen(CurrentTheme().triangle);
    const ScopedSelect select_brush(dc, brush.get());
    const ScopedSelect select_pen(dc, pen.get());
    Polygon(dc, points, 3);
  }
  const Rect& box = layout.icon_box;
  if (look.icon != nullptr) {
    DrawIconEx(dc, box.left, box.top, look.icon, box.Width(), box.Height(), 0, nullptr, DI_NORMAL);
  } else if (look.folder_glyph) {
    const auto rect = [](const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; };
    FillSolid(dc, rect(layout.glyph_tab), CurrentTheme().folder_glyph);
    FillSolid(dc, rect(layout.glyph_body), CurrentTheme().folder_glyph);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, TextColourOn(background));
  const ScopedSelect select_font(dc, font);
  RECT text{layout.label.left, layout.label.top, layout.label.right, layout.label.bottom};
  NoteCellText(dc, cell, text, look.label);
  DrawTextW(dc, look.label.data(), static_cast<int>(look.label.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void DrawGridLines(HWND list, HDC dc, const RECT& row) { DrawGridLines(ReadColumnWidths(list), dc, row); }

void SetHeaderSortArrow(HWND list, std::int32_t column, bool ascending) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (header == nullptr) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    const int before = item.fmt;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    // An unchanged item is not written back: each write makes the list view
    // lay out and repaint its columns again.
    if (item.fmt != before) {
      SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
  }
}

void DrawSwatchCell(HDC dc, const RECT& cell, COLORREF swatch, COLORREF background, std::wstring_view text, int dpi) {
  const SwatchCellLayout look = LayoutSwatchCell(Rect{cell.left, cell.top, cell.right, cell.bottom}, dpi);
  FillSolid(dc, RECT{look.swatch.left, look.swatch.top, look.swatch.right, look.swatch.bottom}, swatch);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, TextColourOn(background));
  RECT text_rect{look.text.left, look.text.top, look.text.right, look.text.bottom};
  NoteCellText(dc, cell, text_rect, text);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &text_rect,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
}

LRESULT CustomDrawList(NMLVCUSTOMDRAW& draw, const PaintRow& paint_row) {
  NMCUSTOMDRAW& nm = draw.nmcd;
  HWND list = nm.hdr.hwndFrom;
  const int item = static_cast<int>(nm.dwItemSpec);
  switch (nm.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_POSTPAINT:
      ClearBelowRows(list, nm.hdc);
      return CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
      const bool selected =
          (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) & LVIS_SELECTED) != 0;
      const RowColours colours = RowColoursFor(selected);
      draw.clrText = colours.text;
      draw.clrTextBk = colours.background;
      RECT row = nm.rc;
      if (IsEmpty(row) && !ItemBounds(list, item, row)) return CDRF_SKIPDEFAULT | CDRF_NOTIFYPOSTPAINT;
      BeginRowNotes(list, item);
      paint_row(nm.hdc, item, row, colours);
      EndRowNotes();
      return CDRF_SKIPDEFAULT | CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT: {
      RECT row = nm.rc;
      if (IsEmpty(row) && !ItemBounds(list, item, row)) return CDRF_DODEFAULT;
      DrawGridLines(list, nm.hdc, row);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void SetListRowCount(HWND list, std::size_t count) {
  if (list == nullptr) return;
  ForgetCellNotes(list);
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
  InvalidateRect(list, nullptr, TRUE);
}

void ClearListSelection(HWND list) {
  if (list == nullptr) return;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = 0;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

int SelectedListRow(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void ShowAndSelectRow(HWND list, int row) {
  if (row < 0) return;
  ClearListSelection(list);
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  SelectListRow(list, row);
}

void SelectListRow(HWND list, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

}  // namespace tw
