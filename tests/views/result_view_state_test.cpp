#include "views/result_view_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/utf.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// docs (30) with sub (31), and tmp (32); files in each and in the root.
// `grow` adds bytes to docs\big.iso, so two scans differ.
ResultGeneration Volume(std::int64_t grow = 0) {
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFolder(31, 30, L"sub");
  b.AddFolder(32, kRootId, L"tmp");
  b.AddFile(kRootId, 100, L"root.txt", 10);
  b.AddFile(30, 101, L"big.iso", 5000 + grow);
  b.AddFile(30, 102, L"notes.txt", 300);
  b.AddFile(31, 103, L"deep.jpg", 700);
  b.AddFile(32, 104, L"x.tmp", 40);
  ScanResult r = b.Finish();
  for (std::uint32_t i = 0; i < r.files.size(); ++i) r.largest_files.push_back(i);
  std::sort(r.largest_files.begin(), r.largest_files.end(),
            [&r](std::uint32_t x, std::uint32_t y) { return r.files[x].size > r.files[y].size; });
  return MakeGeneration(std::move(r));
}

std::vector<std::string> RowNames(const FolderRowModel& rows) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < rows.RowCount(); ++i) {
    names.push_back(Utf16ToUtf8(rows.CellText(static_cast<std::int64_t>(i), kFolderColumnName)));
  }
  return names;
}

TEST(HandOverGeneration, BeforeTheFirstScanTheViewsHoldAnEmptyResult) {
  const ResultViewState views;
  ASSERT_NE(views.result, nullptr);
  EXPECT_TRUE(views.result->folders.empty());
  EXPECT_FALSE(views.has_result);
  EXPECT_EQ(views.comparison, nullptr);
  EXPECT_EQ(views.rows.RowCount(), 0u);
}

TEST(HandOverGeneration, TheFirstResultFillsEveryViewFromTheRoot) {
  ResultViewState views;
  const ResultGeneration first = Volume();
  HandOverGeneration(views, first, nullptr, PreviousScan::kNone);
  EXPECT_EQ(views.result, first);
  EXPECT_TRUE(views.has_result);
  EXPECT_EQ(views.rows.result(), first.get());
  EXPECT_EQ(RowNames(views.rows), (std::vector<std::string>{"[C:]", "docs", "tmp", "[直接文件]"}));
  EXPECT_EQ(views.treemap_state.treemap_folder_id, kRootId);
  EXPECT_FALSE(views.treemap_state.treemap_show_files);
  ASSERT_EQ(views.treemap_items.size(), 3u);  // docs, tmp, [直接文件]
  EXPECT_EQ(views.treemap_items[0].name, L"docs");
  EXPECT_EQ(views.extensions.extension_view.size(), 4u);  // .iso .jpg .txt .tmp
  EXPECT_EQ(views.files.file_view.size(), 5u);
  EXPECT_EQ(views.changes.RowCount(), 0u);
}

