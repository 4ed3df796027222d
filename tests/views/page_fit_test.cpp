// Every page of the main window on common screens and scales: the window at
// its start size fitted to the work area, every control inside the client
// area and none over another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/change_rows.h"
#include "views/dpi_scale.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_list_look.h"
#include "views/main_layout.h"
#include "views/main_paint.h"
#include "views/search_view.h"

namespace tw {
namespace {

struct Named {
  std::string name;
  Placement at;
};

// The controls a page shows, with the drop-downs at their closed height
// (their placement's height is the open list's).
std::vector<Named> Shown(const MainLayout& l, std::int32_t dpi) {
  const DpiScale S{dpi};
  Placement combo = l.drive_combo;
  combo.height = S(24);
  std::vector<Named> out = {{"drive label", l.drive_label}, {"drive list", combo},
                            {"scan button", l.scan_button}, {"open button", l.open_button},
                            {"save button", l.save_button}, {"tabs", l.tabs},
                            {"status", l.status_text},      {"progress", l.progress_bar}};
  for (int i = 0; i < 3; ++i) out.push_back({"space label " + std::to_string(i), l.space_labels[i]});
  if (const auto& p = l.folder_page) {
    out.insert(out.end(), {{"folder title", p->folder_title},
                           {"folder list", p->folder_list},
                           {"treemap title", p->treemap_title},
                           {"treemap", p->treemap},
                           {"extension title", p->extension_title},
                           {"extension list", p->extension_list}});
  }
  if (l.file_list) out.push_back({"file list", *l.file_list});
  if (const auto& p = l.change_page) {
    Placement picker = p->baseline_picker;
    picker.height = S(24);
    // The message stands in for the titles and lists: it is shown without them.
    out.insert(out.end(), {{"baseline label", p->baseline_label},
                           {"baseline picker", picker},
                           {"changed only", p->changed_only},
                           {"change title", p->change_title},
                           {"change list", p->change_list},
                           {"grown title", p->grown_title},
                           {"grown list", p->grown_list},
                           {"lost title", p->lost_title},
                           {"lost list", p->lost_list}});
  }
  if (const auto& p = l.search_page) {
    out.insert(out.end(), {{"search box", p->search_box}, {"search line", p->line}, {"search list", p->list}});
  }
  if (l.overview) out.push_back({"overview", *l.overview});
  return out;
}

bool Overlap(const Placement& a, const Placement& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(PageFit, EveryPageFitsOnCommonScreens) {
  const Rect work_areas[] = {Rect{0, 0, 1600, 1000 - 40}, Rect{0, 0, 1920, 1080 - 40}};
  for (const Rect& work : work_areas) {
    for (const std::int32_t dpi : {96, 120, 144, 192}) {
      const DpiScale S{dpi};
      // The start size fitted to the work area, less a scaled frame and title bar.
      const TrackingSize window = FitToWorkArea(TrackingSize{S(1320), S(840)}, work);
      const std::int32_t width = window.width - S(16);
      const std::int32_t height = window.height - S(39);
      for (std::int32_t tab = kTabTree; tab <= kTabOverview; ++tab) {
        const MainLayout l = LayoutMainWindow(width, height, dpi, tab);
        const std::vector<Named> shown = Shown(l, dpi);
        const std::string where = std::to_string(work.Width()) + "x" + std::to_string(work.Height()) + " at " +
                                  std::to_string(dpi) + " dpi, tab " + std::to_string(tab) + ": ";
        for (std::size_t i = 0; i < shown.size(); ++i) {
          const Placement& a = shown[i].at;
          EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.width > 0 && a.height > 0 && a.x + a.width <= width &&
                      a.y + a.height <= height)
              << where << shown[i].name << " outside the client area";
          for (std::size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(Overlap(a, shown[j].at)) << where << shown[i].name << " over " << shown[j].name;
          }
        }
      }
    }
  }
}

// A header text's width in the window's 14-pixel font, over-estimated: a
// CJK character a full em, any other character 0.7 em (wider than Segoe
// UI's digits and most letters).
std::int32_t EstimatedTextWidth(std::wstring_view text, std::int32_t dpi) {
  const DpiScale S{dpi};
  double width = 0;
  for (const wchar_t c : text) width += (c >= 0x2E80 ? 1.0 : 0.7) * S(14);
  return static_cast<std::int32_t>(width + 0.999);
}

template <typename Columns>
void ExpectHeadersFit(const char* list, const Columns& columns) {
  for (const std::int32_t dpi : {96, 120, 144, 192}) {
    for (const ListColumn& column : columns) {
      // The header item's text room: both paddings and a sort mark taken off.
      const DpiScale S{dpi};
      const HeaderItemLayout item = LayoutHeaderItem(Rect{0, 0, S(column.width), S(25)}, column.right_aligned,
                                                     SortMark::kDown, dpi);
      EXPECT_LE(EstimatedTextWidth(column.header, dpi), item.text.Width())
          << list << " at " << dpi << " dpi: a header " << column.width << " wide";
    }
  }
}

TEST(PageFit, EveryHeaderTextFitsItsScaledColumn) {
  ExpectHeadersFit("folder list", kFolderListColumns);
  ExpectHeadersFit("extension list", kExtensionListColumns);
  ExpectHeadersFit("file view", kFileViewColumns);
  ExpectHeadersFit("change list", kChangeListColumns);
  ExpectHeadersFit("grown list", kGrownListColumns);
  ExpectHeadersFit("lost list", kLostListColumns);
  ExpectHeadersFit("search list", kSearchColumns);
}

}  // namespace
}  // namespace tw
