// The notification-area icon: added at start on the hidden tray window,
// re-added when the taskbar is re-created, its balloon when the window hides,
// and its menu with the only way out of the program.
#include "tray.h"

#include <shellapi.h>

#include <cwchar>
#include <string>

#include "app_ids.h"
#include "app_state.h"
#include "store/scan_memory.h"
#include "snapshot_folder.h"
#include "startup.h"
#include "texts/texts.h"

namespace tw {
namespace {

constexpr UINT kIconId = 1;
// Record sizes tried, oldest shells last: the V3 layout, the V1 layout, the
// whole structure.
constexpr DWORD kSizeV3 = 952;
constexpr DWORD kSizeV1 = 168;
constexpr DWORD kSizeFull = sizeof(NOTIFYICONDATAW);
static_assert(kSizeFull == 976, "the whole record is 976 bytes on x64");

NOTIFYICONDATAW Record(HWND owner, DWORD size) {
  NOTIFYICONDATAW data{};
  data.cbSize = size;
  data.hWnd = owner;
  data.uID = kIconId;
  return data;
}

template <std::size_t N>
void CopyText(wchar_t (&field)[N], const wchar_t* text) {
  wcsncpy(field, text, N - 1);
  field[N - 1] = L'\0';
}

}  // namespace

void AddTrayIcon(HWND owner) {
  if (owner == nullptr || g_app.tray_icon_added) return;
  HICON icon = LoadAppIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
  NOTIFYICONDATAW data = Record(owner, kSizeV3);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = icon;
  CopyText(data.szTip, text::kMainTitle);
  bool added = false;
  for (DWORD size : {kSizeV3, kSizeV1, kSizeFull}) {
    data.cbSize = size;
    if (Shell_NotifyIconW(NIM_ADD, &data)) {
      added = true;
      break;
    }
  }
  if (!added) return;
  if (data.cbSize >= kSizeV3) {
    data.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
  }
  g_app.tray_icon_added = true;
}

void RemoveTrayIcon(HWND owner) {
  if (owner == nullptr || !g_app.tray_icon_added) return;
  NOTIFYICONDATAW data = Record(owner, kSizeV3);
  if (!Shell_NotifyIconW(NIM_DELETE, &data)) {
    data.cbSize = kSizeFull;
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  g_app.tray_icon_added = false;  // whatever the outcome
}

void ShowTrayBalloon(HWND owner) {
  if (owner == nullptr || !g_app.tray_icon_added) return;
  NOTIFYICONDATAW data = Record(owner, kSizeV3);
  data.uFlags = NIF_INFO;
  CopyText(data.szInfoTitle, text::kTrayBalloonTitle);
  CopyText(data.szInfo, text::kTrayBalloonText);
  data.uTimeout = 3000;
  data.dwInfoFlags = NIIF_INFO;
  if (!Shell_NotifyIconW(NIM_MODIFY, &data)) {
    data.cbSize = kSizeFull;
    Shell_NotifyIconW(NIM_MODIFY, &data);
  }
}

void HideToTray(HWND main_window) {
  if (!g_app.tray_icon_added) {
    AddTrayIcon(g_tray_window);
    if (!g_app.tray_icon_added) AddTrayIcon(main_window);  // the main window then owns the icon
  }
  ShowWindow(main_window, SW_HIDE);
  if (g_tray_window != nullptr) ShowTrayBalloon(g_tray_window);
}

void ShowTrayMenu(HWND main_window) {
  // One right click reports several events (button down, button up, context
  // menu), each a menu request; the later ones arrive while the first menu is
  // tracked. Only one menu may be open: later requests are dropped.
  static bool menu_open = false;
  if (menu_open) return;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, IDM_SHOW_MAIN, text::kTrayShowMain);
  AppendMenuW(menu, MF_STRING, IDM_CLEAR_SCANS, text::kTrayClearScans);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_EXIT, text::kTrayExit);
  POINT cursor{};
  GetCursorPos(&cursor);
  ForceForeground(main_window);
  menu_open = true;
  const int command =
      static_cast<int>(TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD | TPM_NOANIMATION, cursor.x,
                                      cursor.y, 0, main_window, nullptr));
  menu_open = false;
  DestroyMenu(menu);
  PostMessageW(main_window, WM_NULL, 0, 0);
  if (command == IDM_SHOW_MAIN) {
    RestoreMainWindow(main_window);
  } else if (command == IDM_CLEAR_SCANS) {
    std::string error;
    const bool cleared = ForgetScans(SnapshotFolder(), error);
    // A running scan owns the status line; its end replaces it anyway.
    if (!g_app.scan.scanning()) {
      SetWindowTextW(g_app.status_text, cleared ? text::kStatusScansCleared : text::kStatusScansNotCleared);
    }
  } else if (command == IDM_EXIT) {
    ExitApplication(main_window);
  }
}

void ExitApplication(HWND main_window) {
  RemoveTrayIcon(g_tray_window);
  if (g_tray_window != nullptr) {
    DestroyWindow(g_tray_window);
    g_tray_window = nullptr;
  }
  DestroyWindow(main_window);
}

LRESULT CALLBACK TrayWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_taskbar_created_message != 0 && message == g_taskbar_created_message) {
    RemoveTrayIcon(hwnd);
    AddTrayIcon(hwnd);
    return 0;
  }
  if (message == WM_TRAY_NOTIFY) {
    const auto event = static_cast<UINT>(static_cast<DWORD>(lparam));
    HWND main_window = g_app.main_window;
    if (wparam == kIconId && main_window != nullptr && event != WM_MOUSEMOVE) {
      switch (event) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case NIN_SELECT:
        case NIN_KEYSELECT:
          PostMessageW(main_window, WM_SHOW_MAIN_WINDOW, 0, 0);
          break;
        default:
          PostMessageW(main_window, WM_SHOW_TRAY_MENU, 0, 0);
          break;
      }
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tw
