#include "views/folder_list_keys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// Root
//   Users (30)          subfolders and files
//     alice (31)        files only
//       song.mp3, cover.jpg
//     bob (33)          empty
//     readme.txt
//   Temp (40)           files only
//     a.tmp
//   pagefile.sys
class FolderListKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    b_.AddFolder(30, kRootId, L"Users");
    b_.AddFolder(31, 30, L"alice");
    b_.AddFolder(33, 30, L"bob");
    b_.AddFolder(40, kRootId, L"Temp");
    b_.AddFile(30, 100, L"readme.txt", 10);
    b_.AddFile(31, 101, L"song.mp3", 5000);
    b_.AddFile(31, 102, L"cover.jpg", 300, 4096);
    b_.AddFile(40, 103, L"a.tmp", 7);
    b_.AddFile(kRootId, 104, L"pagefile.sys", 9000);
    b_.Finish();
    rows_.ResetForResult(&b_.result());
  }

  std::size_t Row(RecordId folder_id) { return *rows_.FolderRowIndex(folder_id); }
  FolderKeyAction Press(std::optional<std::size_t> row, FolderListKey key) {
    return PressFolderListKey(rows_, state_, row, key);
  }
  const FolderRow& At(std::optional<std::size_t> row) { return *rows_.RowAt(static_cast<std::int64_t>(*row)); }

  ScanResultBuilder b_;
  FolderRowModel rows_;
  TreemapState state_;
};

TEST_F(FolderListKeysTest, RightOpensAndFollowsThenStepsIntoTheFirstChild) {
  const std::size_t users = Row(30);
  const std::size_t before = rows_.RowCount();
  FolderKeyAction a = Press(users, FolderListKey::kRight);
  EXPECT_TRUE(a.rows_changed && a.treemap_changed);
  EXPECT_GT(rows_.RowCount(), before);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_EQ(At(a.select_row).id, 30u);

  a = Press(users, FolderListKey::kRight);
  EXPECT_FALSE(a.rows_changed || a.treemap_changed);
  EXPECT_EQ(At(a.select_row).depth, 2);
  EXPECT_EQ(*a.select_row, users + 1);

  // Nothing to open: an empty folder and a file row.
  EXPECT_FALSE(Press(Row(33), FolderListKey::kRight).select_row);
  EXPECT_FALSE(Press(std::nullopt, FolderListKey::kRight).select_row);
}

TEST_F(FolderListKeysTest, LeftClosesAnOpenRowElseMovesToTheParentRow) {
  const std::size_t users = Row(30);
  Press(users, FolderListKey::kRight);
  const std::size_t alice = Row(31);
  FolderKeyAction a = Press(alice, FolderListKey::kLeft);  // alice is closed: up to Users
  EXPECT_FALSE(a.rows_changed);
  EXPECT_EQ(a.select_row, users);

  const std::size_t open_rows = rows_.RowCount();
  a = Press(users, FolderListKey::kLeft);
  EXPECT_TRUE(a.rows_changed);
  EXPECT_FALSE(a.treemap_changed) << "closing leaves the treemap where it is";
  EXPECT_LT(rows_.RowCount(), open_rows);
  EXPECT_EQ(At(a.select_row).id, 30u);
  EXPECT_EQ(state_.treemap_folder_id, 30u);

  // The root row is open: Left closes it; closed, it has no parent.
  EXPECT_TRUE(Press(0, FolderListKey::kLeft).rows_changed);
  EXPECT_FALSE(Press(0, FolderListKey::kLeft).select_row);
}

TEST_F(FolderListKeysTest, EnterShowsTheFolderAndBackspaceGoesUpOutOfFilesModeFirst) {
  FolderKeyAction a = Press(Row(30), FolderListKey::kEnter);
  EXPECT_TRUE(a.treemap_changed);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_FALSE(state_.treemap_show_files);

  // Users' "[直接文件]" row: its files.
  a = Press(*rows_.DirectFilesRowIndex(30), FolderListKey::kEnter);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_TRUE(At(a.select_row).is_direct_files);

  a = Press(std::nullopt, FolderListKey::kBackspace);  // back to Users' folders
  EXPECT_TRUE(a.treemap_changed);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_FALSE(state_.treemap_show_files);
  EXPECT_EQ(At(a.select_row).id, 30u);

  // alice has only files: Enter shows them, Backspace goes to Users.
  Press(Row(31), FolderListKey::kEnter);
  EXPECT_TRUE(state_.treemap_show_files);
  Press(std::nullopt, FolderListKey::kBackspace);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_FALSE(state_.treemap_show_files);
  Press(std::nullopt, FolderListKey::kBackspace);
  EXPECT_EQ(state_.treemap_folder_id, kRootId);
  EXPECT_FALSE(Press(std::nullopt, FolderListKey::kBackspace).treemap_changed) << "the root is the top";

  // An empty folder has nothing to show.
  EXPECT_FALSE(Press(Row(33), FolderListKey::kEnter).treemap_changed);
  EXPECT_EQ(state_.treemap_folder_id, kRootId);
}

