#pragma once
// The one process-wide state of the user interface: control handles, fonts,
// brushes, the current scan result and the view state of the three lists and
// the treemap. Touched on the user-interface thread only.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "model/scan_compare.h"
#include "model/scan_memory.h"
#include "model/scan_result.h"
#include "treemap/treemap_items.h"
#include "views/change_rows.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/main_paint.h"  // the colours
#include "views/scan_cycle.h"
#include "views/treemap_navigation.h"

namespace tw {

struct AppState {
  HWND main_window = nullptr;
  HWND drive_label = nullptr, drive_combo = nullptr, scan_button = nullptr;
  HWND folder_title = nullptr, folder_list = nullptr;
  HWND treemap_title = nullptr, extension_title = nullptr, extension_list = nullptr;
  HWND treemap = nullptr;
  HWND total_label = nullptr, used_label = nullptr, free_label = nullptr;
  HWND tabs = nullptr;
  HWND file_list = nullptr, status_text = nullptr, progress_bar = nullptr;
  HWND change_title = nullptr, change_list = nullptr, grown_title = nullptr, grown_list = nullptr;
  HWND change_message = nullptr;
  HFONT font_normal = nullptr, font_title = nullptr, font_button = nullptr, font_small = nullptr;
  HBRUSH brush_white = nullptr, brush_band = nullptr, brush_field = nullptr;

  ScanResult result;
  FolderRowModel rows;

  std::vector<TreemapItem> treemap_items;
  TreemapState treemap_state;  // the folder shown and files mode; reset with each scan

  ExtensionListState extensions;  // extension_view and the extension sort
  FileViewState files;            // file_view and the file sort

  // The volume's previous scan and its comparison with `result` (both null
  // when there is none); what became of the previous scan.
  std::unique_ptr<ScanResult> previous;
  std::unique_ptr<ComparedScans> comparison;
  PreviousScan previous_scan = PreviousScan::kNone;
  bool has_result = false;  // a scan has succeeded since the start
  ChangeRowModel changes;

  std::int32_t active_tab = 0;
  ScanCycle scan;  // the scanning flag and the status line of the scan button

  std::int32_t folder_hover = -1, extension_hover = -1, file_hover = -1, change_hover = -1, grown_hover = -1;
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
