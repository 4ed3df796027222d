// The 全景 page's glue: the control reads the view state and the fonts of
// AppState, and Enter on it shows the item in 树状视图.
#include "overview_page.h"

#include "app_ids.h"
#include "app_state.h"
#include "result_views.h"
#include "ui/overview_window_win32.h"

namespace tw {
namespace {

HWND g_overview = nullptr;

}  // namespace

void RegisterOverview(HINSTANCE instance) {
  SetOverviewWindowHost(
      OverviewWindowHost{&g_app.views, &g_app.font_normal, &g_app.font_small, &g_dpi,
                         [](const TreeTarget& target) { ShowItemInTree(target.folder_id, target.file_position); }});
  RegisterOverviewWindowClass(instance);
}

HWND CreateOverview(HWND parent) {
  g_overview =
      CreateWindowExW(0, kOverviewWindowClass, nullptr, WS_CHILD, 0, 0, 10, 10, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OVERVIEW)), GetModuleHandleW(nullptr), nullptr);
  return g_overview;
}

HWND OverviewWindow() { return g_overview; }

void PlaceOverview(const MainLayout& layout) {
  if (g_overview == nullptr || !layout.overview) return;
  const Placement& r = *layout.overview;
  MoveWindow(g_overview, r.x, r.y, r.width, r.height, TRUE);
}

void ShowOverviewPage(bool visible) {
  if (g_overview == nullptr) return;
  ShowWindow(g_overview, visible ? SW_SHOW : SW_HIDE);
  if (!visible) return;
  RefreshOverview(g_overview);
  SetFocus(g_overview);  // Backspace and Enter act on the page at once
}

void OverviewAfterNewResult() { OverviewGenerationChanged(g_overview); }

}  // namespace tw
