#include "views/search_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/format.h"
#include "search/search.h"
#include "support/scan_result_builder.h"
#include "views/item_refs.h"
#include "views/result_view_state.h"

namespace tw {
namespace {

// docs (30) holds sub (31) and empty (33); tmp (32); files in the root,
// docs, sub and tmp.
ScanResult Volume() {
  test::ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFolder(31, 30, L"sub");
  b.AddFolder(32, kRootId, L"tmp");
  b.AddFolder(33, 30, L"empty");
  b.AddFile(kRootId, 100, L"root.txt", 10);
  b.AddFile(30, 101, L"big.iso", 5000);
  b.AddFile(30, 102, L"notes.txt", 300).mtime = 133801632000000000;
  b.AddFile(31, 103, L"deep.jpg", 700);
  b.AddFile(31, 104, L"deeper.jpg", 70);
  b.AddFile(32, 105, L"x.tmp", 40);
  return b.Finish();
}

SearchViewState Searched(const ScanResult& r, const std::wstring& query, ListSort sort = {kSearchColumnSize, false}) {
  SearchViewState state;
  state.query = query;
  state.sort = sort;
  ShowSearchAnswer(state, RunSearch(r, query, SearchOrderOf(sort), 1));
  return state;
}

TEST(SearchView, TheLineSaysWhatTheAnswerWas) {
  const ScanResult r = Volume();
  EXPECT_EQ(Searched(r, L"deep").line, L"找到 2 个文件 (共 770 B)、0 个文件夹");
  EXPECT_EQ(Searched(r, L"   ").line, text::kSearchHint);
  const SearchViewState bad = Searched(r, L"type:dir");
  EXPECT_EQ(bad.line, L"查询无效: type:dir — 类型应为 file 或 folder");
  EXPECT_TRUE(bad.bad_query);
  EXPECT_TRUE(bad.hits.empty());
  EXPECT_EQ(SearchViewState{}.line, text::kSearchHint);  // before any search
}

TEST(SearchView, CellsAndPathsOfTheRows) {
  const ScanResult r = Volume();
  const SearchViewState s = Searched(r, L"o", ListSort{kSearchColumnName, true});
  std::vector<std::wstring> names;
  for (std::size_t row = 0; row < s.hits.size(); ++row) names.push_back(SearchCellText(r, s, std::int64_t(row), 0));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"big.iso", L"docs", L"notes.txt", L"root.txt"}));
  EXPECT_EQ(SearchCellText(r, s, 0, kSearchColumnFolder), L"C:\\docs");
  EXPECT_EQ(SearchCellText(r, s, 1, kSearchColumnFolder), L"C:\\");
  EXPECT_EQ(SearchCellText(r, s, 1, kSearchColumnSize), L"5.93 KB");  // the folder's total, 6070 B
  EXPECT_EQ(SearchCellText(r, s, 2, kSearchColumnAlloc), L"300 B");
  EXPECT_EQ(SearchCellText(r, s, 2, kSearchColumnModified), FormatFileTime(133801632000000000));
  EXPECT_EQ(SearchCellText(r, s, 0, kSearchColumnModified), L"");  // unknown
  EXPECT_EQ(SearchCellText(r, s, 4, 0), L"");
  EXPECT_EQ(SearchCellText(r, s, -1, 0), L"");
  EXPECT_EQ(SearchCellText(r, s, 0, 5), L"");
  EXPECT_EQ(SearchRowPath(r, s, 1), L"C:\\docs");
  EXPECT_EQ(SearchRowPath(r, s, 3), L"C:\\root.txt");
  const std::vector<std::int64_t> rows{2, 0, 9};
  EXPECT_EQ(SearchCopyText(r, s, rows), L"C:\\docs\\notes.txt\r\nC:\\docs\\big.iso");
  EXPECT_EQ(SearchCopyText(r, s, std::vector<std::int64_t>{1}), L"C:\\docs");
}

TEST(SearchView, EnterOpensTheTreeDownToAFileAndShowsItsFolder) {
  const ScanResult r = Volume();
  FolderRowModel rows;
  rows.ResetForResult(&r);
  TreemapState treemap;
  const SearchViewState s = Searched(r, L"deeper");
  const FolderKeyAction action = RevealSearchHit(rows, treemap, s.hits.at(0));
  ASSERT_TRUE(action.select_row.has_value());
  EXPECT_TRUE(action.rows_changed && action.treemap_changed);
  const FolderRow* row = rows.RowAt(static_cast<std::int64_t>(*action.select_row));
  ASSERT_NE(row, nullptr);
  ASSERT_TRUE(row->is_file);
  EXPECT_EQ(r.NameText(*rows.FileOfRow(*row)), L"deeper.jpg");
  EXPECT_EQ(rows.RowPath(static_cast<std::int64_t>(*action.select_row)), L"C:\\docs\\sub\\deeper.jpg");
  EXPECT_EQ(treemap.treemap_folder_id, 31u);
  EXPECT_TRUE(treemap.treemap_show_files);
}

