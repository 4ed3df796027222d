// Windows' app mode: AppsUseLightTheme read at start and again when the
// system says its colours changed ("ImmersiveColorSet"), the theme set
// chosen from it, and everything repainted in the new set: the brushes the
// window hands to its controls, the lists' own colours, the progress bar,
// and where Windows offers them a dark title bar and dark native parts.
#include "main_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cwchar>

#include "app_state.h"
#include "overview_page.h"
#include "ui/overview_window_win32.h"
#include "views/theme.h"

namespace tw {
namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr DWORD kUseImmersiveDarkMode = 20;  // DWMWA_USE_IMMERSIVE_DARK_MODE

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// The title bar follows the set where dwmapi offers the attribute; a system
// without it keeps its own title bar.
void ThemeTitleBar(HWND hwnd, bool dark) {
  HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
  if (dwm == nullptr) return;
  const auto set = reinterpret_cast<DwmSetWindowAttributeFn>(
      reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
  if (set != nullptr) {
    const BOOL value = dark ? TRUE : FALSE;
    set(hwnd, kUseImmersiveDarkMode, &value, sizeof value);
  }
  FreeLibrary(dwm);
}

// Native parts (scroll bars, the drop-down lists, the edit box, tooltips)
// take the system's dark visual style in the dark set and their usual one
// in the light set: the lists and the two pickers none, the rest the default.
void ThemeNativeParts(bool dark) {
  const AppState& app = g_app;
  const wchar_t* dark_style = L"DarkMode_Explorer";
  for (HWND list : {app.folder_list, app.extension_list, app.file_list, app.change_list, app.grown_list,
                    app.lost_list, app.search_list}) {
    SetWindowTheme(list, dark ? dark_style : L"", dark ? nullptr : L"");
  }
  for (HWND picker : {app.drive_combo, app.baseline_picker}) {
    SetWindowTheme(picker, dark ? L"DarkMode_CFD" : L"", dark ? nullptr : L"");
  }
  SetWindowTheme(app.search_box, dark ? L"DarkMode_CFD" : nullptr, nullptr);
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM dark_param) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 63);
        if (std::wcscmp(name, TOOLTIPS_CLASSW) == 0) {
          SetWindowTheme(window, dark_param != 0 ? L"DarkMode_Explorer" : nullptr, nullptr);
        }
        return TRUE;
      },
      dark ? 1 : 0);
}

void ColourLists() {
  const AppState& app = g_app;
  const Theme& theme = CurrentTheme();
  for (HWND list : {app.folder_list, app.extension_list, app.file_list, app.change_list, app.grown_list,
                    app.lost_list, app.search_list}) {
    SendMessageW(list, LVM_SETBKCOLOR, 0, theme.body);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, theme.text);
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, theme.body);
  }
  SendMessageW(app.progress_bar, PBM_SETBARCOLOR, 0, theme.accent);
  SendMessageW(app.progress_bar, PBM_SETBKCOLOR, 0, theme.progress_back);
}

}  // namespace

bool SystemUsesDarkApps() {
  DWORD value = 1;
  DWORD size = sizeof value;
  const bool present = RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD,
                                    nullptr, &value, &size) == ERROR_SUCCESS;
  return DarkFromAppsUseLightTheme(present, value);
}

void CreateThemeBrushes() {
  AppState& app = g_app;
  const Theme& theme = CurrentTheme();
  app.brush_white = SolidBrush(theme.body);
  app.brush_band = SolidBrush(theme.band);
  app.brush_field = SolidBrush(theme.field);
}

void ApplyWindowTheme(HWND hwnd) {
  const bool dark = DarkThemeInUse();
  // A light start leaves the title bar and the native parts as they were made.
  static bool touched = false;
  if (!dark && !touched) return;
  touched = true;
  ThemeTitleBar(hwnd, dark);
  ThemeNativeParts(dark);
}

void OnSettingChange(HWND hwnd, LPARAM lparam) {
  const auto* area = reinterpret_cast<const wchar_t*>(lparam);
  if (area == nullptr || std::wcscmp(area, L"ImmersiveColorSet") != 0) return;
  const bool dark = SystemUsesDarkApps();
  if (dark == DarkThemeInUse()) return;
  UseDarkTheme(dark);
  CreateThemeBrushes();
  ColourLists();
  ApplyWindowTheme(hwnd);
  RefreshOverview(OverviewWindow());  // its page is composed ahead of painting
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace tw
