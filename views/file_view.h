#pragma once
// The file view: the largest files of the volume on the second page, at most
// 200 rows, sortable by any column. Sorting reorders the whole
// largest_files list of the result and then shows its first 200 non-empty
// entries, so a sort by name shows the alphabetically first of all the
// largest files. The Win32 list asks these functions for its row count, cell
// texts, swatch colours and the path of the context menu.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"
#include "model/scan_result.h"
#include "texts/texts.h"
#include "views/result_list.h"

namespace tw {

// Columns: name, folder, extension (after a swatch), size, allocated size,
// modification time.
inline constexpr std::array<ListColumn, 6> kFileViewColumns = {{
    {text::kColumnFileName, 240, false},
    {text::kColumnPath, 360, false},
    {text::kColumnExtension, 100, false},
    {text::kColumnSize, 110, true},
    {text::kColumnAllocated, 110, true},
    {text::kColumnModified, 160, false},
}};
inline constexpr std::int32_t kFileViewExtensionColumn = 2;

// The view's own order of the result's largest files (the result is never
// reordered).
struct FileViewState {
  std::vector<std::size_t> order;        // positions in largest_files, in list order
  std::vector<std::uint64_t> file_view;  // shown rows: positions in largest_files
  ListSort sort{3, false};               // size, descending
};

// Sorts order (positions in result.largest_files) by the column's key (0
// name, 1 folder path, 2 extension case-insensitively; 4 allocated size; 5
// modification time; 3 and any other value size). A sort by folder builds
// each folder's path once. Not stable: entries equal under the key come in any
// order.
void SortLargestFiles(const ScanResult& result, std::vector<std::size_t>& order, const ListSort& sort);

// The first 200 files of order whose size is not 0. An order that does not
// match the result starts again from the result's own order.
void FillFileView(const ScanResult& result, FileViewState& state);

// A header click: applies the click to the sort state, sorts and refills.
void FileViewColumnClick(const ScanResult& result, FileViewState& state, std::int32_t column);

// After a new scan result: the result's order, sorted by the kept state, refilled.
void RefreshFileView(const ScanResult& result, FileViewState& state);

// The file of a row; null for a row that is not shown.
const FileItem* FileViewEntry(const ScanResult& result, const FileViewState& state, std::int64_t row);

// The text of one cell of a file of `result`; other columns give "". Column
// 1 is the path of the file's folder (BuildFolderPath), column 2 the
// extension alone (the swatch is drawn before it).
std::wstring FileViewCellText(const ScanResult& result, const FileItem& file, std::int32_t column);

// The full path of a file of `result`, for the context menu: its folder's
// path, a backslash unless that already ends in one, and the name.
std::wstring FileContextMenuPath(const ScanResult& result, const FileItem& file);

// The swatch colour of an extension, the same in both lists: the palette
// entry of the position in `order` (the extension list's) of the first
// extension statistic that matches case-insensitively, or else of a
// 31-multiplier hash over its UTF-16 units.
Colour ExtensionSwatchColour(const std::vector<ExtStat>& extensions, const std::vector<std::size_t>& order,
                             std::wstring_view text);

}  // namespace tw
