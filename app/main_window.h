#pragma once
// The main window of class "TarnwickWindow": its procedure and the handlers it
// is split into (creation, layout, painting, the scan cycle).

#include <windows.h>

namespace tw {

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Creation (main_window_create.cpp).
LRESULT OnCreate(HWND hwnd, const CREATESTRUCTW& create);
void CreateUiFonts();
void DeleteUiFonts();
HWND CreateLabel(HWND parent, const wchar_t* text, HFONT font);
void StyleListView(HWND list);
// font_normal to every descendant, font_title to the titles, font_small to
// the space labels.
void ApplyUiFonts();

// Layout (main_window_layout.cpp).
void LayoutMainWindow(HWND hwnd);
void ShowTab(int index);
// The minimum tracking size, no larger than the work area of the window's
// monitor; the window moved (and if need be shrunk) into that work area.
void OnGetMinMaxInfo(HWND hwnd, MINMAXINFO& info);
void KeepInsideItsWorkArea(HWND hwnd);
void OnDpiChanged(HWND hwnd, WPARAM wparam, const RECT& suggested);

// Windows' app mode (theme_mode.cpp): whether AppsUseLightTheme asks for
// dark apps (a missing value is light), the control brushes in the theme in
// use, the title bar and native parts in it, and the switch when the system's
// colours change.
bool SystemUsesDarkApps();
void CreateThemeBrushes();
void ApplyWindowTheme(HWND hwnd);
void OnSettingChange(HWND hwnd, LPARAM lparam);

// Painting (main_window_paint.cpp).
void PaintBackground(HWND hwnd, HDC dc);
void DrawTabItem(const DRAWITEMSTRUCT& item);
// The scan, open and save buttons: the same look, each with its text.
void DrawTopButton(const DRAWITEMSTRUCT& item, const wchar_t* text);
LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
LRESULT CALLBACK TabEraseProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR data);
LRESULT CALLBACK ListHoverProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR data);
// The header painter of the result lists, installed once per header.
LRESULT CALLBACK HeaderPaintProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void InstallHeaderPainter(HWND header);

// The scan cycle (main_window_scan.cpp).
void StartScan();
void OnScanProgress(LPARAM progress);
void OnScanDone(WPARAM error, LPARAM result);
// Which of the drive list and the three buttons take input now, from the
// scan cycle and the file work; then the same with the cycle's status line.
void ApplyControlStates();
void ApplyScanCycle();
// A result just handed over (a scan's or an opened file's) on every page:
// nothing selected, the lists refilled, the treemap, caption and 全景 from
// the root.
void ShowNewResult();

// Opening and saving (main_window_files.cpp): 打开… and Ctrl+O, 保存… and
// Ctrl+S, and the workers' outcomes.
void OpenScanFile();
void OnOpenDone(LPARAM payload);
void SaveScanFile();
void OnSaveDone(LPARAM payload);

}  // namespace tw
