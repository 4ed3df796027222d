#include "views/main_layout.h"

#include <gtest/gtest.h>

#include "views/dpi_scale.h"

namespace tw {
namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroAndFailsWithMinusOne) {
  EXPECT_EQ(MulDiv(5, 144, 96), 8);    // 7.5
  EXPECT_EQ(MulDiv(-5, 144, 96), -8);  // -7.5
  EXPECT_EQ(MulDiv(5, 144, -96), -8);
  EXPECT_EQ(MulDiv(-5, -144, 96), 8);
  EXPECT_EQ(MulDiv(-29, 120, 96), -36);  // -36.25
  EXPECT_EQ(MulDiv(-2, 1, 3), -1);
  EXPECT_EQ(MulDiv(-1, 1, 3), 0);
  EXPECT_EQ(MulDiv(7, 3, 0), -1);
  EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);
  EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 1), -1);
  EXPECT_EQ(MulDiv(2147483647, 2, 2), 2147483647);
}

TEST(MainLayout, FolderPageAt96Dpi) {
  const MainLayout l = LayoutMainWindow(1304, 801, 96, 0);
  ASSERT_TRUE(l.folder_page.has_value());
  EXPECT_FALSE(l.file_list.has_value());
  const FolderPageLayout& p = *l.folder_page;
  EXPECT_EQ(p.folder_list, (Placement{12, 136, 792, 623}));
  EXPECT_EQ(p.folder_title, (Placement{12, 108, 796, 22}));
  EXPECT_EQ(p.treemap, (Placement{812, 136, 480, 200}));
  // The heading clear of the treemap's bottom (136 + 200), the list below it.
  EXPECT_EQ(p.extension_title, (Placement{812, 340, 480, 22}));
  EXPECT_EQ(p.extension_list, (Placement{812, 366, 480, 623 - 230}));
  EXPECT_EQ(l.status_text, (Placement{12, 776, 1040, 22}));
  EXPECT_EQ(l.progress_bar, (Placement{1072, 774, 220, 20}));
  EXPECT_EQ(l.space_labels[2], (Placement{608, 52, 684, 22}));
  EXPECT_EQ(l.tabs, (Placement{12, 78, 1280, 30}));
  EXPECT_EQ(l.bottom_band, (Rect{0, 771, 1304, 801}));
  EXPECT_EQ(l.top_line_y, 77);
}

