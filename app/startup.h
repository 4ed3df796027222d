#pragma once
// The process from its entry point to the end of the message loop, and the two
// operations that bring the main window to the front.

#include <windows.h>

namespace tw {

// True when the process token says the process runs elevated.
bool IsProcessElevated();

// Single-instance guard, class registration, window creation, message loop.
// Returns the process exit code.
int RunApplication(HINSTANCE instance);

// Shows, restores and activates a top-level window, and repaints it at once.
void RestoreMainWindow(HWND hwnd);

// Makes hwnd the foreground window even when another thread owns the
// foreground.
void ForceForeground(HWND hwnd);

// The application icon at the given size (null when the resource is missing).
HICON LoadAppIcon(int width, int height);

}  // namespace tw
