#include "views/treemap_navigation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/scan_result_builder.h"
#include "views/folder_rows.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// Root
//   Users (30)            subfolders and files
//     alice (31)          subfolders only
//       Music (32)        files only
//     readme.txt
//   Temp (40)             nothing at all
//   Zeros (41)            one file of size 0
//   Ghost (42)            bytes counted but no files
//   pagefile.sys
class TreemapNavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    b_.AddFolder(30, kRootId, L"Users");
    b_.AddFolder(31, 30, L"alice");
    b_.AddFolder(32, 31, L"Music");
    b_.AddFolder(40, kRootId, L"Temp");
    b_.AddFolder(41, kRootId, L"Zeros");
    b_.AddFolder(42, kRootId, L"Ghost");
    b_.AddFile(30, 100, L"readme.txt", 10);
    b_.AddFile(32, 101, L"song.mp3", 5000);
    b_.AddFile(32, 102, L"cover.jpg", 300);
    b_.AddFile(41, 103, L"empty.log", 0);
    b_.AddFile(kRootId, 104, L"pagefile.sys", 9000);
    b_.Finish();
    b_.folder(42).direct_size = 512;
    rows_.ResetForResult(&b_.result());
  }

  const FolderRow& Selected(const TreemapNavigationResult& outcome) {
    return *rows_.RowAt(static_cast<std::int64_t>(*outcome.select_row));
  }

  ScanResultBuilder b_;
  FolderRowModel rows_;
  TreemapState state_;
};

TEST_F(TreemapNavigationTest, FolderWithSubfoldersOpensItsPathAndShowsItsFolders) {
  // The decision alone touches no rows.
  const auto decision = DecideTreemapNavigation(&b_.result(), 31, false);
  ASSERT_TRUE(decision.has_value());
  EXPECT_EQ(decision->reveal_folder_id, 31u);
  EXPECT_FALSE(decision->open_file_group);
  EXPECT_EQ(rows_.expanded_folders(), FolderRowModel::IdSet{5});

  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, 31, false);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(state_.treemap_folder_id, 31u);
  EXPECT_FALSE(state_.treemap_show_files);
  EXPECT_EQ(rows_.expanded_folders(), (FolderRowModel::IdSet{5, 30, 31}));
  EXPECT_TRUE(rows_.expanded_file_groups().empty());
  ASSERT_TRUE(outcome.select_row.has_value());
  EXPECT_EQ(Selected(outcome).id, 31u);
  EXPECT_FALSE(Selected(outcome).is_direct_files);
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"alice");

  // A folder with subfolders and files also shows its folders.
  ASSERT_TRUE(NavigateToFolder(rows_, state_, 30, false).changed);
  EXPECT_FALSE(state_.treemap_show_files);
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"Users");
}

TEST_F(TreemapNavigationTest, FolderWithOnlyFilesSwitchesToFilesModeAndOpensItsGroup) {
  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, 32, false);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(state_.treemap_folder_id, 32u);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_EQ(rows_.expanded_folders(), (FolderRowModel::IdSet{5, 30, 31, 32}));
  EXPECT_EQ(rows_.expanded_file_groups(), FolderRowModel::IdSet{32});
  ASSERT_TRUE(outcome.select_row.has_value());
  EXPECT_TRUE(Selected(outcome).is_direct_files);
  EXPECT_EQ(Selected(outcome).folder_id, 32u);
  // The group's files follow the selected row.
  EXPECT_EQ(b_.result().NameText(*rows_.FileOfRow(static_cast<std::int64_t>(*outcome.select_row) + 1)), L"song.mp3");
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"Music / [直接文件]");
}

TEST_F(TreemapNavigationTest, DirectFilesItemEntersFilesModeEvenWithSubfolders) {
  NavigateToFolder(rows_, state_, 30, false);
  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, 30, true);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_EQ(rows_.expanded_file_groups(), FolderRowModel::IdSet{30});
  EXPECT_EQ(*outcome.select_row, *rows_.DirectFilesRowIndex(30));
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"Users / [直接文件]");

  // Entering again keeps the group open rather than toggling it shut.
  ASSERT_TRUE(NavigateToFolder(rows_, state_, 30, true).changed);
  EXPECT_EQ(rows_.expanded_file_groups(), FolderRowModel::IdSet{30});
}

TEST_F(TreemapNavigationTest, FilesOfSizeZeroStillEnterFilesMode) {
  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, 41, true);
  ASSERT_TRUE(outcome.changed);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_EQ(rows_.expanded_file_groups(), FolderRowModel::IdSet{41});
  ASSERT_TRUE(outcome.select_row.has_value());
  EXPECT_EQ(Selected(outcome).folder_id, 41u);
}

TEST_F(TreemapNavigationTest, BytesWithoutCountedFilesShowFilesButOpenNoGroup) {
  // The treemap shows the folder's files, but the list cannot open the
  // folder (no child, no counted file), so there is no row to select.
  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, 42, false);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(state_.treemap_folder_id, 42u);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_TRUE(rows_.expanded_file_groups().empty());
  EXPECT_EQ(rows_.expanded_folders(), FolderRowModel::IdSet{5});
  EXPECT_FALSE(outcome.select_row.has_value());
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"Ghost / [直接文件]");
  EXPECT_FALSE(DecideTreemapNavigation(&b_.result(), 42, false)->open_file_group);
}

