#include "views/change_rows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// Before: r.txt 10 in the root; grow (30) a 100; shrink (31) b 1,000;
// gone (32) c 50; src (33) / Editor (34) e 70; dst (35) empty.
// After: grow a 400; shrink b 200; gone vanished; Editor moved under dst
// (36); new (37) n 5,000; the root's r.txt unchanged.
class ChangeRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    before_.AddFile(kRootId, 90, L"r.txt", 10);
    before_.AddFolder(30, kRootId, L"grow");
    before_.AddFolder(31, kRootId, L"shrink");
    before_.AddFolder(32, kRootId, L"gone");
    before_.AddFolder(33, kRootId, L"src");
    before_.AddFolder(34, 33, L"Editor");
    before_.AddFolder(35, kRootId, L"dst");
    before_.AddFile(30, 100, L"a", 100);
    before_.AddFile(31, 101, L"b", 1000);
    before_.AddFile(32, 102, L"c", 50);
    before_.AddFile(34, 103, L"e", 70);
    before_.Finish().scanned_at = 1796117405;  // 2026-12-01 09:30:05 UTC

    after_.AddFile(kRootId, 90, L"r.txt", 10);
    after_.AddFolder(30, kRootId, L"grow");
    after_.AddFolder(31, kRootId, L"shrink");
    after_.AddFolder(33, kRootId, L"src");
    after_.AddFolder(35, kRootId, L"dst");
    after_.AddFolder(36, 35, L"Editor");
    after_.AddFolder(37, kRootId, L"new");
    after_.AddFile(30, 100, L"a", 400);
    after_.AddFile(31, 101, L"b", 200);
    after_.AddFile(36, 103, L"e", 70);
    after_.AddFile(37, 104, L"n", 5000);
    after_.Finish();

    scans_ = CompareScans(MakeGeneration(before_.result()), MakeGeneration(after_.result()), kGrownFileCount);
    rows_.Reset(&scans_);
  }

  std::vector<std::wstring> Column(std::int32_t column) const {
    std::vector<std::wstring> cells;
    for (std::size_t i = 0; i < rows_.RowCount(); ++i) cells.push_back(rows_.CellText(static_cast<std::int64_t>(i), column));
    return cells;
  }

  ScanResultBuilder before_, after_;
  ComparedScans scans_;
  ChangeRowModel rows_;
};

TEST_F(ChangeRowsTest, RowsFollowTheGrowthOfAllocatedBytesWithSignedTexts) {
  // A move is a removal at the old path and an addition at the new one.
  EXPECT_EQ(Column(kChangeColumnName),
            (std::vector<std::wstring>{L"[C:]", L"[直接文件]", L"new (新增)", L"grow", L"dst",
                                       L"gone (已删除 · 1 个文件 · 0 个文件夹)", L"src",
                                       L"shrink"}));
  EXPECT_EQ(Column(kChangeColumnChange), (std::vector<std::wstring>{L"+4.35 KB", L"0 B", L"+4.88 KB", L"+300 B",
                                                                    L"+70 B", L"\u221250 B", L"\u221270 B",
                                                                    L"\u2212800 B"}));
  EXPECT_EQ(Column(kChangeColumnNow), (std::vector<std::wstring>{L"5.55 KB", L"10 B", L"4.88 KB", L"400 B", L"70 B",
                                                                 L"0 B", L"0 B", L"200 B"}));
  EXPECT_EQ(Column(kChangeColumnBefore), (std::vector<std::wstring>{L"1.20 KB", L"10 B", L"0 B", L"100 B", L"0 B",
                                                                    L"50 B", L"70 B", L"1000 B"}));
  EXPECT_EQ(Column(kChangeColumnAdded), (std::vector<std::wstring>{L"2", L"0", L"1", L"0", L"1", L"0", L"0", L"0"}));
  EXPECT_EQ(Column(kChangeColumnRemoved), (std::vector<std::wstring>{L"2", L"0", L"0", L"0", L"0", L"1", L"1", L"0"}));
  EXPECT_EQ(rows_.AllocChange(7), -800);
  EXPECT_EQ(rows_.RowPath(5), L"C:\\gone");
  EXPECT_EQ(rows_.RowPath(1), L"C:\\");
  EXPECT_EQ(rows_.CellText(8, kChangeColumnName), L"");
  EXPECT_EQ(rows_.CellText(0, kChangeColumnCount), L"");

  // The files that appeared or grew, by bytes gained.
  ASSERT_EQ(scans_.grown.size(), 3u);
  EXPECT_EQ(GrownFilePath(scans_, 0), L"C:\\new\\n");
  EXPECT_EQ(GrownCellText(scans_, 1, kGrownColumnGain), L"+300 B");
  EXPECT_EQ(GrownCellText(scans_, 1, kGrownColumnBefore), L"100 B");
  EXPECT_EQ(GrownCellText(scans_, 1, kGrownColumnFolder), L"C:\\grow");
  EXPECT_EQ(GrownCellText(scans_, 2, kGrownColumnName), L"e");
  EXPECT_EQ(GrownCellText(scans_, 3, kGrownColumnName), L"");
}

