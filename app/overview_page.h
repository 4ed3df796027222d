#pragma once
// The 全景 page in the main window: its control (class "TarnwickOverview",
// ui/overview_window_win32.h) created, placed, shown and told of new
// results, with what it reads of AppState.

#include <windows.h>

#include "views/main_layout.h"

namespace tw {

// The control's class and what it reads; called once, before the main
// window creates the control.
void RegisterOverview(HINSTANCE instance);
// The control, hidden until its tab is chosen; null before creation.
HWND CreateOverview(HWND parent);
HWND OverviewWindow();

// Moves the control where the layout puts it (only the 全景 page places it).
void PlaceOverview(const MainLayout& layout);
// Shows or hides the page; shown, it asks for the picture it needs and
// takes the keyboard.
void ShowOverviewPage(bool visible);
// A new result was handed over.
void OverviewAfterNewResult();

}  // namespace tw
