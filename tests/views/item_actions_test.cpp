#include "views/item_actions.h"

#include <gtest/gtest.h>

#include <string>

#include "format/utf.h"
#include "support/scan_result_builder.h"
#include "views/result_view_state.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// docs (30) with sub (31) and a.txt (100); $Extend (11) with $Quota (40)
// and $Reparse (41, a file); $MFT (0) in the root.
ScanResult Volume() {
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFolder(31, 30, L"sub");
  b.AddFolder(11, kRootId, L"$Extend");
  b.AddFolder(40, 11, L"$Quota");
  b.AddFile(kRootId, 0, L"$MFT", 4096);
  b.AddFile(30, 100, L"a.txt", 1500);
  b.AddFile(31, 101, L"b.bin", 2048);
  b.AddFile(11, 41, L"$Reparse", 0);
  return b.Finish();
}

ItemRef Folder(RecordId id, std::wstring path) { return {ItemKind::kFolder, id, 0, std::move(path)}; }
ItemRef File(RecordId id, RecordId folder, std::wstring path) { return {ItemKind::kFile, id, folder, std::move(path)}; }

std::string Refusal(const ScanResult& r, const ItemRef& item, ResultOrigin origin = ResultOrigin::kScanned,
                    bool scanning = false) {
  const auto why = DeleteRefusal(r, item, origin, scanning);
  return why ? Utf16ToUtf8(*why) : "";
}

TEST(ItemMenu, OurItemsFirstShellItemsOnlyForOneItemOfThisMachine) {
  const ItemRef file = File(100, 30, L"C:\\docs\\a.txt");
  const ItemMenuPlan here = PlanItemMenu(file, ResultOrigin::kScanned);
  EXPECT_TRUE(here.show_in_explorer && here.copy_path && here.delete_items && here.shell_items);
  const ItemMenuPlan loaded = PlanItemMenu(file, ResultOrigin::kLoaded);
  EXPECT_TRUE(loaded.copy_path);
  EXPECT_FALSE(loaded.show_in_explorer || loaded.delete_items || loaded.shell_items);
  for (const ItemKind kind : {ItemKind::kDirectFiles, ItemKind::kMerged}) {
    const ItemMenuPlan plan = PlanItemMenu({kind, 30, 30, L"C:\\docs"}, ResultOrigin::kScanned);
    EXPECT_TRUE(plan.copy_path);
    EXPECT_FALSE(plan.show_in_explorer || plan.delete_items || plan.shell_items);
  }
}

TEST(DeleteRefusal, WhatTheVolumeNeedsOrTheWindowCannotVouchForIsRefused) {
  const ScanResult r = Volume();
  EXPECT_EQ(Refusal(r, Folder(30, L"C:\\docs")), "");
  EXPECT_EQ(Refusal(r, File(100, 30, L"C:\\docs\\a.txt")), "");
  EXPECT_EQ(Refusal(r, Folder(kRootId, L"C:\\")), "无法删除: 这是卷的根目录");
  EXPECT_EQ(Refusal(r, File(0, kRootId, L"C:\\$MFT")), "无法删除: 这是 NTFS 的元数据文件");
  EXPECT_EQ(Refusal(r, Folder(11, L"C:\\$Extend")), "无法删除: 这是 NTFS 的元数据文件");
  EXPECT_EQ(Refusal(r, Folder(40, L"C:\\$Extend\\$Quota")), "无法删除: 这是 NTFS 的元数据文件");
  EXPECT_EQ(Refusal(r, File(41, 11, L"C:\\$Extend\\$Reparse")), "无法删除: 这是 NTFS 的元数据文件");
  EXPECT_EQ(Refusal(r, Folder(30, L"C:\\docs"), ResultOrigin::kScanned, true), "无法删除: 正在扫描，请等扫描完成");
  EXPECT_EQ(Refusal(r, Folder(30, L"C:\\docs"), ResultOrigin::kLoaded),
            "无法删除: 这个扫描结果不是在本机的驱动器上扫描的");
  EXPECT_EQ(Refusal(r, {ItemKind::kDirectFiles, 30, 30, L"C:\\docs"}), "无法删除: 请选择一个文件或文件夹");
  EXPECT_EQ(Refusal(r, {ItemKind::kMerged, 0, 30, L"C:\\docs"}), "无法删除: 请选择一个文件或文件夹");
  // The result no longer holds it (or the row named a record it never held).
  EXPECT_EQ(Refusal(r, File(999, 30, L"C:\\docs\\gone.txt")), "无法删除: 项目已不存在，请重新扫描");
  EXPECT_EQ(Refusal(r, Folder(100, L"C:\\docs\\a.txt")), "无法删除: 项目已不存在，请重新扫描");
}

