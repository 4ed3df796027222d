#include "views/main_layout.h"

#include <algorithm>

#include "views/dpi_scale.h"

namespace tw {

MainLayout LayoutMainWindow(std::int32_t width, std::int32_t height, std::int32_t dpi, std::int32_t active_tab) {
  const DpiScale S{dpi};
  const std::int32_t W = width;
  const std::int32_t H = height;
  const std::int32_t M = S(12);
  MainLayout l;

  // Top band: drive list, scan button, the open and save buttons, the three
  // space labels beside them (moved right by the two buttons and their gaps).
  l.drive_label = {M, S(12), S(48), S(22)};
  l.drive_combo = {M + S(52), S(10), S(220), S(300)};
  l.scan_button = {M + S(284), S(8), S(96), S(34)};
  l.open_button = {M + S(388), S(8), S(80), S(34)};
  l.save_button = {M + S(476), S(8), S(80), S(34)};
  for (std::int32_t i = 0; i < 3; ++i) {
    l.space_labels[i] = {M + S(596), S(8) + i * S(22), W - (M + S(596)) - M, S(22)};
  }
  l.tabs = {M, S(78), W - 2 * M, S(30)};

  // Bottom band: status text and progress bar.
  const std::int32_t band_text_y = H - S(30) + S(5);
  l.status_text = {M, band_text_y, (W - 2 * M) - S(240), S(22)};
  l.progress_bar = {W - M - S(220), band_text_y - S(2), S(220), S(20)};

  // Content area below the tabs and the section titles.
  // The titles' row (S(22) high, S(6) above the content) never reaches up
  // into the tabs, whichever way the three lengths round.
  const std::int32_t T = S(78) + S(30) + std::max(S(28), S(22) + S(6));
  const std::int32_t C = H - T - S(30) - M;
  if (active_tab == kTabTree) {
    const auto split = static_cast<std::int32_t>(static_cast<double>(W) * 0.62);
    const std::int32_t half = S(8) / 2;
    const std::int32_t R = split + half;
    const std::int32_t RW = W - R - M;
    const std::int32_t Y = T - S(22) - S(6);
    // The extension heading sits below the treemap, the list a little
    // below the heading. On a low client area the treemap gives up height
    // (down to S(80)) before the list falls below S(80).
    const std::int32_t below = S(4) + S(22) + S(4);
    const std::int32_t treemap_height = std::min(S(200), std::max(S(80), C - below - S(80)));
    const std::int32_t title_y = T + treemap_height + S(4);
    const std::int32_t list_y = title_y + S(22) + S(4);
    FolderPageLayout page;
    page.folder_title = {M, Y, split - M, S(22)};
    page.folder_list = {M, T, split - half - M, C};
    page.treemap_title = {R, Y, RW, S(22)};
    page.treemap = {R, T, RW, treemap_height};
    page.extension_title = {R, title_y, RW, S(22)};
    page.extension_list = {R, list_y, RW, std::max(S(80), C - treemap_height - below)};
    l.folder_page = page;
  } else if (active_tab == kTabChanges) {
    // The picker's row takes the titles' row; the folder changes take three
    // fifths of the rest below their title, the two file lists share the
    // remainder side by side below a gap and their titles.
    const std::int32_t Y = T - S(22) - S(6);
    const std::int32_t title_room = S(22) + S(6);
    const std::int32_t top = T + title_room;
    const std::int32_t rest = C - title_room;
    const std::int32_t upper = std::max(S(120), (rest - S(8) - title_room) * 3 / 5);
    const std::int32_t lower_y = top + upper + S(8) + title_room;
    const std::int32_t lower_height = std::max(S(80), T + C - lower_y);
    const std::int32_t left_width = (W - 2 * M - S(8)) / 2;
    const std::int32_t right_x = M + left_width + S(8);
    const std::int32_t right_width = W - M - right_x;
    ChangePageLayout page;
    page.baseline_label = {M, Y + S(3), S(64), S(22)};
    page.baseline_picker = {M + S(68), Y, S(300), S(300)};
    page.changed_only = {M + S(68) + S(300) + S(24), Y + S(2), S(240), S(24)};
    page.change_title = {M, T, W - 2 * M, S(22)};
    page.change_list = {M, top, W - 2 * M, upper};
    page.grown_title = {M, lower_y - title_room, left_width, S(22)};
    page.grown_list = {M, lower_y, left_width, lower_height};
    page.lost_title = {right_x, lower_y - title_room, right_width, S(22)};
    page.lost_list = {right_x, lower_y, right_width, lower_height};
    page.message = {M, T, W - 2 * M, S(22)};
    l.change_page = page;
  } else if (active_tab == kTabSearch) {
    // ---- The 搜索 page: the box where the other pages have their titles,
    // the line and the list filling the content area below it.
    const std::int32_t box_y = S(78) + S(30) + S(8);
    const std::int32_t line_y = box_y + S(26) + S(6);
    const std::int32_t list_y = line_y + S(22) + S(6);
    SearchPageLayout page;
    page.search_box = {M, box_y, W - 2 * M, S(26)};
    page.line = {M, line_y, W - 2 * M, S(22)};
    page.list = {M, list_y, W - 2 * M, std::max(S(80), T + C - list_y)};
    l.search_page = page;
  } else if (active_tab == kTabOverview) {
    // The path bar takes the titles' row, the picture and legend the content area.
    l.overview = Placement{M, T - S(22) - S(6), W - 2 * M, C + S(22) + S(6)};
  } else {
    l.file_list = Placement{M, T, W - 2 * M, C};
  }

  l.top_band = Rect{0, 0, W, S(78)};
  l.top_line_y = S(78) - 1;
  l.bottom_band = Rect{0, H - S(30), W, H};
  l.bottom_line_y = H - S(30);
  return l;
}

TrackingSize MinimumTrackingSize(std::int32_t dpi) {
  const DpiScale S{dpi};
  return TrackingSize{S(1000), S(680)};
}

TrackingSize FitToWorkArea(TrackingSize size, const Rect& work_area) {
  if (work_area.Width() <= 0 || work_area.Height() <= 0) return size;  // no work area known
  return TrackingSize{std::min(size.width, work_area.Width()), std::min(size.height, work_area.Height())};
}

Rect KeepInsideWorkArea(const Rect& window, const Rect& work_area) {
  if (work_area.Width() <= 0 || work_area.Height() <= 0) return window;
  const TrackingSize size = FitToWorkArea(TrackingSize{window.Width(), window.Height()}, work_area);
  const std::int32_t left = std::clamp(window.left, work_area.left, work_area.right - size.width);
  const std::int32_t top = std::clamp(window.top, work_area.top, work_area.bottom - size.height);
  return Rect{left, top, left + size.width, top + size.height};
}

}  // namespace tw
