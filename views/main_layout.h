#pragma once
// Where every control of the main window goes, as a pure function of the
// client size, the DPI and the page shown. The Win32 window moves its
// controls to these placements (MoveWindow with repainting) and paints its
// bands where these say; nothing here needs a window.

#include <cstdint>
#include <optional>

#include "base/geometry.h"

namespace tw {

// The pages of the tab control, in the order of their tabs.
enum MainTab : std::int32_t {
  kTabTree = 0,      // 树状视图: folder list, treemap, extension list
  kTabFiles = 1,     // 文件查看: the largest files
  kTabChanges = 2,   // 变化: the comparison with the previous scan
  kTabSearch = 3,    // 搜索: every file and folder by name, type, size and age
  kTabOverview = 4,  // 全景: the nested treemap of the whole volume
};

// A control's position and size, in the order MoveWindow takes them.
struct Placement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Placement&, const Placement&) = default;
};

// The controls of the first page (folder tree, treemap, extension list).
struct FolderPageLayout {
  Placement folder_title;
  Placement folder_list;
  Placement treemap_title;
  Placement treemap;
  Placement extension_title;
  Placement extension_list;
};

// The controls of the 变化 page: along its top the picker of the scan
// compared with (its label, the drop-down) and the check box that hides the
// unchanged folders; below them the folder changes, and under those the
// files that grew and the files lost side by side, each list under its
// title. The one-line message takes the place of the titles and lists when
// there is nothing to show.
struct ChangePageLayout {
  Placement baseline_label;
  Placement baseline_picker;  // height = the open drop-down's height
  Placement changed_only;
  Placement change_title;
  Placement change_list;
  Placement grown_title;
  Placement grown_list;
  Placement lost_title;
  Placement lost_list;
  Placement message;
};

// ---- The 搜索 page ----
// The search box across the page, the count line (or a bad query's reason)
// under it, the matches below.
struct SearchPageLayout {
  Placement search_box;
  Placement line;
  Placement list;
};

struct MainLayout {
  // Always placed.
  Placement drive_label;
  Placement drive_combo;  // height = the open drop-down's height
  Placement scan_button;
  Placement open_button;      // 打开…, after the scan button
  Placement save_button;      // 保存…, after the open button
  Placement space_labels[3];  // total, used, free
  Placement tabs;
  Placement status_text;
  Placement progress_bar;
  // The tree page places the folder page, the files page only the file
  // list, the changes page the change page. The controls of the pages not shown keep their last
  // positions.
  std::optional<FolderPageLayout> folder_page;
  std::optional<Placement> file_list;
  std::optional<ChangePageLayout> change_page;
  std::optional<SearchPageLayout> search_page;
  // The 全景 page: its one control, from the titles' row to the content's end.
  std::optional<Placement> overview;
  // The window's own painting: the grey top and bottom bands and the y of
  // their one-pixel separator lines (each drawn from x 0 to the width).
  Rect top_band;
  std::int32_t top_line_y = 0;
  Rect bottom_band;
  std::int32_t bottom_line_y = 0;
};

// The placements for a client area of width x height at dpi, showing page
// active_tab (a MainTab).
MainLayout LayoutMainWindow(std::int32_t width, std::int32_t height, std::int32_t dpi, std::int32_t active_tab);

// The smallest window size the user can drag to: S(1000) x S(680).
struct TrackingSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const TrackingSize&, const TrackingSize&) = default;
};
TrackingSize MinimumTrackingSize(std::int32_t dpi);

// A window size no larger than the work area (the screen without the
// taskbar): the start size and the minimum tracking size both pass through
// it, so that a high DPI on a small screen never asks for more than fits.
TrackingSize FitToWorkArea(TrackingSize size, const Rect& work_area);

// The window's rectangle moved, and shrunk only if it is larger, so that all
// of it lies inside the work area; one already inside stays where it is.
Rect KeepInsideWorkArea(const Rect& window, const Rect& work_area);

}  // namespace tw
