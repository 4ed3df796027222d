#pragma once
// Which folder the treemap shows, how that changes when the user enters an
// item, and the caption naming it.
//
// The treemap shows the contents of one folder: its child folders (with one
// "[直接文件]" item for the files directly inside it) or, in files mode, those
// files one by one. Entering an item in the treemap moves the treemap there
// and makes the folder list open the path to it and select its row. These
// functions decide; the window layer applies: it sets the list's row count,
// selects and scrolls to the row, rebuilds the treemap items and sets the
// caption text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "model/scan_result.h"
#include "views/folder_rows.h"

namespace tw {

// The folder the treemap shows; reset to the root, folders mode, with every
// new scan result.
struct TreemapState {
  RecordId treemap_folder_id = kRootId;
  bool treemap_show_files = false;  // show the folder's direct files
};

// What entering an item changes.
struct TreemapNavigation {
  TreemapState state;                  // the new treemap state
  RecordId reveal_folder_id = 0;       // open the path to this folder in the list
  bool open_file_group = false;        // and open its "[直接文件]" row
};

// The decision for a double-click on a treemap item: a folder item passes its
// id and false, the "[直接文件]" item the shown folder's id and true. None
// means nothing at all changes (not a known folder, or nothing to show).
std::optional<TreemapNavigation> DecideTreemapNavigation(const ScanResult* result, RecordId id, bool show_files);

// Brings the folder rows in line with a decision and returns the row to
// select and scroll into view: the folder's "[直接文件]" row in files mode,
// else the folder's own row; none when that row is not shown.
std::optional<std::size_t> ApplyTreemapNavigation(FolderRowModel& rows, const TreemapNavigation& navigation);

// The outcome of a double-click on a treemap item.
struct TreemapNavigationResult {
  bool changed = false;                   // false: leave list, treemap and caption alone
  std::optional<std::size_t> select_row;  // in the rows as rebuilt
};

// Decides, updates `state` and the rows, and says what the window layer must
// refresh. After a change the caller refreshes the folder list, selects
// select_row, rebuilds the treemap items and sets TreemapCaption(state).
TreemapNavigationResult NavigateToFolder(FolderRowModel& rows, TreemapState& state, RecordId id, bool show_files);

// ---- The folder list moving the treemap -------------------------------------

// What a click or double-click in the folder list did.
struct FolderListAction {
  bool rows_changed = false;     // refresh the list: new row count, repaint
  bool treemap_changed = false;  // rebuild the treemap items, set the caption
};

// A click in the triangle zone of row `index` (the caller has hit-tested the
// zone left of the icon in column 0). An expandable "[直接文件]" row opens or
// closes; an expandable folder row opens or closes, and when it opens and has
// a child or a non-empty file list the treemap moves to it, folders mode.
FolderListAction ClickFolderRowTriangle(FolderRowModel& rows, TreemapState& state, std::int64_t index);

// A double-click with row `index` the first selected row. A file row (or no
// row) does nothing. A "[直接文件]" row opens or closes, and when it was shut
// the treemap moves to its folder's files. A folder row acts as the click.
FolderListAction DoubleClickFolderRow(FolderRowModel& rows, TreemapState& state, std::int64_t index);

// "顶级文件夹" for the root (in files mode too) and for a folder the result
// does not hold; otherwise the folder's name, followed by " / [直接文件]" in
// files mode.
std::wstring TreemapCaption(const ScanResult* result, const TreemapState& state);

}  // namespace tw
