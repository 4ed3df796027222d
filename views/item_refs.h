#pragma once
// The item each row and cell of the window shows, as an ItemRef, so that
// every list and treemap acts on its items alike. None for a row or cell
// that shows nothing (past the end, a stale index).

#include <cstdint>
#include <optional>

#include "model/scan_compare.h"
#include "model/scan_result.h"
#include "treemap/treemap_items.h"
#include "views/change_rows.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/item_actions.h"
#include "views/overview_view.h"
#include "views/search_view.h"

namespace tw {

// A folder row, a "[直接文件]" row (its folder's files) or a file row.
std::optional<ItemRef> FolderRowItem(const FolderRowModel& rows, std::int64_t index);
// A file of the file view.
std::optional<ItemRef> FileViewItem(const ScanResult& result, const FileViewState& state, std::int64_t row);
// A row of the 变化 list: a folder or file the newer scan holds, or one
// only the older held (kGone: its path, nothing else).
std::optional<ItemRef> ChangeRowItem(const ChangeRowModel& rows, std::int64_t index);
// A file of the list of files that appeared or grew, and of the list of
// files that vanished (kGone: its path, nothing else) or shrank.
std::optional<ItemRef> GrownFileItem(const ComparedScans& scans, std::int64_t index);
std::optional<ItemRef> LostFileItem(const ComparedScans& scans, std::int64_t index);
// A cell of the treemap of one folder: a child folder, the "[直接文件]"
// item or one file.
std::optional<ItemRef> TreemapCellItem(const ScanResult& result, const TreemapItem& item);
// A cell of the 全景 page: a folder, a file, or a grey cell of its folder.
std::optional<ItemRef> OverviewCellItem(const ScanResult& result, const OverviewItem& item);
// A match of the 搜索 page: a folder or a file of the generation shown.
std::optional<ItemRef> SearchRowItem(const ScanResult& result, const SearchViewState& state, std::int64_t row);

}  // namespace tw
