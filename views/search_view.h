#pragma once
// The 搜索 page without a window: its state over the generation shown, the
// line above its list, the texts of its cells, what Ctrl+C copies, and what
// Enter does to the tree view. The search itself runs on a worker
// (search/search.h); the window hands each answer it accepts to
// ShowSearchAnswer. Used on the window's thread only.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/scan_result.h"
#include "search/search.h"
#include "texts/texts.h"
#include "views/folder_list_keys.h"
#include "views/folder_rows.h"
#include "views/result_list.h"
#include "views/treemap_navigation.h"

namespace tw {

// Columns in the order of SearchColumn: name, the folder the match is in,
// size, allocated size, modification time.
inline constexpr std::array<ListColumn, kSearchColumnCount> kSearchColumns = {{
    {text::kColumnName, 260, false},
    {text::kColumnFolder, 440, false},
    {text::kColumnSize, 110, true},
    {text::kColumnAllocated, 110, true},
    {text::kColumnModified, 160, false},
}};

struct SearchViewState {
  std::wstring query;                       // what the search box holds; kept across scans
  ListSort sort{kSearchColumnSize, false};  // kept across scans
  std::vector<SearchHit> hits;              // into the generation shown, in sort order
  SearchTotals totals;
  std::wstring line = text::kSearchHint;    // above the list
  bool bad_query = false;                   // line is a bad query's reason
};

SearchOrder SearchOrderOf(const ListSort& sort);

// The line for an answer: the bad query's reason, the hint for a query of
// no words, else the count line.
std::wstring SearchLineFor(const SearchAnswer& answer);

// An answer accepted for the generation shown takes the place of the rows.
void ShowSearchAnswer(SearchViewState& state, SearchAnswer answer);

// A new generation: the rows go (they pointed into the old one), the query
// and the order stay, and the line says nothing until the next answer.
void ClearSearchResults(SearchViewState& state);

const SearchHit* SearchRow(const SearchViewState& state, std::int64_t row);

// A cell of row `row`; "" for a row or column that is not there.
std::wstring SearchCellText(const ScanResult& result, const SearchViewState& state, std::int64_t row,
                            std::int32_t column);

// The full path of a row's match; "" for a row that is not there.
std::wstring SearchRowPath(const ScanResult& result, const SearchViewState& state, std::int64_t row);

// What Ctrl+C copies: the paths of the rows in the order given, one per
// line (CR LF between them, none after the last).
std::wstring SearchCopyText(const ScanResult& result, const SearchViewState& state, std::span<const std::int64_t> rows);

// Enter or a double-click on a match: the folder list opens down to it and
// selects its row (a file's through its folder's "[直接文件]" row); the
// treemap shows the file's folder (its files), or the folder itself, or
// its parent when it has nothing to show.
FolderKeyAction RevealSearchHit(FolderRowModel& rows, TreemapState& state, const SearchHit& hit);

}  // namespace tw