// Whatever the user opened, navigated and sorted over the old generation:
// the open folders and the treemap start again at the root, the sort orders
// stay and are applied to the new generation, and nothing points into the
// old one, which is let go.
TEST(HandOverGeneration, ANewGenerationResetsNavigationKeepsSortsAndLetsTheOldGo) {
  ResultViewState views;
  HandOverGeneration(views, Volume(), nullptr, PreviousScan::kNone);
  std::weak_ptr<const ScanResult> old = views.result;
  ASSERT_TRUE(views.rows.ToggleFolder(30));
  ASSERT_TRUE(views.rows.ToggleFileGroup(30));
  views.rows.SetSort(kFolderColumnName);  // by name, descending
  views.treemap_state = TreemapState{31, true};
  ApplyColumnClick(views.extensions.sort, 0);
  ApplyColumnClick(views.files.sort, 4);  // allocated bytes, descending
  const ListSort extension_sort = views.extensions.sort, file_sort = views.files.sort;

  const ResultGeneration next = Volume(1000);
  HandOverGeneration(views, next, nullptr, PreviousScan::kNone);
  EXPECT_TRUE(old.expired());
  EXPECT_EQ(views.rows.result(), next.get());
  EXPECT_EQ(views.rows.expanded_folders(), FolderRowModel::IdSet{kRootId});
  EXPECT_TRUE(views.rows.expanded_file_groups().empty());
  EXPECT_EQ(views.rows.sort_column(), kFolderColumnName);
  EXPECT_EQ(RowNames(views.rows), (std::vector<std::string>{"[C:]", "tmp", "docs", "[直接文件]"}));
  EXPECT_EQ(views.treemap_state.treemap_folder_id, kRootId);
  EXPECT_FALSE(views.treemap_state.treemap_show_files);
  EXPECT_EQ(views.treemap_items[0].size, 6000 + 300 + 700);  // docs as the new scan sees it
  EXPECT_EQ(views.extensions.sort, extension_sort);
  EXPECT_EQ(views.files.sort, file_sort);
  // By allocated bytes: the file view starts with big.iso, at its new size.
  const FileItem* first_file = FileViewEntry(*next, views.files, 0);
  ASSERT_NE(first_file, nullptr);
  EXPECT_EQ(next->NameText(*first_file), L"big.iso");
  EXPECT_EQ(first_file->alloc, 6000);
}

// The comparison keeps the previous generation alive while the 变化 rows
// point into it; the next handover without one lets both go and empties the
// rows, which start again with only the root open.
TEST(HandOverGeneration, TheComparisonKeepsItsGenerationsAndItsRowsStartAtTheRoot) {
  ResultViewState views;
  ResultGeneration before = Volume();
  HandOverGeneration(views, before, nullptr, PreviousScan::kNone);
  const ResultGeneration after = Volume(2000);
  auto comparison = std::make_shared<const ComparedScans>(CompareScans(before, after, kGrownFileCount));
  std::weak_ptr<const ScanResult> old = before;
  before.reset();
  HandOverGeneration(views, after, comparison, PreviousScan::kCompared);
  EXPECT_FALSE(old.expired());
  EXPECT_EQ(views.changes.scans(), comparison.get());
  EXPECT_EQ(views.previous_scan, PreviousScan::kCompared);
  // The root, its "[直接文件]" row, then docs (grown most) and tmp.
  ASSERT_EQ(views.changes.RowCount(), 4u);
  EXPECT_EQ(views.changes.CellText(2, kChangeColumnName), L"docs");
  const std::size_t collapsed = views.changes.RowCount();
  ASSERT_TRUE(views.changes.ToggleRow(views.changes.rows()[2]));
  EXPECT_GT(views.changes.RowCount(), collapsed);

  // The same comparison handed over again: its rows start from the root.
  HandOverGeneration(views, after, comparison, PreviousScan::kCompared);
  EXPECT_EQ(views.changes.RowCount(), collapsed);

  comparison.reset();
  HandOverGeneration(views, Volume(3000), nullptr, PreviousScan::kUnreadable);
  EXPECT_TRUE(old.expired());
  EXPECT_EQ(views.changes.scans(), nullptr);
  EXPECT_EQ(views.changes.RowCount(), 0u);
  EXPECT_EQ(views.previous_scan, PreviousScan::kUnreadable);
}

// An opened saved scan is marked as loaded until a scan of a drive takes
// its place; a re-read generation of a scan keeps its origin.
TEST(HandOverGeneration, TheOriginFollowsEachHandOver) {
  ResultViewState views;
  EXPECT_EQ(views.origin, ResultOrigin::kScanned);
  HandOverGeneration(views, Volume(), nullptr, PreviousScan::kNone, ResultOrigin::kLoaded);
  EXPECT_EQ(views.origin, ResultOrigin::kLoaded);
  EXPECT_TRUE(views.has_result);
  UpdateGeneration(views, Volume(5), nullptr);
  EXPECT_EQ(views.origin, ResultOrigin::kLoaded);
  HandOverGeneration(views, Volume(), nullptr, PreviousScan::kNone);
  EXPECT_EQ(views.origin, ResultOrigin::kScanned);
}

}  // namespace
}  // namespace tw
