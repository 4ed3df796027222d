// Placing the controls, switching pages, the size limits and DPI changes. The
// rectangles come from the portable layout; this file only moves windows.
#include "main_window.h"

#include <commctrl.h>

#include "app_state.h"
#include "overview_page.h"
#include "result_views.h"
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
    Place(app.change_title, page->change_title);
    Place(app.change_list, page->change_list);
    Place(app.grown_title, page->grown_title);
    Place(app.grown_list, page->grown_list);
    Place(app.change_message, page->message);
  }
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
    SetCountAndRedraw(app.grown_list, app.views.comparison != nullptr ? app.views.comparison->grown.size() : 0);
  }
}

void OnGetMinMaxInfo(MINMAXINFO& info) {
  const TrackingSize minimum = MinimumTrackingSize(g_dpi);
  info.ptMinTrackSize.x = minimum.width;
  info.ptMinTrackSize.y = minimum.height;
}

void OnDpiChanged(HWND hwnd, WPARAM wparam, const RECT& suggested) {
  const int dpi = HIWORD(wparam);
  g_dpi = dpi == 0 ? 96 : dpi;
  CreateUiFonts();
  ApplyUiFonts();
  for (HWND list : {g_app.folder_list, g_app.extension_list, g_app.file_list, g_app.change_list, g_app.grown_list}) {
    StyleListView(list);
  }
  SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutMainWindow(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace tw
