#include "views/result_view_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
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
  // Only the changes at first: the root and docs (its own files and tmp
  // did not change).
  ASSERT_EQ(views.changes.RowCount(), 2u);
  EXPECT_EQ(views.changes.CellText(1, kChangeColumnName), L"docs");
  const std::size_t collapsed = views.changes.RowCount();
  ASSERT_TRUE(views.changes.ToggleRow(views.changes.rows()[1]));
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

// After a scan the result comes first: the page and the status line say
// "正在比较…" until the comparison made for that generation arrives; one
// made for another generation is not taken. Then the picker lists the
// earlier scans, a picked one is compared in its turn, the last scan is
// held when its file is gone, and a new scan starts again from 上次扫描.
TEST(HandOverComparison, TheResultFirstThenItsComparisonThenAPickedBaseline) {
  constexpr std::int64_t kDay = 86400;
  ResultViewState views;
  ScanResult last_result = *Volume(), week_result = *Volume(-4000), now_result = *Volume(2000);
  last_result.scanned_at = 1000 * kDay - 3600;
  week_result.scanned_at = 1000 * kDay - 8 * kDay;
  now_result.scanned_at = 1000 * kDay;
  const ResultGeneration last = MakeGeneration(last_result), week = MakeGeneration(week_result),
                         now = MakeGeneration(now_result);
  HandOverGeneration(views, now);
  EXPECT_TRUE(views.comparing);
  EXPECT_EQ(ChangePageMessage(views), L"正在比较…");
  EXPECT_EQ(ComparisonStatusSuffix(views), L" · 正在比较…");
  EXPECT_EQ(ResultStatusLine(views).find(L"扫描完成"), 0u);
  EXPECT_FALSE(PickBaseline(views, 0).has_value()) << "nothing to pick yet";

  // The last scan's file was deleted as this one was kept (an hour old, it
  // fills no place); the week's stays.
  const std::vector<KeptScan> earlier = {KeptScan{"", last->scanned_at, 10}, KeptScan{"week", week->scanned_at, 10}};
  auto first = std::make_shared<const ComparedScans>(CompareScans(last, now, kGrownFileCount));
  EXPECT_FALSE(HandOverComparison(views, Volume(), first, PreviousScan::kCompared, earlier))
      << "made for another generation";
  EXPECT_TRUE(views.comparing);
  ASSERT_TRUE(HandOverComparison(views, now, first, PreviousScan::kCompared, earlier));
  EXPECT_FALSE(HandOverComparison(views, now, first, PreviousScan::kCompared, earlier)) << "taken once";
  EXPECT_EQ(ChangePageMessage(views), L"");
  EXPECT_EQ(views.changes.scans(), first.get());
  ASSERT_EQ(views.choices.size(), 2u);
  EXPECT_EQ(views.choices[1].place, kBaselinePlaceDay) << "8 days old: the newest at least a day older";
  EXPECT_EQ(views.chosen, 0u);
  EXPECT_EQ(ComparisonStatusSuffix(views).rfind(L" · 比上次 (", 0), 0u);
  EXPECT_FALSE(PickBaseline(views, 0).has_value()) << "shown already";
  EXPECT_FALSE(PickBaseline(views, 2).has_value());

  // Picking the older one: its file is read on a worker; meanwhile the page
  // lets go of the last comparison, which stays held for 上次扫描.
  std::weak_ptr<const ComparedScans> gone = first;
  first.reset();
  const std::optional<BaselineSource> source = PickBaseline(views, 1);
  ASSERT_TRUE(source.has_value());
  EXPECT_EQ(source->path, "week");
  EXPECT_EQ(source->held, nullptr);
  EXPECT_EQ(source->place, kBaselinePlaceDay);
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(views.changes.scans(), nullptr);
  EXPECT_EQ(ChangePageMessage(views), L"正在比较…");
  const auto weekly = std::make_shared<const ComparedScans>(CompareScans(week, now, kGrownFileCount));
  HandOverPickedComparison(views, weekly);
  EXPECT_EQ(views.changes.scans(), weekly.get());
  EXPECT_EQ(ComparisonStatusSuffix(views).rfind(L" · 比一天前 (", 0), 0u);
  EXPECT_NE(ComparisonStatusSuffix(views).find(L") 增加 5.86 KB"), std::wstring::npos) << ComparisonStatusSuffix(views);

  // Back to 上次扫描: the scan held, whose file is gone.
  const std::optional<BaselineSource> back = PickBaseline(views, 0);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->held, last);
  // An unreadable baseline says so on the page and adds nothing to the status line.
  HandOverPickedComparison(views, nullptr);
  EXPECT_EQ(ChangePageMessage(views), L"所选的扫描记录无法读取");
  EXPECT_EQ(ComparisonStatusSuffix(views), L"");

  // The box's setting stays with a new scan, which goes back to 上次扫描.
  views.changes.SetChangedOnly(false);
  HandOverGeneration(views, Volume(5000));
  EXPECT_TRUE(views.choices.empty());
  EXPECT_EQ(views.chosen, 0u);
  EXPECT_EQ(views.last_scan, nullptr);
  EXPECT_FALSE(views.changes.changed_only());
  // A scan with nothing before it: the first-scan line.
  ASSERT_TRUE(HandOverComparison(views, views.result, nullptr, PreviousScan::kNone, {}));
  EXPECT_EQ(ChangePageMessage(views), L"首次扫描此卷 — 下次扫描后显示变化");
  EXPECT_TRUE(views.choices.empty());
}

// An action replaces the generation while the scan's comparison is still
// being made: the comparison, made for the generation gone, is taken for its
// picker and baseline, and the generation shown is compared again with
// that baseline; one made for another scan is not taken.
TEST(HandOverComparison, AComparisonForAGenerationAnActionReplacedIsMadeAgain) {
  ResultViewState views;
  const ResultGeneration before = Volume(), scanned = Volume(2000), acted = Volume(1500);
  HandOverGeneration(views, scanned);
  UpdateGeneration(views, acted, nullptr);
  EXPECT_TRUE(views.comparing);
  EXPECT_EQ(CompareAgain(views), std::nullopt) << "the scan's own comparison is still to come";
  auto made = std::make_shared<const ComparedScans>(CompareScans(before, scanned, kGrownFileCount));
  EXPECT_FALSE(HandOverComparison(views, acted, made, PreviousScan::kCompared, {KeptScan{"last", 0, 1}}))
      << "not the scan's first generation";
  ASSERT_TRUE(HandOverComparison(views, scanned, made, PreviousScan::kCompared, {KeptScan{"last", 0, 1}}));
  EXPECT_TRUE(views.comparing);
  EXPECT_EQ(views.comparison, nullptr) << "of a generation no longer shown";
  EXPECT_EQ(ChangePageMessage(views), L"正在比较…");
  ASSERT_EQ(views.choices.size(), 1u);
  const std::optional<BaselineSource> again = CompareAgain(views);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->held, before);
  HandOverPickedComparison(views, CompareWithBaseline(*again, views.result, kGrownFileCount));
  ASSERT_NE(views.comparison, nullptr);
  EXPECT_EQ(views.comparison->new_scan, acted);
  EXPECT_EQ(views.comparison->folders[0].size_change(), 1500);
  EXPECT_EQ(CompareAgain(views), std::nullopt) << "nothing under way";
}

}  // namespace
}  // namespace tw
