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
  kTabTree = 0,     // 树状视图: folder list, treemap, extension list
  kTabFiles = 1,    // 文件查看: the largest files
  kTabChanges = 2,  // 变化: the comparison with the previous scan
};

// ---- 全景 ----
// The overview page: the nested treemap of the whole volume. It is the tab
// after the others; renumber it here when a tab is added before it.
inline constexpr std::int32_t kTabOverview = 3;
// ---- end 全景 ----

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

// The controls of the 变化 page: the folder changes above, the files that
// grew below, each under its title; the one-line message takes the place of
// all four when there is nothing to compare.
struct ChangePageLayout {
  Placement change_title;
  Placement change_list;
  Placement grown_title;
  Placement grown_list;
  Placement message;
};

struct MainLayout {
  // Always placed.
  Placement drive_label;
  Placement drive_combo;  // height = the open drop-down's height
  Placement scan_button;
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

}  // namespace tw
