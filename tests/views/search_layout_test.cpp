#include <gtest/gtest.h>

#include "views/main_layout.h"

namespace tw {
namespace {

TEST(SearchPageLayout, BoxLineAndListFillThePageDownToWhereTheOtherListsEnd) {
  const MainLayout l = LayoutMainWindow(1304, 801, 96, kTabSearch);
  ASSERT_TRUE(l.search_page.has_value());
  EXPECT_FALSE(l.folder_page || l.file_list || l.change_page);
  const SearchPageLayout& page = *l.search_page;
  EXPECT_EQ(page.search_box, (Placement{12, 116, 1280, 26}));
  EXPECT_EQ(page.line, (Placement{12, 148, 1280, 22}));
  EXPECT_EQ(page.list, (Placement{12, 176, 1280, 583}));
  const Placement files = *LayoutMainWindow(1304, 801, 96, kTabFiles).file_list;
  EXPECT_EQ(page.list.y + page.list.height, files.y + files.height);
  EXPECT_FALSE(LayoutMainWindow(1304, 801, 96, kTabFiles).search_page.has_value());
}

TEST(SearchPageLayout, EveryLengthScalesAndALowWindowKeepsTheList) {
  // 144 dpi: 117 + 45 + 12 = 174; + 39 + 9 = 222; + 33 + 9 = 264.
  const SearchPageLayout page = *LayoutMainWindow(1956, 1202, 144, kTabSearch).search_page;
  EXPECT_EQ(page.search_box, (Placement{18, 174, 1920, 39}));
  EXPECT_EQ(page.line, (Placement{18, 222, 1920, 33}));
  EXPECT_EQ(page.list.y, 264);
  EXPECT_EQ(page.list.y + page.list.height, 1202 - 45 - 18);
  EXPECT_EQ(LayoutMainWindow(1000, 200, 96, kTabSearch).search_page->list.height, 80);
}

}  // namespace
}  // namespace tw
