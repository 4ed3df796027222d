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

  // Top band: drive list, scan button, the three space labels beside them.
  l.drive_label = {M, S(12), S(48), S(22)};
  l.drive_combo = {M + S(52), S(10), S(220), S(300)};
  l.scan_button = {M + S(284), S(8), S(96), S(34)};
  for (std::int32_t i = 0; i < 3; ++i) {
    l.space_labels[i] = {M + S(420), S(8) + i * S(22), W - (M + S(420)) - M, S(22)};
  }
  l.tabs = {M, S(78), W - 2 * M, S(30)};

  // Bottom band: status text and progress bar.
  const std::int32_t band_text_y = H - S(30) + S(5);
  l.status_text = {M, band_text_y, (W - 2 * M) - S(240), S(22)};
  l.progress_bar = {W - M - S(220), band_text_y - S(2), S(220), S(20)};

  // Content area below the tabs and the section titles.
  const std::int32_t T = S(78) + S(30) + S(28);
  const std::int32_t C = H - T - S(30) - M;
  if (active_tab == kTabTree) {
    const auto split = static_cast<std::int32_t>(static_cast<double>(W) * 0.62);
    const std::int32_t half = S(8) / 2;
    const std::int32_t R = split + half;
    const std::int32_t RW = W - R - M;
    const std::int32_t Y = T - S(22) - S(6);
    const std::int32_t list_y = T + S(200) + S(8);
    FolderPageLayout page;
    page.folder_title = {M, Y, split - M, S(22)};
    page.folder_list = {M, T, split - half - M, C};
    page.treemap_title = {R, Y, RW, S(22)};
    page.treemap = {R, T, RW, S(200)};
    page.extension_title = {R, list_y - S(22) - S(6), RW, S(22)};
    page.extension_list = {R, list_y, RW, std::max(S(80), C - S(200) - S(8))};
    l.folder_page = page;
  } else if (active_tab == kTabChanges) {
    // The folder changes take three fifths of the height, the files the rest
    // below a gap and their title.
    const std::int32_t Y = T - S(22) - S(6);
    const std::int32_t title_room = S(22) + S(6);
    const std::int32_t upper = std::max(S(120), (C - S(8) - title_room) * 3 / 5);
    const std::int32_t lower_y = T + upper + S(8) + title_room;
    ChangePageLayout page;
    page.change_title = {M, Y, W - 2 * M, S(22)};
    page.change_list = {M, T, W - 2 * M, upper};
    page.grown_title = {M, lower_y - title_room, W - 2 * M, S(22)};
    page.grown_list = {M, lower_y, W - 2 * M, std::max(S(80), T + C - lower_y)};
    page.message = {M, T, W - 2 * M, S(22)};
    l.change_page = page;
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

}  // namespace tw