TEST(SearchView, EnterOnAFolderSelectsItsRowAndTheTreemapShowsIt) {
  const ScanResult r = Volume();
  FolderRowModel rows;
  rows.ResetForResult(&r);
  TreemapState treemap;
  FolderKeyAction action = RevealSearchHit(rows, treemap, Searched(r, L"sub").hits.at(0));
  ASSERT_TRUE(action.select_row.has_value());
  EXPECT_EQ(rows.RowAt(static_cast<std::int64_t>(*action.select_row))->id, 31u);
  EXPECT_EQ(treemap.treemap_folder_id, 31u);
  // An empty folder has nothing to show: the treemap shows where it is.
  action = RevealSearchHit(rows, treemap, Searched(r, L"empty").hits.at(0));
  ASSERT_TRUE(action.select_row.has_value());
  EXPECT_EQ(rows.RowAt(static_cast<std::int64_t>(*action.select_row))->id, 33u);
  EXPECT_EQ(treemap.treemap_folder_id, 30u);
  EXPECT_FALSE(treemap.treemap_show_files);
  // The root: the first row.
  action = RevealSearchHit(rows, treemap, Searched(r, L"\"[C\"").hits.at(0));
  EXPECT_EQ(action.select_row, std::optional<std::size_t>(0));
  EXPECT_EQ(treemap.treemap_folder_id, static_cast<std::uint64_t>(kRootId));
  // A stale match does nothing.
  EXPECT_FALSE(RevealSearchHit(rows, treemap, SearchHit{999, false}).select_row.has_value());
}

// A match is acted on like a row of any other list: the folder or the
// file by its record, a file with its folder, and the path Ctrl+C copies.
TEST(SearchView, EachRowNamesItsItemForTheActions) {
  const ScanResult r = Volume();
  const SearchViewState s = Searched(r, L"d", ListSort{kSearchColumnName, true});  // deep.jpg, deeper.jpg, docs
  ASSERT_EQ(s.hits.size(), 3u);
  const auto file = SearchRowItem(r, s, 1);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->kind, ItemKind::kFile);
  EXPECT_EQ(file->id, 104);
  EXPECT_EQ(file->folder_id, 31);
  EXPECT_EQ(file->path, L"C:\\docs\\sub\\deeper.jpg");
  const auto folder = SearchRowItem(r, s, 2);
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(folder->kind, ItemKind::kFolder);
  EXPECT_EQ(folder->id, 30);
  EXPECT_EQ(folder->path, SearchRowPath(r, s, 2));
  // The root is an item too; what may be done to it is the actions' to say.
  const SearchViewState root = Searched(r, L"\"[C\"");
  const auto root_item = SearchRowItem(r, root, 0);
  ASSERT_TRUE(root_item.has_value());
  EXPECT_EQ(root_item->id, kRootId);
  EXPECT_TRUE(DeleteRefusal(r, *root_item, ResultOrigin::kScanned, false).has_value());
  // Past the end, before the start, or a match the generation no longer holds.
  EXPECT_FALSE(SearchRowItem(r, s, 3).has_value());
  EXPECT_FALSE(SearchRowItem(r, s, -1).has_value());
  SearchViewState stale = s;
  stale.hits[0].index = 999;
  EXPECT_FALSE(SearchRowItem(r, stale, 0).has_value());
}

TEST(SearchView, ANewGenerationClearsTheMatchesAndKeepsTheQuery) {
  ResultViewState views;
  HandOverGeneration(views, MakeGeneration(Volume()), nullptr, PreviousScan::kNone);
  views.search = Searched(*views.result, L"ext:jpg", ListSort{kSearchColumnName, true});
  ASSERT_EQ(views.search.hits.size(), 2u);
  HandOverGeneration(views, MakeGeneration(Volume()), nullptr, PreviousScan::kNone);
  EXPECT_TRUE(views.search.hits.empty());
  EXPECT_EQ(views.search.totals, SearchTotals{});
  EXPECT_EQ(views.search.query, L"ext:jpg");
  EXPECT_EQ(views.search.sort, (ListSort{kSearchColumnName, true}));
  EXPECT_EQ(SearchOrderOf(views.search.sort), (SearchOrder{kSearchColumnName, true}));
}

// A generation that follows an action keeps the user's place, but the
// matches index the arrays of the generation before it and must go.
TEST(SearchView, AnUpdatedGenerationClearsTheMatchesAndKeepsTheQuery) {
  ResultViewState views;
  HandOverGeneration(views, MakeGeneration(Volume()), nullptr, PreviousScan::kNone);
  views.search = Searched(*views.result, L"ext:jpg", ListSort{kSearchColumnModified, false});
  ASSERT_EQ(views.search.hits.size(), 2u);
  UpdateGeneration(views, MakeGeneration(Volume()), nullptr);
  EXPECT_TRUE(views.search.hits.empty());
  EXPECT_EQ(views.search.totals, SearchTotals{});
  EXPECT_EQ(views.search.query, L"ext:jpg");
  EXPECT_EQ(views.search.sort, (ListSort{kSearchColumnModified, false}));
  // Searched again, the new generation answers as the old one did.
  ShowSearchAnswer(views.search, RunSearch(*views.result, views.search.query, SearchOrderOf(views.search.sort), 1));
  EXPECT_EQ(views.search.hits.size(), 2u);
}

}  // namespace
}  // namespace tw
