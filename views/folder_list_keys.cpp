#include "views/folder_list_keys.h"

namespace tw {
namespace {

FolderKeyAction FromListAction(const FolderListAction& action, std::optional<std::size_t> row) {
  return FolderKeyAction{action.rows_changed, action.treemap_changed, row};
}

FolderKeyAction FromNavigation(const TreemapNavigationResult& outcome) {
  return FolderKeyAction{outcome.changed, outcome.changed, outcome.select_row};
}

FolderKeyAction Right(FolderRowModel& rows, TreemapState& state, std::size_t index) {
  const FolderRow row = *rows.RowAt(static_cast<std::int64_t>(index));
  if (!row.expandable) return {};
  if (!rows.IsRowOpen(row)) {
    const FolderRowKey key = *rows.KeyOfRow(static_cast<std::int64_t>(index));
    const FolderListAction action = ClickFolderRowTriangle(rows, state, static_cast<std::int64_t>(index));
    return FromListAction(action, rows.FindRow(key));
  }
  const FolderRow* next = rows.RowAt(static_cast<std::int64_t>(index) + 1);
  if (next == nullptr || next->depth != row.depth + 1) return {};
  return FolderKeyAction{false, false, index + 1};
}

FolderKeyAction Left(FolderRowModel& rows, TreemapState& state, std::size_t index) {
  const FolderRow row = *rows.RowAt(static_cast<std::int64_t>(index));
  if (row.expandable && rows.IsRowOpen(row)) {
    const FolderRowKey key = *rows.KeyOfRow(static_cast<std::int64_t>(index));
    const FolderListAction action = ClickFolderRowTriangle(rows, state, static_cast<std::int64_t>(index));
    return FromListAction(action, rows.FindRow(key));
  }
  const std::optional<std::size_t> parent = rows.ParentRow(static_cast<std::int64_t>(index));
  if (!parent) return {};
  return FolderKeyAction{false, false, parent};
}

FolderKeyAction Enter(FolderRowModel& rows, TreemapState& state, std::size_t index) {
  const FolderRow row = *rows.RowAt(static_cast<std::int64_t>(index));
  if (row.is_file || row.is_direct_files) return FromNavigation(NavigateToFolder(rows, state, row.folder_id, true));
  return FromNavigation(NavigateToFolder(rows, state, row.id, false));
}

FolderKeyAction Backspace(FolderRowModel& rows, TreemapState& state) {
  const ScanResult* result = rows.result();
  const auto id = state.treemap_folder_id;
  const DirNode* folder = result != nullptr && id > 0 ? result->FindFolder(id) : nullptr;
  if (folder == nullptr) return {};
  // Out of files mode first, where the folder has folders of its own to show.
  if (state.treemap_show_files && !result->Children(*folder).empty()) {
    return FromNavigation(NavigateToFolder(rows, state, state.treemap_folder_id, false));
  }
  if (folder->id == kRootId) return {};
  return FromNavigation(NavigateToFolder(rows, state, folder->tree_parent_id, false));
}

}  // namespace

FolderKeyAction PressFolderListKey(FolderRowModel& rows, TreemapState& state, std::optional<std::size_t> selected,
                                   FolderListKey key) {
  if (key == FolderListKey::kBackspace) return Backspace(rows, state);
  if (!selected || rows.RowAt(static_cast<std::int64_t>(*selected)) == nullptr) return {};
  switch (key) {
    case FolderListKey::kRight:
      return Right(rows, state, *selected);
    case FolderListKey::kLeft:
      return Left(rows, state, *selected);
    case FolderListKey::kEnter:
      return Enter(rows, state, *selected);
    case FolderListKey::kBackspace:
      break;
  }
  return {};
}

FolderKeyAction RevealTreemapItemRow(FolderRowModel& rows, const TreemapItem& item) {
  const ScanResult* result = rows.result();
  if (result == nullptr || item.id <= 0) return {};
  const DirNode* folder = result->FindFolder(item.id);
  if (folder == nullptr) return {};
  FolderKeyAction action;
  FolderRowKey key;
  if (item.is_direct_files || item.is_file) {
    // The folder holding the files, opened, and for a file its group too.
    key.folder_id = item.id;
    key.is_direct_files = item.is_direct_files;
    key.is_file = item.is_file;
    key.file_index = item.file_index;
    if (!rows.DirectFilesRowIndex(key.folder_id)) {
      rows.RevealFolder(key.folder_id);
      action.rows_changed = true;
    }
    if (item.is_file && rows.expanded_file_groups().count(key.folder_id) == 0) {
      rows.ToggleFileGroup(key.folder_id);
      action.rows_changed = true;
    }
  } else {
    key.id = item.id;
    if (!rows.FolderRowIndex(key.id) && folder->id != kRootId) {
      rows.RevealFolder(folder->tree_parent_id);
      action.rows_changed = true;
    }
  }
  action.select_row = rows.FindRow(key);
  return action;
}

}  // namespace tw