TEST(DeleteRefusal, PathsTheShellWouldMisreadAreLeftToExplorer) {
  const ScanResult r = Volume();
  const auto file = [&r](const std::wstring& path) { return Refusal(r, File(100, 30, path)); };
  const std::string wildcard = "无法删除: 名称含有 * 或 ?，请在资源管理器中删除";
  const std::string trailing = "无法删除: 名称以点或空格结尾，请在资源管理器中删除";
  const std::string device = "无法删除: 名称是系统保留的设备名，请在资源管理器中删除";
  EXPECT_EQ(file(L"C:\\docs\\a*.txt"), wildcard);
  EXPECT_EQ(file(L"C:\\docs\\a?.txt"), wildcard);
  EXPECT_EQ(file(L"C:\\docs\\a.txt."), trailing);
  EXPECT_EQ(file(L"C:\\docs\\a.txt "), trailing);
  EXPECT_EQ(file(L"C:\\docs.\\a.txt"), trailing);  // any name of the path
  for (const wchar_t* name : {L"CON", L"con.txt", L"Nul", L"AUX.tar.gz", L"COM1", L"lpt9.log", L"COM\u00B9",
                              L"CONIN$", L"PRN .txt"}) {
    EXPECT_EQ(file(std::wstring(L"C:\\docs\\") + name), device) << Utf16ToUtf8(name);
  }
  for (const wchar_t* name : {L"CONSOLE", L"com10", L"LPT", L"nul_", L"console.log", L"a.con"}) {
    EXPECT_EQ(file(std::wstring(L"C:\\docs\\") + name), "") << Utf16ToUtf8(name);
  }
  // MAX_PATH less its terminating NUL is the longest path taken.
  const std::wstring lead = L"C:\\docs\\";
  EXPECT_EQ(file(lead + std::wstring(259 - lead.size(), L'n')), "");
  EXPECT_EQ(file(lead + std::wstring(260 - lead.size(), L'n')), "无法删除: 路径太长，请在资源管理器中删除");
}

TEST(DeleteQuestion, NamesTheItemAndWhatItHolds) {
  const ScanResult r = Volume();
  EXPECT_EQ(Utf16ToUtf8(DeleteQuestion(r, Folder(30, L"C:\\docs"), false)),
            "将 \u201Cdocs\u201D 移到回收站？ 大小 3.46 KB \u00B7 2 个文件 \u00B7 1 个文件夹");
  EXPECT_EQ(Utf16ToUtf8(DeleteQuestion(r, File(100, 30, L"C:\\docs\\a.txt"), true)),
            "永久删除 \u201Ca.txt\u201D？ 此操作无法撤销。 大小 1.46 KB \u00B7 1 个文件 \u00B7 0 个文件夹");
}

TEST(DeleteStatus, RecycledDeletedOrHowManyRemain) {
  EXPECT_EQ(Utf16ToUtf8(DeleteStatus({1, 0, L"", true}, L"docs")), "已移到回收站 \u2014 清空回收站后才会释放空间");
  EXPECT_EQ(Utf16ToUtf8(DeleteStatus({1, 0, L"", false}, L"docs")), "已删除 \u201Cdocs\u201D");
  EXPECT_EQ(Utf16ToUtf8(DeleteStatus({0, 1, L"拒绝访问。", false}, L"docs")), "1 个项目未能删除: 拒绝访问。");
}

// After an action the next generation keeps the user's place: open folders
// that remain, the treemap's folder or the nearest one above it still there.
TEST(UpdateGeneration, KeepsOpenFoldersAndMovesTheTreemapUpWhereItsFolderWent) {
  ResultViewState views;
  HandOverGeneration(views, MakeGeneration(Volume()), nullptr, PreviousScan::kNone);
  ASSERT_TRUE(views.rows.ToggleFolder(30));
  ASSERT_TRUE(views.rows.ToggleFolder(31));
  views.rows.SetSort(kFolderColumnName);
  views.treemap_state = TreemapState{31, true};

  // sub (31) deleted: docs stays open, the treemap goes up to docs.
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFolder(11, kRootId, L"$Extend");
  b.AddFolder(40, 11, L"$Quota");
  b.AddFile(kRootId, 0, L"$MFT", 4096);
  b.AddFile(30, 100, L"a.txt", 1500);
  UpdateGeneration(views, MakeGeneration(b.Finish()), nullptr);
  EXPECT_EQ(views.rows.expanded_folders(), (FolderRowModel::IdSet{kRootId, 30}));
  EXPECT_EQ(views.rows.sort_column(), kFolderColumnName);
  EXPECT_EQ(views.treemap_state.treemap_folder_id, 30);
  // docs has no folder left: it shows its files, as it would on entering.
  EXPECT_TRUE(views.treemap_state.treemap_show_files);
  EXPECT_TRUE(views.rows.FolderRowIndex(30).has_value());
  EXPECT_FALSE(views.rows.FolderRowIndex(31).has_value());
  ASSERT_EQ(views.treemap_items.size(), 1u);
  EXPECT_EQ(views.treemap_items[0].name, L"a.txt");
}

}  // namespace
}  // namespace tw