TEST_F(ChangeRowsTest, FoldersOpenAndCloseAndKeysMoveAsInTheFolderList) {
  // dst (row 4) is closed: Right opens it and keeps it selected.
  ChangeKeyAction a = PressChangeListKey(rows_, 4, ChangeListKey::kRight);
  EXPECT_TRUE(a.rows_changed);
  EXPECT_EQ(a.select_row, 4u);
  EXPECT_EQ(rows_.CellText(5, kChangeColumnName), L"Editor (新增)");
  EXPECT_EQ(rows_.rows()[5].depth, 2);
  // Right on an open row moves into it; Left there goes to the parent row.
  EXPECT_EQ(PressChangeListKey(rows_, 4, ChangeListKey::kRight).select_row, 5u);
  EXPECT_EQ(PressChangeListKey(rows_, 5, ChangeListKey::kLeft).select_row, 4u);
  EXPECT_EQ(PressChangeListKey(rows_, 5, ChangeListKey::kBackspace).select_row, 4u);
  // Opening Editor shows its "[直接文件]" row, which opens in turn.
  ASSERT_TRUE(rows_.Toggle(rows_.rows()[5].folder));
  EXPECT_EQ(rows_.CellText(6, kChangeColumnName), L"[直接文件]");
  EXPECT_EQ(rows_.CellText(6, kChangeColumnAdded), L"1");
  EXPECT_TRUE(rows_.rows()[6].expandable);
  EXPECT_FALSE(rows_.Toggle(static_cast<std::uint32_t>(scans_.folders.size())));
  // Left on an open row closes it.
  a = PressChangeListKey(rows_, 4, ChangeListKey::kLeft);
  EXPECT_TRUE(a.rows_changed);
  EXPECT_EQ(rows_.RowCount(), 8u);
  // Enter shows a folder of the new scan in the tree view, and for a
  // vanished one its nearest parent still there.
  EXPECT_EQ(PressChangeListKey(rows_, 3, ChangeListKey::kEnter).show_folder, 30);
  EXPECT_EQ(PressChangeListKey(rows_, 5, ChangeListKey::kEnter).show_folder, after_.result().folders[0].id);
  // The root row and no selection go nowhere.
  EXPECT_FALSE(PressChangeListKey(rows_, 0, ChangeListKey::kBackspace).select_row.has_value());
  EXPECT_FALSE(PressChangeListKey(rows_, std::nullopt, ChangeListKey::kRight).select_row.has_value());
  // Closing the root leaves its row alone; no comparison, no rows.
  ASSERT_TRUE(rows_.Toggle(0));
  EXPECT_EQ(rows_.RowCount(), 1u);
  rows_.Reset(nullptr);
  EXPECT_EQ(rows_.RowCount(), 0u);
  EXPECT_EQ(rows_.RowAt(0), nullptr);
}

