// Everything the main window paints itself: the background bands, the
// owner-drawn tab items and the top band's buttons, control colours, the list headers,
// and the hover tracking of the three lists.
#include "main_window.h"

#include <commctrl.h>

#include "app_ids.h"
#include "app_state.h"
#include "texts/texts.h"
#include "ui/cell_tips_win32.h"
#include "ui/gdi_objects_win32.h"
#include "views/main_layout.h"

namespace tw {
namespace {

void DrawLine(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
  const Pen pen = SolidPen(colour);
  const ScopedSelect select(dc, pen.get());
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

void RedrawRow(HWND list, int row) {
  if (row >= 0) SendMessageW(list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

void PaintHeader(HWND header) {
  PAINTSTRUCT paint{};
  HDC screen = BeginPaint(header, &paint);
  RECT client{};
  GetClientRect(header, &client);
  {
    const MemoryDc memory(CreateCompatibleDC(screen));
    const Bitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    HDC dc = memory.get();
    const ScopedSelect select_bitmap(dc, bitmap.get());
    FillSolid(dc, client, CurrentTheme().header);
    const ScopedSelect select_font(dc, g_app.font_normal.get());
    SetBkMode(dc, TRANSPARENT);
    const Pen line = SolidPen(CurrentTheme().header_line);

    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      RECT item_rect{};
      SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item_rect));
      wchar_t text[128] = {};
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_FORMAT;
      item.pszText = text;
      item.cchTextMax = 127;
      SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));

      const bool right_aligned = (item.fmt & HDF_RIGHT) != 0;
      const SortMark mark = (item.fmt & HDF_SORTDOWN) != 0 ? SortMark::kDown
                            : (item.fmt & HDF_SORTUP) != 0 ? SortMark::kUp
                                                           : SortMark::kNone;
      const HeaderItemLayout look = LayoutHeaderItem(FromRect(item_rect), right_aligned, mark, g_dpi);

      {
        const ScopedSelect select_line(dc, line.get());
        MoveToEx(dc, look.separator_x, look.separator_top, nullptr);
        LineTo(dc, look.separator_x, look.separator_bottom);
      }

      if (look.triangle) {
        POINT points[3];
        for (int k = 0; k < 3; ++k) points[k] = {(*look.triangle)[k].x, (*look.triangle)[k].y};
        const Brush mark_brush = SolidBrush(CurrentTheme().grey_text);
        const Pen mark_pen = SolidPen(CurrentTheme().grey_text);
        const ScopedSelect select_brush(dc, mark_brush.get());
        const ScopedSelect select_pen(dc, mark_pen.get());
        Polygon(dc, points, 3);
      }

      SetTextColor(dc, CurrentTheme().text);
      RECT text_rect = ToRect(look.text);
      const ScopedDcState state(dc);
      IntersectClipRect(dc, item_rect.left, item_rect.top, item_rect.right, item_rect.bottom);
      DrawTextW(dc, text, -1, &text_rect,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | (right_aligned ? DT_RIGHT : DT_LEFT));
    }

    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  }  // the selections are undone, then the pen, bitmap and memory DC deleted
  EndPaint(header, &paint);
}

}  // namespace

void PaintBackground(HWND hwnd, HDC dc) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int w = client.right;
  const MainLayout layout = LayoutMainWindow(w, client.bottom, g_dpi, g_app.active_tab);
  FillRect(dc, &client, g_app.brush_white.get());
  const RECT top = ToRect(layout.top_band);
  FillRect(dc, &top, g_app.brush_band.get());
  DrawLine(dc, 0, layout.top_line_y, w, layout.top_line_y, CurrentTheme().border);
  const RECT bottom = ToRect(layout.bottom_band);
  FillRect(dc, &bottom, g_app.brush_band.get());
  DrawLine(dc, 0, layout.bottom_line_y, w, layout.bottom_line_y, CurrentTheme().border);
}

