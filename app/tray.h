#pragma once
// The notification-area icon, its balloon and menu, and the only way out of
// the program.

#include <windows.h>

namespace tw {

void AddTrayIcon(HWND owner);
void RemoveTrayIcon(HWND owner);
void ShowTrayBalloon(HWND owner);

// Close and minimise: hide the main window, keep (or add) the icon.
void HideToTray(HWND main_window);
// The pop-up menu at the cursor: show the window, clear the remembered scans, exit.
void ShowTrayMenu(HWND main_window);
// 清除扫描记录: asks first (否 the default), then deletes every volume's
// remembered scans and says so on the status line.
void ClearRememberedScans(HWND main_window);
// Removes the icon, destroys the tray and main windows; the loop then ends.
void ExitApplication(HWND main_window);

LRESULT CALLBACK TrayWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tw