// The top band: 扫描, 打开… and 保存… in a row with gaps of S(8), and the
// space summary after them, moved right by the two buttons and their gaps.
TEST(MainLayout, TheOpenAndSaveButtonsFollowTheScanButton) {
  const MainLayout l = LayoutMainWindow(1304, 801, 96, 0);
  EXPECT_EQ(l.scan_button, (Placement{296, 8, 96, 34}));
  EXPECT_EQ(l.open_button, (Placement{400, 8, 80, 34}));
  EXPECT_EQ(l.save_button, (Placement{488, 8, 80, 34}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(l.space_labels[i], (Placement{608, 8 + 22 * i, 684, 22})) << i;
  EXPECT_EQ(l.open_button.x - (l.scan_button.x + l.scan_button.width), 8);
  EXPECT_EQ(l.save_button.x - (l.open_button.x + l.open_button.width), 8);
  EXPECT_EQ(l.space_labels[0].x - (l.save_button.x + l.save_button.width), 40);

  const MainLayout h = LayoutMainWindow(1956, 1202, 144, 0);
  EXPECT_EQ(h.open_button, (Placement{18 + 582, 12, 120, 51}));
  EXPECT_EQ(h.save_button, (Placement{18 + 714, 12, 120, 51}));
  EXPECT_EQ(h.space_labels[1], (Placement{18 + 894, 12 + 33, 1956 - 912 - 18, 33}));
  // At the smallest window the summary keeps room for its texts.
  const MainLayout small = LayoutMainWindow(984, 641, 96, 0);
  EXPECT_EQ(small.space_labels[0].width, 364);
}

TEST(MainLayout, EveryConstantScalesSeparately) {
  const MainLayout l = LayoutMainWindow(1956, 1202, 144, 0);
  EXPECT_EQ(l.drive_combo, (Placement{18 + 78, 15, 330, 450}));
  EXPECT_EQ(l.scan_button, (Placement{18 + 426, 12, 144, 51}));
  // T = 117 + 45 + 42 = 204, C = 1202 - 204 - 45 - 18 = 935,
  // split = 1956 * 0.62 = 1212.72 -> 1212, half = 12 / 2 = 6.
  const FolderPageLayout& p = *l.folder_page;
  EXPECT_EQ(p.folder_list, (Placement{18, 204, 1212 - 6 - 18, 935}));
  EXPECT_EQ(p.treemap, (Placement{1218, 204, 1956 - 1218 - 18, 300}));
  EXPECT_EQ(p.extension_title.y, 204 + 300 + 6);
  EXPECT_EQ(p.extension_list.y, 204 + 300 + 6 + 33 + 6);
  EXPECT_EQ(l.status_text, (Placement{18, 1202 - 45 + 8, 1920 - 360, 33}));

  // -S(30) + S(5) - S(2) is -38 + 6 - 3 = -35 at 120 dpi, where scaling the
  // sum would give S(-27) = -34.
  EXPECT_EQ(LayoutMainWindow(1000, 700, 120, 0).progress_bar.y, 700 - 35);

  EXPECT_EQ(MinimumTrackingSize(96), (TrackingSize{1000, 680}));
  EXPECT_EQ(MinimumTrackingSize(144), (TrackingSize{1500, 1020}));
}

TEST(MainLayout, LowWindowKeepsTheExtensionListAtItsMinimum) {
  // C = 400 - 136 - 30 - 12 = 222; 222 - 230 < 80: the treemap gives up
  // height first, 222 - 30 - 80 = 112, and the list ends with the content.
  const MainLayout l = LayoutMainWindow(1000, 400, 96, 0);
  EXPECT_EQ(l.folder_page->folder_list.height, 222);
  EXPECT_EQ(l.folder_page->treemap.height, 112);
  EXPECT_EQ(l.folder_page->extension_list.height, 80);
  EXPECT_EQ(l.folder_page->extension_list.y + 80, 136 + 222);
  // Lower still: both at their minimum.
  EXPECT_EQ(LayoutMainWindow(1000, 300, 96, 0).folder_page->treemap.height, 80);
  EXPECT_EQ(LayoutMainWindow(0, 0, 96, 0).folder_page->extension_list.height, 80);
}

TEST(MainLayout, FilePageShowsOnlyTheFileListAtFullWidth) {
  const MainLayout l = LayoutMainWindow(1304, 801, 96, 1);
  EXPECT_FALSE(l.folder_page.has_value());
  EXPECT_EQ(l.file_list, (Placement{12, 136, 1280, 623}));
  EXPECT_EQ(l.status_text, LayoutMainWindow(1304, 801, 96, 0).status_text);
}

TEST(MainLayout, ChangePageHasItsPickerOnTopAndTheFileListsSideBySide) {
  // C = 623; the lists start one title lower, at 164, with 595 left; upper
  // = (595 - 8 - 28) * 3 / 5 = 335; the file lists start at 164 + 335 + 8 +
  // 28 = 535 and end where the file page's list does; each is
  // (1280 - 8) / 2 = 636 wide.
  const MainLayout l = LayoutMainWindow(1304, 801, 96, 2);
  ASSERT_TRUE(l.change_page.has_value());
  EXPECT_FALSE(l.folder_page.has_value());
  EXPECT_FALSE(l.file_list.has_value());
  const ChangePageLayout& page = *l.change_page;
  EXPECT_EQ(page.baseline_picker, (Placement{80, 108, 300, 300}));
  EXPECT_EQ(page.baseline_label.x + page.baseline_label.width, 76) << "left of the picker";
  EXPECT_GT(page.changed_only.x, page.baseline_picker.x + page.baseline_picker.width);
  EXPECT_EQ(page.change_title, (Placement{12, 136, 1280, 22}));
  EXPECT_EQ(page.change_list, (Placement{12, 164, 1280, 335}));
  EXPECT_EQ(page.grown_title, (Placement{12, 507, 636, 22}));
  EXPECT_EQ(page.grown_list, (Placement{12, 535, 636, 224}));
  EXPECT_EQ(page.lost_title, (Placement{656, 507, 636, 22}));
  EXPECT_EQ(page.lost_list, (Placement{656, 535, 636, 224}));
  EXPECT_EQ(page.lost_list.x + page.lost_list.width, 1304 - 12) << "the right margin";
  EXPECT_EQ(page.message.y, page.change_title.y);
  // A low window keeps every list usable; a narrow one both file lists.
  const ChangePageLayout low = *LayoutMainWindow(1000, 300, 96, 2).change_page;
  EXPECT_GE(low.change_list.height, 120);
  EXPECT_GE(low.grown_list.height, 80);
  EXPECT_EQ(low.lost_list.height, low.grown_list.height);
  EXPECT_GE(low.lost_list.width, 480);
  // At 144 DPI everything scales.
  const ChangePageLayout big = *LayoutMainWindow(1956, 1202, 144, 2).change_page;
  EXPECT_EQ(big.baseline_picker, (Placement{120, 162, 450, 450}));
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

TEST(WorkArea, SizesAreClampedToIt) {
  // 144 DPI on a 1600 x 1000 desktop with a 40-pixel taskbar.
  const Rect work{0, 0, 1600, 960};
  EXPECT_EQ(FitToWorkArea(MinimumTrackingSize(144), work), (TrackingSize{1500, 960}));
  EXPECT_EQ(FitToWorkArea(TrackingSize{1980, 1260}, work), (TrackingSize{1600, 960}));
  EXPECT_EQ(FitToWorkArea(TrackingSize{1320, 840}, work), (TrackingSize{1320, 840}));
  EXPECT_EQ(FitToWorkArea(TrackingSize{1320, 840}, Rect{}), (TrackingSize{1320, 840}));
}

TEST(WorkArea, TheWindowIsKeptInside) {
  const Rect work{0, 40, 1600, 1000};  // the taskbar at the top
  // Inside already: unchanged.
  EXPECT_EQ(KeepInsideWorkArea(Rect{100, 100, 1420, 940}, work), (Rect{100, 100, 1420, 940}));
  // Too far right and down: moved back, size kept.
  EXPECT_EQ(KeepInsideWorkArea(Rect{500, 300, 1820, 1140}, work), (Rect{280, 160, 1600, 1000}));
  // Above and left of it: moved in.
  EXPECT_EQ(KeepInsideWorkArea(Rect{-30, 0, 1290, 840}, work), (Rect{0, 40, 1320, 880}));
  // Larger than the work area: shrunk to it, at its corner.
  EXPECT_EQ(KeepInsideWorkArea(Rect{26, 26, 1640, 1040}, work), (Rect{0, 40, 1600, 1000}));
  // A second monitor to the left.
  EXPECT_EQ(KeepInsideWorkArea(Rect{-2000, 0, -600, 900}, Rect{-1920, 0, 0, 1040}), (Rect{-1920, 0, -520, 900}));
}

}  // namespace
}  // namespace tw
