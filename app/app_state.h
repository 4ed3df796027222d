#pragma once
// The one process-wide state of the user interface: control handles, fonts,
// brushes, the generation of the scan result shown and the view state of the
// lists and the treemap. Touched on the user-interface thread only: work on
// other threads takes a generation of its own (engine/result_job.h).

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/gdi_objects_win32.h"
#include "views/main_paint.h"  // the colours
#include "views/result_view_state.h"
#include "views/save_choice.h"
#include "views/scan_cycle.h"

namespace tw {

struct AppState {
  HWND main_window = nullptr;
  HWND drive_label = nullptr, drive_combo = nullptr, scan_button = nullptr;
  HWND open_button = nullptr, save_button = nullptr;
  HWND folder_title = nullptr, folder_list = nullptr;
  HWND treemap_title = nullptr, extension_title = nullptr, extension_list = nullptr;
  HWND treemap = nullptr;
  HWND total_label = nullptr, used_label = nullptr, free_label = nullptr;
  HWND tabs = nullptr;
  HWND file_list = nullptr, status_text = nullptr, progress_bar = nullptr;
  HWND change_title = nullptr, change_list = nullptr, grown_title = nullptr, grown_list = nullptr;
  HWND lost_title = nullptr, lost_list = nullptr;
  HWND baseline_label = nullptr, baseline_picker = nullptr, changed_only = nullptr;
  HWND change_message = nullptr;
  HWND search_box = nullptr, search_line = nullptr, search_list = nullptr;  // the 搜索 page
  Font font_normal, font_title, font_button, font_small;
  Brush brush_white, brush_band, brush_field;

  // The generation of the result shown and every view's state over it;
  // replaced whole by HandOverGeneration.
  ResultViewState views;
  bool action_running = false;  // a deletion or a re-read is under way (app/item_actions.cpp)

  std::int32_t active_tab = 0;
  ScanCycle scan;  // the scanning flag and the status line of the scan button
  FileWork files;  // an opening or a save under way
  // The saved scan on screen when views.origin is kLoaded: its path, which
  // a save never overwrites and whose name a save proposes.
  std::wstring opened_path;

  std::int32_t folder_hover = -1, extension_hover = -1, file_hover = -1, change_hover = -1, grown_hover = -1,
               lost_hover = -1;
  std::int32_t search_hover = -1;
  bool tray_icon_added = false;
};

extern AppState g_app;

// The DPI every S() below scales with; 96 until the main window knows better.
extern int g_dpi;

// The hidden message-only window that owns the tray icon (may be null) and the
// id of the registered "TaskbarCreated" message.
extern HWND g_tray_window;
extern UINT g_taskbar_created_message;

// A length in pixels at 96 DPI, scaled to the current DPI.
int S(int pixels);

}  // namespace tw