TEST_F(TreemapNavigationTest, NothingToShowOrUnknownIdChangesNothing) {
  NavigateToFolder(rows_, state_, 31, false);
  const TreemapState before = state_;
  const auto folders_before = rows_.expanded_folders();
  const std::size_t count_before = rows_.RowCount();

  struct Case {
    RecordId id;
    bool show_files;
  };
  const Case cases[] = {
      {40, false},  // neither subfolders nor files
      {40, true},
      {31, true},    // "[直接文件]" of a folder without files
      {777, false},  // not a folder
      {kDirectFilesEntry, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, c.id, c.show_files);
    EXPECT_FALSE(outcome.changed);
    EXPECT_FALSE(outcome.select_row.has_value());
    EXPECT_EQ(state_.treemap_folder_id, before.treemap_folder_id);
    EXPECT_EQ(state_.treemap_show_files, before.treemap_show_files);
    EXPECT_EQ(rows_.expanded_folders(), folders_before);
    EXPECT_EQ(rows_.RowCount(), count_before);
  }
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"alice");

  FolderRowModel empty;
  EXPECT_FALSE(NavigateToFolder(empty, state_, 31, false).changed);
  EXPECT_FALSE(DecideTreemapNavigation(nullptr, 31, false).has_value());
}

TEST_F(TreemapNavigationTest, OpeningAFolderByClickMovesTheTreemapClosingDoesNot) {
  const auto at = [&](std::optional<std::size_t> i) { return static_cast<std::int64_t>(i.value()); };
  FolderListAction action = ClickFolderRowTriangle(rows_, state_, at(rows_.FolderRowIndex(30)));
  EXPECT_TRUE(action.rows_changed && action.treemap_changed);
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  EXPECT_FALSE(state_.treemap_show_files);
  action = ClickFolderRowTriangle(rows_, state_, at(rows_.FolderRowIndex(30)));
  EXPECT_TRUE(action.rows_changed && !action.treemap_changed);
  EXPECT_EQ(rows_.expanded_folders(), FolderRowModel::IdSet{5});
  EXPECT_EQ(state_.treemap_folder_id, 30u);
  // Rows without a triangle and indices off the list do nothing.
  EXPECT_FALSE(ClickFolderRowTriangle(rows_, state_, at(rows_.FolderRowIndex(40))).rows_changed);
  EXPECT_FALSE(ClickFolderRowTriangle(rows_, state_, -1).rows_changed);
  // A "[直接文件]" row opens by click without moving the treemap.
  action = ClickFolderRowTriangle(rows_, state_, at(rows_.DirectFilesRowIndex(kRootId)));
  EXPECT_TRUE(action.rows_changed && !action.treemap_changed);
  EXPECT_EQ(rows_.expanded_file_groups(), FolderRowModel::IdSet{5});
}

TEST_F(TreemapNavigationTest, DoubleClickingDirectFilesShowsThemAndAgainOnlyCloses) {
  const auto at = [&](std::optional<std::size_t> i) { return static_cast<std::int64_t>(i.value()); };
  FolderListAction action = DoubleClickFolderRow(rows_, state_, at(rows_.DirectFilesRowIndex(kRootId)));
  EXPECT_TRUE(action.rows_changed && action.treemap_changed);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_FALSE(DoubleClickFolderRow(rows_, state_, at(rows_.DirectFilesRowIndex(kRootId)) + 1).rows_changed);
  action = DoubleClickFolderRow(rows_, state_, at(rows_.DirectFilesRowIndex(kRootId)));
  EXPECT_TRUE(action.rows_changed && !action.treemap_changed);
  EXPECT_TRUE(rows_.expanded_file_groups().empty());
  EXPECT_TRUE(state_.treemap_show_files);  // the treemap keeps the files
  // A folder row acts as the click: a folder with a file list is followed,
  // one with only uncounted bytes is not.
  EXPECT_TRUE(DoubleClickFolderRow(rows_, state_, at(rows_.FolderRowIndex(41))).treemap_changed);
  EXPECT_EQ(state_.treemap_folder_id, 41u);
  EXPECT_FALSE(state_.treemap_show_files);
  EXPECT_FALSE(DoubleClickFolderRow(rows_, state_, at(rows_.FolderRowIndex(42))).treemap_changed);
}

TEST_F(TreemapNavigationTest, RootIsAlwaysCaptionedTopLevel) {
  EXPECT_EQ(TreemapCaption(&b_.result(), TreemapState{}), L"顶级文件夹");
  const TreemapNavigationResult outcome = NavigateToFolder(rows_, state_, kRootId, true);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(state_.treemap_folder_id, 5u);
  EXPECT_TRUE(state_.treemap_show_files);
  EXPECT_EQ(*outcome.select_row, *rows_.DirectFilesRowIndex(kRootId));
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"顶级文件夹");

  // A state naming a folder the result does not hold, or no result at all.
  EXPECT_EQ(TreemapCaption(&b_.result(), TreemapState{999, true}), L"顶级文件夹");
  EXPECT_EQ(TreemapCaption(nullptr, TreemapState{31, false}), L"顶级文件夹");

  // A new scan puts the treemap back at the root.
  state_ = TreemapState{};
  rows_.ResetForResult(&b_.result());
  EXPECT_EQ(state_.treemap_folder_id, 5u);
  EXPECT_FALSE(state_.treemap_show_files);
  EXPECT_EQ(TreemapCaption(&b_.result(), state_), L"顶级文件夹");
}

}  // namespace
}  // namespace tw
