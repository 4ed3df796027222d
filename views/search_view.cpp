#include "views/search_view.h"

#include <utility>

#include "format/format.h"
#include "search/hit_paths.h"
#include "search/query.h"

namespace tw {
namespace {

std::wstring SizeText(std::int64_t bytes) { return FormatSize(static_cast<std::uint64_t>(bytes < 0 ? 0 : bytes)); }

// The treemap at a folder: its files, or its folders, as it can show them.
bool PointTreemap(const ScanResult& result, TreemapState& state, RecordId folder_id, bool files) {
  const std::optional<TreemapNavigation> to = DecideTreemapNavigation(&result, folder_id, files);
  if (!to) return false;
  state = to->state;
  return true;
}

}  // namespace

SearchOrder SearchOrderOf(const ListSort& sort) { return SearchOrder{sort.sort_column, sort.sort_ascending}; }

std::wstring SearchLineFor(const SearchAnswer& answer) {
  if (!answer.problem.empty()) return answer.problem;
  if (ParseQuery(answer.query).query.empty) return text::kSearchHint;
  return SearchCountLine(answer.totals);
}

void ShowSearchAnswer(SearchViewState& state, SearchAnswer answer) {
  state.line = SearchLineFor(answer);
  state.bad_query = !answer.problem.empty();
  state.hits = std::move(answer.hits);
  state.totals = answer.totals;
}

void ClearSearchResults(SearchViewState& state) {
  state.hits.clear();
  state.hits.shrink_to_fit();
  state.totals = SearchTotals{};
  state.line.clear();
  state.bad_query = false;
}

const SearchHit* SearchRow(const SearchViewState& state, std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.hits.size()) return nullptr;
  return &state.hits[static_cast<std::size_t>(row)];
}

std::wstring SearchCellText(const ScanResult& result, const SearchViewState& state, std::int64_t row,
                            std::int32_t column) {
  const SearchHit* hit = SearchRow(state, row);
  if (hit == nullptr) return {};
  switch (column) {
    case kSearchColumnName: {
      const std::u16string_view name = HitName(result, *hit);
      return std::wstring(name.begin(), name.end());
    }
    case kSearchColumnFolder:
      return HitPaths(result).Location(*hit);
    case kSearchColumnSize:
      return SizeText(HitSize(result, *hit));
    case kSearchColumnAlloc:
      return SizeText(HitAlloc(result, *hit));
    case kSearchColumnModified:
      return FormatFileTime(HitModified(result, *hit));
    default:
      return {};
  }
}

std::wstring SearchRowPath(const ScanResult& result, const SearchViewState& state, std::int64_t row) {
  const SearchHit* hit = SearchRow(state, row);
  return hit == nullptr ? std::wstring() : HitPaths(result).Path(*hit);
}

std::wstring SearchCopyText(const ScanResult& result, const SearchViewState& state,
                            std::span<const std::int64_t> rows) {
  HitPaths paths(result);
  std::wstring text;
  bool first = true;
  for (const std::int64_t row : rows) {
    const SearchHit* hit = SearchRow(state, row);
    if (hit == nullptr) continue;
    if (!first) text += L"\r\n";
    text += paths.Path(*hit);
    first = false;
  }
  return text;
}

FolderKeyAction RevealSearchHit(FolderRowModel& rows, TreemapState& state, const SearchHit& hit) {
  const ScanResult* result = rows.result();
  if (result == nullptr) return {};
  FolderKeyAction action;
  if (hit.folder) {
    if (hit.index >= result->folders.size()) return {};
    const DirNode& folder = result->folders[hit.index];
    const bool root = folder.id == result->root_id;
    rows.RevealFolder(root ? folder.id : folder.tree_parent_id);
    action.rows_changed = true;
    action.treemap_changed = PointTreemap(*result, state, folder.id, false) ||
                             (!root && PointTreemap(*result, state, folder.tree_parent_id, false));
    action.select_row = rows.FolderRowIndex(folder.id);
    return action;
  }
  if (hit.index >= result->files.size()) return {};
  const FileItem& file = result->files[hit.index];
  if (file.folder >= result->folders.size()) return {};
  const DirNode& folder = result->folders[file.folder];
  const RecordId folder_id = folder.id;
  rows.RevealFolder(folder_id);
  if (rows.expanded_file_groups().count(folder_id) == 0) rows.ToggleFileGroup(folder_id);
  action.rows_changed = true;
  action.treemap_changed = PointTreemap(*result, state, folder.id, true);
  action.select_row = rows.FindRow(FolderRowKey{0, folder_id, hit.index - folder.first_file, false, true});
  return action;
}

}  // namespace tw