// A "[直接文件]" row opens to the files that changed, largest growth first;
// unchanged files stay out, and a group without changes does not open.
TEST(ChangeRows, DirectFilesOpenToTheFilesThatChanged) {
  ScanResultBuilder before, after;
  before.AddFile(kRootId, 90, L"same.txt", 10);
  before.AddFolder(30, kRootId, L"mix");
  after.AddFile(kRootId, 90, L"same.txt", 10);
  after.AddFolder(30, kRootId, L"mix");
  before.AddFile(30, 100, L"kept", 10);
  before.AddFile(30, 101, L"shrunk", 100);
  before.AddFile(30, 102, L"gone.log", 50);
  after.AddFile(30, 100, L"kept", 10);
  after.AddFile(30, 101, L"shrunk", 30);
  after.AddFile(30, 103, L"new.iso", 500);
  const ComparedScans scans = CompareScans(MakeGeneration(before.Finish()), MakeGeneration(after.Finish()), 10);
  ChangeRowModel rows;
  rows.Reset(&scans);
  // [C:], [直接文件] (nothing changed: closed for good), mix.
  ASSERT_EQ(rows.RowCount(), 3u);
  EXPECT_FALSE(rows.rows()[1].expandable);
  EXPECT_FALSE(rows.ToggleRow(rows.rows()[1]));
  ASSERT_TRUE(rows.Toggle(rows.rows()[2].folder));
  const ChangeRow group = rows.rows()[3];
  ASSERT_TRUE(group.is_direct_files && group.expandable);
  const ChangeKeyAction opened = PressChangeListKey(rows, 3, ChangeListKey::kRight);
  EXPECT_TRUE(opened.rows_changed);
  std::vector<std::wstring> names, changes, added, removed;
  for (std::int64_t i = 4; i < static_cast<std::int64_t>(rows.RowCount()); ++i) {
    names.push_back(rows.CellText(i, kChangeColumnName));
    changes.push_back(rows.CellText(i, kChangeColumnChange));
    added.push_back(rows.CellText(i, kChangeColumnAdded));
    removed.push_back(rows.CellText(i, kChangeColumnRemoved));
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"new.iso (新增)", L"gone.log (已删除)", L"shrunk"}));
  EXPECT_EQ(changes, (std::vector<std::wstring>{L"+500 B", L"\u221250 B", L"\u221270 B"}));
  EXPECT_EQ(added, (std::vector<std::wstring>{L"1", L"0", L"0"}));
  EXPECT_EQ(removed, (std::vector<std::wstring>{L"0", L"1", L"0"}));
  EXPECT_EQ(rows.RowPath(5), L"C:\\mix\\gone.log");
  EXPECT_EQ(ChangedFileExtension(scans, *rows.FileOfRow(5)), L".log");
  EXPECT_EQ(rows.rows()[4].depth, 3);
  EXPECT_EQ(rows.FileOfRow(3), nullptr);
  // Left on a file goes to its group; Left on the open group closes it.
  EXPECT_EQ(PressChangeListKey(rows, 6, ChangeListKey::kLeft).select_row, 3u);
  EXPECT_TRUE(PressChangeListKey(rows, 3, ChangeListKey::kLeft).rows_changed);
  EXPECT_EQ(rows.RowCount(), 4u);
}

TEST_F(ChangeRowsTest, StatusSuffixTellsTheOverallChangeAndWhenTheLastScanWas) {
  const char* old_tz = std::getenv("TZ");
  const std::string saved = old_tz != nullptr ? old_tz : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  EXPECT_EQ(ChangeStatusSuffix(scans_), L" · 比上次 (2026/12/1 09:30:05) 增加 4.35 KB");
  const ComparedScans back = CompareScans(MakeGeneration(after_.result()), MakeGeneration(before_.result()), 10);
  // The newer scan's time is not known here: the time is left out.
  EXPECT_EQ(ChangeStatusSuffix(back), L" · 比上次减少 4.35 KB");
  EXPECT_EQ(ChangeStatusSuffix(CompareScans(MakeGeneration(before_.result()), MakeGeneration(before_.result()), 10)),
            L" · 比上次 (2026/12/1 09:30:05) 无变化");
  if (old_tz != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

// With only the changes shown, folders whose sizes and counts did not
// change and "[直接文件]" rows whose files did not are left out, however
// deep; the root stays. Clearing the box shows them again, the open folders
// still open.
TEST(ChangeRows, OnlyTheChangesHideUnchangedFoldersAndShowThemAgain) {
  ScanResultBuilder before, after;
  for (ScanResultBuilder* b : {&before, &after}) {
    b->AddFile(kRootId, 90, L"same.txt", 10);
    b->AddFolder(30, kRootId, L"quiet");
    b->AddFolder(31, 30, L"deeper");
    b->AddFile(31, 100, L"q", 40);
    b->AddFolder(32, kRootId, L"busy");
    b->AddFile(32, 101, L"kept", 7);
    b->AddFolder(33, 32, L"still");
    b->AddFile(33, 102, L"s", 5);
    b->AddFolder(34, 32, L"moving");
  }
  before.AddFile(34, 103, L"m", 100);
  after.AddFile(34, 103, L"m", 900);
  // A folder whose file was replaced by another of the same size still
  // changed: a file appeared and one vanished.
  before.AddFolder(35, kRootId, L"swap");
  after.AddFolder(35, kRootId, L"swap");
  before.AddFile(35, 104, L"old.bin", 64);
  after.AddFile(35, 105, L"new.bin", 64);
  const ComparedScans scans = CompareScans(MakeGeneration(before.Finish()), MakeGeneration(after.Finish()), 10);
  ChangeRowModel rows;
  rows.Reset(&scans);
  const auto names = [&rows] {
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < rows.RowCount(); ++i) out.push_back(rows.CellText(static_cast<std::int64_t>(i), 0));
    return out;
  };
  EXPECT_FALSE(rows.changed_only()) << "all rows unless asked";
  ASSERT_TRUE(rows.Toggle(rows.rows()[2].folder));  // busy, grown most
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]", L"[直接文件]", L"busy", L"[直接文件]", L"moving", L"still",
                                                L"swap", L"quiet"}));

  rows.SetChangedOnly(true);
  EXPECT_TRUE(rows.changed_only());
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]", L"busy", L"moving", L"swap"}));
  // busy's own file and still did not change: opening moving shows only
  // its "[直接文件]" row; a folder with nothing changed below cannot open.
  EXPECT_TRUE(rows.rows()[2].expandable);
  ASSERT_TRUE(rows.Toggle(rows.rows()[2].folder));
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]", L"busy", L"moving", L"[直接文件]", L"swap"}));

  rows.SetChangedOnly(false);
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]", L"[直接文件]", L"busy", L"[直接文件]", L"moving",
                                                L"[直接文件]", L"still", L"swap", L"quiet"}));
  EXPECT_TRUE(rows.rows()[8].expandable) << "quiet opens to deeper when all are shown";

  // The setting outlives a new comparison, which starts from the root.
  rows.SetChangedOnly(true);
  rows.Reset(&scans);
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]", L"busy", L"swap"}));
  // Two files below quiet that changed by as much in opposite ways leave
  // its totals and counts alone: it still shows, and so do they.
  {
    ScanResultBuilder b1, b2;
    for (ScanResultBuilder* b : {&b1, &b2}) {
      b->AddFolder(30, kRootId, L"quiet");
      b->AddFolder(31, 30, L"x");
      b->AddFolder(32, 30, L"y");
    }
    b1.AddFile(31, 100, L"grows", 10);
    b1.AddFile(32, 101, L"shrinks", 50);
    b2.AddFile(31, 100, L"grows", 30);
    b2.AddFile(32, 101, L"shrinks", 30);
    const ComparedScans even = CompareScans(MakeGeneration(b1.Finish()), MakeGeneration(b2.Finish()), 10);
    EXPECT_FALSE(even.folders[even.folders[0].children[0]].changed()) << "its figures are the same";
    ChangeRowModel shown;
    shown.SetChangedOnly(true);
    shown.Reset(&even);
    ASSERT_TRUE(shown.Toggle(shown.rows()[1].folder));
    std::vector<std::wstring> listed;
    for (std::size_t i = 0; i < shown.RowCount(); ++i) listed.push_back(shown.CellText(static_cast<std::int64_t>(i), 0));
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"[C:]", L"quiet", L"x", L"y"}));
  }
  const ComparedScans same = CompareScans(MakeGeneration(after.result()), MakeGeneration(after.result()), 10);
  rows.Reset(&same);
  EXPECT_EQ(names(), (std::vector<std::wstring>{L"[C:]"}));
  EXPECT_FALSE(rows.rows()[0].expandable);
}

