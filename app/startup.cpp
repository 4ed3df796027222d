#include "startup.h"

#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "app_ids.h"
#include "app_state.h"
#include "base/kernel_handle_win32.h"
#include "base/trace.h"
#include "main_window.h"
#include "resource.h"
#include "texts/texts.h"
#include "tray.h"
#include "views/main_layout.h"

namespace tw {
namespace {

// The second instance: bring the running window forward and leave.
int HandOver() {
  HWND running = FindWindowW(kMainClassName, text::kMainTitle);
  if (running == nullptr) running = FindWindowW(kMainClassName, nullptr);
  if (running == nullptr) return 0;
  RestoreMainWindow(running);
  PostMessageW(running, WM_SHOW_MAIN_WINDOW, 0, 0);
  return 0;
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW main_class{};
  main_class.cbSize = sizeof(main_class);
  main_class.style = CS_HREDRAW | CS_VREDRAW;
  main_class.lpfnWndProc = MainWindowProc;
  main_class.hInstance = instance;
  main_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main_class.hbrBackground = nullptr;  // WM_ERASEBKGND paints the bands
  main_class.lpszClassName = kMainClassName;
  main_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP_ICON));
  if (main_class.hIcon == nullptr) main_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  main_class.hIconSm = LoadAppIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  if (RegisterClassExW(&main_class) == 0) return false;

  WNDCLASSEXW tray_class{};
  tray_class.cbSize = sizeof(tray_class);
  tray_class.lpfnWndProc = TrayWindowProc;
  tray_class.hInstance = instance;
  tray_class.lpszClassName = kTrayClassName;
  RegisterClassExW(&tray_class);
  return true;
}

int ScreenDpi() {
  int dpi = 96;
  if (HDC dc = GetDC(nullptr)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
  }
  return dpi < 1 ? 96 : dpi;
}

// The primary monitor's work area: the screen without the taskbar.
Rect PrimaryWorkArea() {
  RECT work{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return Rect{};
  return Rect{work.left, work.top, work.right, work.bottom};
}

}  // namespace

HICON LoadAppIcon(int width, int height) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, width,
                                       height, LR_DEFAULTCOLOR));
}

bool IsProcessElevated() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  const KernelHandle token(opened);
  TOKEN_ELEVATION elevation{};
  DWORD returned = 0;
  const bool ok = GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &returned) != 0;
  return ok && elevation.TokenIsElevated != 0;
}

void ForceForeground(HWND hwnd) {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) {
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
    return;
  }
  const DWORD foreground_thread = GetWindowThreadProcessId(foreground, nullptr);
  const DWORD current_thread = GetCurrentThreadId();
  if (foreground_thread != 0 && foreground_thread != current_thread) {
    AttachThreadInput(current_thread, foreground_thread, TRUE);
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
    AttachThreadInput(current_thread, foreground_thread, FALSE);
  } else {
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
  }
}

void RestoreMainWindow(HWND hwnd) {
  ShowWindow(hwnd, SW_SHOW);
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ForceForeground(hwnd);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  SetFocus(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
}

int RunApplication(HINSTANCE instance) {
  // Held until the program ends.
  KernelHandle mutex(CreateMutexW(nullptr, TRUE, kMutexName));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    mutex.reset();
    return HandOver();
  }

  g_taskbar_created_message = RegisterWindowMessageW(L"TaskbarCreated");
  OleInitialize(nullptr);

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);

  RegisterClasses(instance);
  g_tray_window = CreateWindowExW(0, kTrayClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);

  const int dpi = ScreenDpi();
  const TrackingSize size =
      FitToWorkArea(TrackingSize{MulDiv(1320, dpi, 96), MulDiv(840, dpi, 96)}, PrimaryWorkArea());
  HWND main_window = CreateWindowExW(0, kMainClassName, text::kMainTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                     CW_USEDEFAULT, size.width, size.height, nullptr, nullptr, instance, nullptr);
  if (main_window == nullptr) return 1;  // the mutex stays held until exit
  KeepInsideItsWorkArea(main_window);

  SendMessageW(main_window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadAppIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))));
  SendMessageW(main_window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadAppIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))));
  AddTrayIcon(g_tray_window);

  AllowSetForegroundWindow(ASFW_ANY);
  ShowWindow(main_window, SW_SHOW);
  ShowWindow(main_window, SW_RESTORE);
  SetForegroundWindow(main_window);
  BringWindowToTop(main_window);
  SetActiveWindow(main_window);

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // F5 anywhere in the main window scans the selected drive again;
    // Ctrl+O opens a saved scan, Ctrl+S saves the result on screen. While
    // no control has the focus (the scan button's went when it was
    // disabled) the keys reach the window as system keys.
    const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    if ((message.message == WM_KEYDOWN || (message.message == WM_SYSKEYDOWN && !alt)) && message.hwnd != nullptr &&
        GetAncestor(message.hwnd, GA_ROOT) == main_window) {
      const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0 && !alt;
      if (message.wParam == VK_F5) {
        StartScan();
        continue;
      }
      if (control && message.wParam == 'O') {
        OpenScanFile();
        continue;
      }
      if (control && message.wParam == 'S') {
        SaveScanFile();
        continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  OleUninitialize();
  return static_cast<int>(message.wParam);
}

}  // namespace tw

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmd_line, int) {
  const std::wstring command_line = cmd_line != nullptr ? cmd_line : L"";
  wchar_t exe_path[261] = {};
  GetModuleFileNameW(nullptr, exe_path, 260);
  tw::Trace(L"  exe=%ls", exe_path);
  tw::Trace(L"  cmdLine=[%ls]", command_line.c_str());
  if (!tw::IsProcessElevated()) {
    MessageBoxW(nullptr, tw::text::kNotElevatedMessage, tw::text::kNotElevatedCaption, MB_ICONINFORMATION);
    return 0;
  }
  return tw::RunApplication(instance);
}
