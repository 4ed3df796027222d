#pragma once
// The 全景 control, window class "TarnwickOverview": the path bar, the
// nested cushion treemap of the folder the page shows, and the legend.
//
// The picture is made off the window's thread (a JobSlot over the
// generation shown: layout and drawing into memory), posted back to this
// window, turned into a bitmap here with the labels drawn in the window's
// font, and kept. The page (path bar, picture, outlines, legend) is
// composed into one more bitmap whenever one of them changes, and a repaint
// copies that bitmap and nothing more. Pointing uses the cells the picture
// was laid out with. Until a new picture arrives the previous one stays.

#include <windows.h>

#include <functional>

#include "ui/gdi_objects_win32.h"
#include "views/overview_view.h"
#include "views/result_view_state.h"

namespace tw {

inline constexpr wchar_t kOverviewWindowClass[] = L"TarnwickOverview";

// What the control reads and where it hands over: the view state (the
// generation shown and the zoom), the path bar's font, the labels' and
// legend's font and the DPI (read at each use, so that a DPI change's new
// fonts are used), and the tree view that Enter shows an item in.
struct OverviewWindowHost {
  ResultViewState* views = nullptr;
  const Font* path_font = nullptr;
  const Font* label_font = nullptr;
  const int* dpi = nullptr;
  std::function<void(const TreeTarget& target)> show_in_tree;
};
void SetOverviewWindowHost(OverviewWindowHost host);

// Registers the class once (CS_DBLCLKS, arrow cursor, no background brush).
void RegisterOverviewWindowClass(HINSTANCE instance);

// The page was shown, or its generation or zoom changed: the path bar
// follows, and a picture is asked for when the control is visible and the
// one kept is not of the generation, folder and size wanted.
void RefreshOverview(HWND overview);
// A new generation was handed over (its zoom rebased): nothing stays
// selected, then as RefreshOverview.
void OverviewGenerationChanged(HWND overview);

// The registered message by which a test probe asks the control how many
// pictures it has shown (wParam 0), whether one is being made (1), and how
// many cells the one shown has (2).
UINT OverviewStateMessage();

LRESULT CALLBACK OverviewWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tw
