#pragma once
// The keyboard in the folder tree list and a click in the treemap, as
// decisions over the folder rows and the treemap state; the window layer
// applies them (row count, selection, treemap items, caption).
//
// Right opens the selected folder as a click on its triangle does (the
// treemap follows) and, on an open row, moves to its first child; Left
// closes an open row or moves to the parent row; Enter shows the selected
// folder in the treemap; Backspace moves the treemap up one level, out of
// files mode first.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "treemap/treemap_items.h"
#include "views/folder_rows.h"
#include "views/treemap_navigation.h"

namespace tw {

enum class FolderListKey { kRight, kLeft, kEnter, kBackspace };

// What a key did: refresh the list when rows_changed, the treemap and its
// caption when treemap_changed, then select and show select_row.
struct FolderKeyAction {
  bool rows_changed = false;
  bool treemap_changed = false;
  std::optional<std::size_t> select_row;
};

// `selected` is the selected row, none when no row is.
FolderKeyAction PressFolderListKey(FolderRowModel& rows, TreemapState& state, std::optional<std::size_t> selected,
                                   FolderListKey key);

// The row that shows a treemap item, made visible by opening what holds it
// (never the item itself: a folder's own row stays as it is). Sets
// rows_changed when anything opened; never changes the treemap.
FolderKeyAction RevealTreemapItemRow(FolderRowModel& rows, const TreemapItem& item);

}  // namespace tw
