// Placing the controls, switching pages, the size limits and DPI changes. The
// rectangles come from the portable layout; this file only moves windows.
#include "main_window.h"

#include <commctrl.h>

#include "app_state.h"
#include "change_page.h"
#include "overview_page.h"
#include "result_views.h"
#include "search_page.h"
#include "views/main_layout.h"

namespace tw {
namespace {

void Place(HWND hwnd, const Placement& r) {
  if (hwnd != nullptr) MoveWindow(hwnd, r.x, r.y, r.width, r.height, TRUE);
}

void SetCountAndRedraw(HWND list, std::size_t count) {
  if (list == nullptr) return;
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace

void LayoutMainWindow(HWND hwnd) {
  if (hwnd == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  const AppState& app = g_app;
  const MainLayout layout =
      LayoutMainWindow(client.right - client.left, client.bottom - client.top, g_dpi, app.active_tab);
  Place(app.drive_label, layout.drive_label);
  Place(app.drive_combo, layout.drive_combo);
  Place(app.scan_button, layout.scan_button);
  Place(app.open_button, layout.open_button);
  Place(app.save_button, layout.save_button);
  Place(app.total_label, layout.space_labels[0]);
  Place(app.used_label, layout.space_labels[1]);
  Place(app.free_label, layout.space_labels[2]);
  Place(app.tabs, layout.tabs);
  Place(app.status_text, layout.status_text);
  Place(app.progress_bar, layout.progress_bar);
  if (const auto& page = layout.folder_page) {
    Place(app.folder_title, page->folder_title);
    Place(app.folder_list, page->folder_list);
    Place(app.treemap_title, page->treemap_title);
    Place(app.treemap, page->treemap);
    Place(app.extension_title, page->extension_title);
    Place(app.extension_list, page->extension_list);
  }
  if (layout.file_list) Place(app.file_list, *layout.file_list);
  if (const auto& page = layout.change_page) {
    Place(app.baseline_label, page->baseline_label);
    Place(app.baseline_picker, page->baseline_picker);
    Place(app.changed_only, page->changed_only);
    Place(app.change_title, page->change_title);
    Place(app.change_list, page->change_list);
    Place(app.grown_title, page->grown_title);
    Place(app.grown_list, page->grown_list);
    Place(app.lost_title, page->lost_title);
    Place(app.lost_list, page->lost_list);
    Place(app.change_message, page->message);
  }
  if (layout.search_page) PlaceSearchPage(*layout.search_page);
  PlaceOverview(layout);  // 全景
}

void ShowTab(int index) {
  AppState& app = g_app;
  app.active_tab = index;
  const int page0 = index == kTabTree ? SW_SHOW : SW_HIDE;
  for (HWND hwnd :
       {app.folder_title, app.folder_list, app.treemap_title, app.treemap, app.extension_title, app.extension_list}) {
    if (hwnd != nullptr) ShowWindow(hwnd, page0);
  }
  if (app.file_list != nullptr) ShowWindow(app.file_list, index == kTabFiles ? SW_SHOW : SW_HIDE);
  ShowChangePage(index == kTabChanges);
  ShowSearchPage(index == kTabSearch);
  ShowOverviewPage(index == kTabOverview);  // 全景
  if (app.main_window != nullptr) LayoutMainWindow(app.main_window);
  if (index == kTabTree) {
    SetCountAndRedraw(app.folder_list, app.views.rows.RowCount());
    SetCountAndRedraw(app.extension_list, app.views.extensions.extension_view.size());
    if (app.treemap != nullptr) {
      RedrawWindow(app.treemap, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
  } else if (index == kTabFiles) {
    SetCountAndRedraw(app.file_list, app.views.files.file_view.size());
  } else if (index == kTabChanges) {
    SetCountAndRedraw(app.change_list, app.views.changes.RowCount());
    const ComparedScans* scans = app.views.comparison.get();
    SetCountAndRedraw(app.grown_list, scans != nullptr ? scans->grown.size() : 0);
    SetCountAndRedraw(app.lost_list, scans != nullptr ? scans->lost.size() : 0);
  }
}

namespace {

Rect WorkAreaOf(HWND hwnd) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) return Rect{};
  return Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

}  // namespace

void KeepInsideItsWorkArea(HWND hwnd) {
  RECT outer{};
  if (!GetWindowRect(hwnd, &outer)) return;
  const Rect window{outer.left, outer.top, outer.right, outer.bottom};
  const Rect inside = KeepInsideWorkArea(window, WorkAreaOf(hwnd));
  if (inside == window) return;
  SetWindowPos(hwnd, nullptr, inside.left, inside.top, inside.Width(), inside.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnGetMinMaxInfo(HWND hwnd, MINMAXINFO& info) {
  const TrackingSize minimum = FitToWorkArea(MinimumTrackingSize(g_dpi), WorkAreaOf(hwnd));
  info.ptMinTrackSize.x = minimum.width;
  info.ptMinTrackSize.y = minimum.height;
}

void OnDpiChanged(HWND hwnd, WPARAM wparam, const RECT& suggested) {
  const int dpi = HIWORD(wparam);
  const int old_dpi = g_dpi;
  g_dpi = dpi == 0 ? 96 : dpi;
  CreateUiFonts();
  ApplyUiFonts();
  for (HWND list : {g_app.folder_list, g_app.extension_list, g_app.file_list, g_app.change_list, g_app.grown_list,
                    g_app.lost_list, g_app.search_list}) {
    StyleListView(list);
    // The columns were made at the old scale: they follow the fonts to the new one.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int k = 0; k < columns && old_dpi > 0 && old_dpi != g_dpi; ++k) {
      const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(k), 0));
      SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(k), MulDiv(width, g_dpi, old_dpi));
    }
  }
  SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  KeepInsideItsWorkArea(hwnd);  // the suggestion may be larger than a smaller screen's work area
  LayoutMainWindow(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace tw
