#pragma once
// The scan worker thread of the Windows program and the two messages by which
// it hands progress and the result to the main window.

#include <windows.h>

#include <string>

namespace tw {

// Posted to the main window. WM_SCAN_DONE: wParam 0 and lParam a heap
// ScanResult* on success, wParam 1 and lParam 0 on failure. WM_SCAN_PROGRESS:
// wParam the progress value (0 leaves the bar alone), lParam a heap
// std::wstring* with the status text. The receiver owns and frees both.
inline constexpr UINT WM_SCAN_DONE = WM_APP + 1;
inline constexpr UINT WM_SCAN_PROGRESS = WM_APP + 2;

// The main window's handle; set by the main window before any scan starts.
extern HWND g_main_window;

// Body of the scan worker thread: scans drive (the letter alone, e.g. C) and
// posts the reports and the outcome to g_main_window. Catches everything.
void RunScanThread(std::wstring drive);

}  // namespace tw