// The list of files lost: most bytes lost first, the loss with U+2212, a
// vanished file now 0 B. Enter on a file still there shows it in the file
// browser; on a vanished one its nearest folder still there in the tree view.
TEST_F(ChangeRowsTest, LostFilesShowTheirLossAndLeadToWhatIsLeft) {
  ASSERT_EQ(scans_.lost.size(), 3u);
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnName), L"b");
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnLoss), L"\u2212800 B");
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnNow), L"200 B");
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnBefore), L"1000 B");
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnFolder), L"C:\\shrink");
  EXPECT_EQ(LostFilePath(scans_, 1), L"C:\\src\\Editor\\e") << "moved away: lost at its old path";
  EXPECT_EQ(LostCellText(scans_, 2, kLostColumnName), L"c");
  EXPECT_EQ(LostCellText(scans_, 2, kLostColumnLoss), L"\u221250 B");
  EXPECT_EQ(LostCellText(scans_, 2, kLostColumnNow), L"0 B");
  EXPECT_EQ(LostCellText(scans_, 3, kLostColumnName), L"");
  EXPECT_EQ(LostCellText(scans_, 0, kLostColumnCount), L"");

  const FileRowTarget shrunk = TargetOfFile(scans_, scans_.lost[0]);
  EXPECT_EQ(shrunk.browse_path, L"C:\\shrink\\b");
  EXPECT_FALSE(shrunk.show_folder.has_value());
  // e vanished with src\Editor: src is still there.
  const FileRowTarget moved = TargetOfFile(scans_, scans_.lost[1]);
  EXPECT_EQ(moved.browse_path, L"");
  EXPECT_EQ(moved.show_folder, 33);
  EXPECT_EQ(TargetOfFile(scans_, scans_.lost[2]).show_folder, after_.result().folders[0].id) << "gone is gone";
  const FileRowTarget grown = TargetOfFile(scans_, scans_.grown[0]);
  EXPECT_EQ(grown.browse_path, L"C:\\new\\n");
}

}  // namespace
}  // namespace tw