void DrawTabItem(const DRAWITEMSTRUCT& item) {
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const TabItemLook look = LayoutTabItem(FromRect(rect), selected, g_dpi);
  FillSolid(dc, rect, look.fill);
  if (look.accent_strip) FillSolid(dc, ToRect(*look.accent_strip), CurrentTheme().accent);
  wchar_t text[64] = {};
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = text;
  tab.cchTextMax = 63;
  SendMessageW(item.hwndItem, TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, look.text);
  HGDIOBJ old_font = SelectObject(dc, g_app.font_normal.get());
  DrawTextW(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old_font);
}

void DrawTopButton(const DRAWITEMSTRUCT& item, const wchar_t* text) {
  const ButtonLook look = ScanButtonLook((item.itemState & ODS_DISABLED) != 0, (item.itemState & ODS_SELECTED) != 0);
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  FillSolid(dc, rect, look.fill);
  {
    const Pen pen = SolidPen(look.outline);
    const ScopedSelect select_pen(dc, pen.get());
    const ScopedSelect select_brush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 6, 6);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, look.text);
  HGDIOBJ old_font = SelectObject(dc, g_app.font_button.get());
  DrawTextW(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old_font);
}

LRESULT OnCtlColor(UINT message, HDC dc, HWND control) {
  const AppState& app = g_app;
  if (message == WM_CTLCOLORSTATIC) {
    const StaticText which = control == app.status_text ? StaticText::kStatus
                             : control == app.total_label || control == app.used_label || control == app.free_label
                                 ? StaticText::kSpaceLabel
                                 : StaticText::kOther;
    const StaticLook look = StaticTextLook(which);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.text);
    return reinterpret_cast<LRESULT>(look.brush == CurrentTheme().band ? app.brush_band.get() : app.brush_white.get());
  }
  // WM_CTLCOLOREDIT and WM_CTLCOLORLISTBOX: the combo box field and drop-down.
  SetBkColor(dc, CurrentTheme().field);
  SetTextColor(dc, CurrentTheme().text);
  return reinterpret_cast<LRESULT>(app.brush_field.get());
}

LRESULT CALLBACK TabEraseProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_ERASEBKGND) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillSolid(reinterpret_cast<HDC>(wparam), client, CurrentTheme().body);
    return 1;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK ListHoverProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
  auto& hover = *reinterpret_cast<std::int32_t*>(data);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE: {
      LVHITTESTINFO hit{};
      hit.pt.x = static_cast<short>(LOWORD(lparam));
      hit.pt.y = static_cast<short>(HIWORD(lparam));
      const int row = static_cast<int>(SendMessageW(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      FollowCellTip(hwnd, row, hit.pt.x, g_dpi);
      if (row != hover) {
        const int old = hover;
        hover = row;
        RedrawRow(hwnd, old);
        RedrawRow(hwnd, row);
      }
      SendMessageW(hwnd, LVM_SETHOTITEM, static_cast<WPARAM>(-1), 0);
      TRACKMOUSEEVENT track{};
      track.cbSize = sizeof(track);
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = hwnd;
      track.dwHoverTime = 0;
      TrackMouseEvent(&track);
      return 0;
    }
    case WM_MOUSELEAVE:
      FollowCellTip(hwnd, -1, 0, g_dpi);
      if (hover >= 0) {
        const int old = hover;
        hover = -1;
        RedrawRow(hwnd, old);
      }
      return 0;
    default:
      return DefSubclassProc(hwnd, message, wparam, lparam);
  }
}

LRESULT CALLBACK HeaderPaintProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PaintHeader(hwnd);
    return 0;
  }
  const auto header_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return CallWindowProcW(header_proc, hwnd, message, wparam, lparam);
}

// The header painter replaces the header's window procedure (kept in the
// header's user data) rather than going through SetWindowSubclass: a list view
// sends its header a message for every row whose selection it clears, and
// under Wine each message through a SetWindowSubclass chain costs a server
// round trip (GetPropW), which made one selection change in a list of 100,000
// rows take seconds.
void InstallHeaderPainter(HWND header) {
  if (header == nullptr || GetWindowLongPtrW(header, GWLP_USERDATA) != 0) return;  // installed already
  const LONG_PTR header_proc = SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeaderPaintProc));
  SetWindowLongPtrW(header, GWLP_USERDATA, header_proc);
}

}  // namespace tw