TEST_F(FolderListKeysTest, RowKeysFindTheirRowsAfterASort) {
  rows_.RevealFolder(31);
  rows_.ToggleFileGroup(31);
  const std::size_t song = [&] {
    for (std::size_t i = 0; i < rows_.RowCount(); ++i) {
      if (rows_.rows()[i].is_file && rows_.rows()[i].id == 101) return i;
    }
    return std::size_t{0};
  }();
  const FolderRowKey song_key = *rows_.KeyOfRow(static_cast<std::int64_t>(song));
  const FolderRowKey temp_key = *rows_.KeyOfRow(static_cast<std::int64_t>(Row(40)));
  const FolderRowKey group_key = *rows_.KeyOfRow(static_cast<std::int64_t>(*rows_.DirectFilesRowIndex(31)));
  for (const std::int32_t column : {kFolderColumnName, kFolderColumnName, kFolderColumnSize}) {
    rows_.SetSort(column);
    EXPECT_EQ(rows_.rows()[*rows_.FindRow(song_key)].id, 101u);
    EXPECT_EQ(rows_.rows()[*rows_.FindRow(temp_key)].id, 40u);
    EXPECT_EQ(rows_.rows()[*rows_.FindRow(group_key)].folder_id, 31u);
  }
  EXPECT_FALSE(rows_.KeyOfRow(-1));
  rows_.ToggleFolder(30);  // Users shut: its rows are gone
  EXPECT_FALSE(rows_.FindRow(song_key));
  EXPECT_TRUE(rows_.FindRow(temp_key));
}

TEST_F(FolderListKeysTest, ATreemapClickRevealsTheItemsRowWithoutOpeningIt) {
  std::vector<TreemapItem> items;
  RebuildTreemapItems(b_.result(), 30, false, items);  // alice, bob?, "[直接文件]"
  ASSERT_FALSE(items.empty());
  ASSERT_EQ(items[0].id, 31);

  // Users is shut in the list: alice's row appears, alice stays shut.
  FolderKeyAction a = RevealTreemapItemRow(rows_, items[0]);
  EXPECT_TRUE(a.rows_changed);
  EXPECT_EQ(At(a.select_row).id, 31u);
  EXPECT_FALSE(rows_.IsRowOpen(At(a.select_row)));
  EXPECT_FALSE(RevealTreemapItemRow(rows_, items[0]).rows_changed) << "already shown";

  const TreemapItem& direct = items.back();
  ASSERT_TRUE(direct.is_direct_files);
  EXPECT_TRUE(At(RevealTreemapItemRow(rows_, direct).select_row).is_direct_files);

  // A file of alice: its group opens to show it.
  items.clear();
  RebuildTreemapItems(b_.result(), 31, false, items);
  ASSERT_TRUE(items[1].is_file);
  a = RevealTreemapItemRow(rows_, items[1]);
  EXPECT_TRUE(a.rows_changed);
  EXPECT_EQ(At(a.select_row).id, 102u);
}

TEST_F(FolderListKeysTest, TooltipNamesSizeAllocatedAndShareOfTheDrawnWeights) {
  std::vector<TreemapItem> items;
  RebuildTreemapItems(b_.result(), 31, false, items);  // song.mp3 5000, cover.jpg 300
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(TreemapTooltipText(b_.result(), items, 1), L"cover.jpg\n大小 300 B · 分配 4.00 KB · 占比 5.7%");
  EXPECT_EQ(TreemapTooltipText(b_.result(), items, 2), L"");
  items.clear();
  RebuildTreemapItems(b_.result(), kRootId, false, items);  // Users, Temp, "[直接文件]"
  const std::wstring users = TreemapTooltipText(b_.result(), items, 0);
  EXPECT_EQ(users.substr(0, 6), L"Users\n");
  EXPECT_NE(users.find(L" · 占比 37.1%"), std::wstring::npos) << std::string(users.begin(), users.end());
}

}  // namespace
}  // namespace tw
