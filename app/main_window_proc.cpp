// The main window procedure: the message table, commands and the routing of
// list and tab notifications.
#include "main_window.h"

#include <commctrl.h>

#include "app_ids.h"
#include "app_state.h"
#include "change_page.h"
#include "drive_list.h"
#include "file_thread.h"
#include "item_actions.h"
#include "result_views.h"
#include "search_page.h"
#include "startup.h"
#include "texts/texts.h"
#include "tray.h"

namespace tw {
namespace {

bool IsResultList(HWND hwnd) {
  const AppState& app = g_app;
  return hwnd != nullptr &&
         (hwnd == app.folder_list || hwnd == app.extension_list || hwnd == app.file_list || hwnd == app.change_list ||
          hwnd == app.grown_list || hwnd == app.lost_list || hwnd == app.search_list);
}

LRESULT OnNotify(HWND hwnd, WPARAM wparam, NMHDR& header) {
  AppState& app = g_app;
  const HWND from = header.hwndFrom;
  if (header.code == LVN_HOTTRACK && IsResultList(from)) {
    const auto& view = reinterpret_cast<NMLISTVIEW&>(header);
    if (view.iItem >= 0) SendMessageW(from, LVM_REDRAWITEMS, static_cast<WPARAM>(view.iItem), view.iItem);
    return 1;  // the list must not select the hot item
  }
  if (header.code == LVN_ITEMCHANGED && IsResultList(from)) {
    const auto& view = reinterpret_cast<NMLISTVIEW&>(header);
    if (((view.uOldState ^ view.uNewState) & LVIS_SELECTED) != 0 && view.iItem >= 0) {
      SendMessageW(from, LVM_REDRAWITEMS, static_cast<WPARAM>(view.iItem), view.iItem);
    }
    return 0;
  }
  if (header.code == TCN_SELCHANGE && from == app.tabs) {
    ShowTab(static_cast<int>(SendMessageW(app.tabs, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  if (header.code == LVN_COLUMNCLICK) {
    const auto column = static_cast<std::int32_t>(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
    if (from == app.folder_list) {
      OnFolderColumnClick(column);
    } else if (from == app.extension_list) {
      OnExtensionColumnClick(column);
    } else if (from == app.file_list) {
      OnFileColumnClick(column);
    } else if (from == app.search_list) {
      OnSearchColumnClick(column);
    }
    return 0;
  }
  if (from == app.folder_list && from != nullptr) return OnFolderListNotify(header);
  if (from == app.extension_list && from != nullptr) return OnExtensionListNotify(header);
  if (from == app.file_list && from != nullptr) return OnFileListNotify(header);
  if (from == app.change_list && from != nullptr) return OnChangeListNotify(header);
  if (from == app.grown_list && from != nullptr) return OnGrownListNotify(header);
  if (from == app.lost_list && from != nullptr) return OnLostListNotify(header);
  if (from == app.search_list && from != nullptr) return OnSearchListNotify(header);
  return DefWindowProcW(hwnd, WM_NOTIFY, wparam, reinterpret_cast<LPARAM>(&header));
}

void OnCommand(WPARAM wparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (id == IDC_DRIVE_COMBO) {
    if (code == CBN_SELCHANGE) UpdateSpaceSummary();
  } else if (id == IDC_SCAN_BUTTON) {
    StartScan();
  } else if (id == IDC_OPEN_BUTTON) {
    OpenScanFile();
  } else if (id == IDC_SAVE_BUTTON) {
    SaveScanFile();
  } else if (id == IDC_BASELINE_PICKER) {
    if (code == CBN_SELCHANGE) OnBaselinePicked();
  } else if (id == IDC_CHANGED_ONLY) {
    if (code == BN_CLICKED) OnChangedOnlyClicked();
  } else if (id == IDM_CLEAR_SCANS) {
    ClearRememberedScans(g_app.main_window);
  } else if (id == IDC_SEARCH_BOX) {
    if (code == EN_CHANGE) OnSearchBoxChanged();
  } else if (id == IDM_SHOW_MAIN) {
    RestoreMainWindow(g_app.main_window);
  } else if (id == IDM_EXIT) {
    ExitApplication(g_app.main_window);
  }
}

void OnDestroy() {
  AppState& app = g_app;
  RemoveTrayIcon(g_tray_window);
  if (g_tray_window != nullptr) {
    DestroyWindow(g_tray_window);
    g_tray_window = nullptr;
  }
  DeleteUiFonts();
  for (Brush* brush : {&app.brush_white, &app.brush_band, &app.brush_field}) brush->reset();
  PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(hwnd, *reinterpret_cast<CREATESTRUCTW*>(lparam));
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_SIZE:
      LayoutMainWindow(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      HideToTray(hwnd);
      return 0;
    case WM_ERASEBKGND:
      PaintBackground(hwnd, reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(hwnd, *reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (item.CtlID == static_cast<UINT>(IDC_TABS)) {
        DrawTabItem(item);
        return TRUE;
      }
      if (item.CtlID == static_cast<UINT>(IDC_SCAN_BUTTON)) {
        DrawTopButton(item, text::kScanButton);
        return TRUE;
      }
      if (item.CtlID == static_cast<UINT>(IDC_OPEN_BUTTON)) {
        DrawTopButton(item, text::kOpenButton);
        return TRUE;
      }
      if (item.CtlID == static_cast<UINT>(IDC_SAVE_BUTTON)) {
        DrawTopButton(item, text::kSaveButton);
        return TRUE;
      }
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_NOTIFY:
      return OnNotify(hwnd, wparam, *reinterpret_cast<NMHDR*>(lparam));
    case WM_CONTEXTMENU:
      if (IsWindowVisible(hwnd)) return DefWindowProcW(hwnd, message, wparam, lparam);
      ShowTrayMenu(hwnd);
      return 0;
    case WM_COMMAND:
      OnCommand(wparam);
      return 0;
    case WM_SYSCOMMAND: {
      const auto command = LOWORD(wparam);
      if (command == SC_MINIMIZE || command == SC_CLOSE) {
        HideToTray(hwnd);
        return 0;
      }
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return OnCtlColor(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_SETTINGCHANGE:
      // A taskbar that appears, grows or moves changes the work area: the
      // window stays inside it (a maximized one the system keeps fitted).
      if (wparam == SPI_SETWORKAREA && !IsZoomed(hwnd) && !IsIconic(hwnd)) KeepInsideItsWorkArea(hwnd);
      OnSettingChange(hwnd, lparam);
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_DISPLAYCHANGE:
      if (!IsZoomed(hwnd) && !IsIconic(hwnd)) KeepInsideItsWorkArea(hwnd);
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_DPICHANGED:
      OnDpiChanged(hwnd, wparam, *reinterpret_cast<RECT*>(lparam));
      return 0;
    case WM_SHOW_MAIN_WINDOW:
      RestoreMainWindow(g_app.main_window);
      return 0;
    case WM_SHOW_TRAY_MENU:
      ShowTrayMenu(g_app.main_window);
      return 0;
    case WM_SCAN_PROGRESS:
      OnScanProgress(lparam);
      return 0;
    case WM_ACTION_DONE:
      OnActionDone(lparam);
      return 0;
    case WM_SCAN_DONE:
      OnScanDone(wparam, lparam);
      return 0;
    case WM_OPEN_DONE:
      OnOpenDone(lparam);
      return 0;
    case WM_SAVE_DONE:
      OnSaveDone(lparam);
      return 0;
    case WM_SCAN_COMPARED:
      OnScanCompared(lparam);
      return 0;
    case WM_BASELINE_COMPARED:
      OnBaselineCompared(lparam);
      return 0;
    case WM_SEARCH_DONE:
      OnSearchDone(lparam);
      return 0;
    default:
      if (message == GdiCountMessage() && message != 0) return AnswerGdiCount(wparam);
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace tw
