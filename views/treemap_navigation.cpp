#include "views/treemap_navigation.h"
#include "texts/texts.h"

#include <vector>

namespace tw {
namespace {

// Exact: an id that is 0, or negative as a signed id, is no folder here.
const DirNode* FindFolderById(const ScanResult* result, RecordId id) {
  if (result == nullptr || id <= 0) return nullptr;
  return result->FindFolder(id);
}

// Opens or closes a folder row; the treemap follows a folder that opens and
// has something to show.
FolderListAction ToggleFolderRow(FolderRowModel& rows, TreemapState& state, RecordId id) {
  FolderListAction action;
  action.rows_changed = true;
  const bool was_open = rows.expanded_folders().count(id) != 0;
  rows.ToggleFolder(id);
  const DirNode* folder = FindFolderById(rows.result(), id);
  if (was_open || folder == nullptr) return action;
  const ScanResult& result = *rows.result();
  if (result.Children(*folder).empty() && result.Files(*folder).empty()) return action;
  state = TreemapState{id, false};
  action.treemap_changed = true;
  return action;
}

}  // namespace

FolderListAction ClickFolderRowTriangle(FolderRowModel& rows, TreemapState& state, std::int64_t index) {
  const FolderRow* row = rows.RowAt(index);
  if (row == nullptr || !row->expandable) return {};
  if (row->is_direct_files) {
    rows.ToggleFileGroup(row->folder_id);
    return {true, false};
  }
  return ToggleFolderRow(rows, state, row->id);
}

FolderListAction DoubleClickFolderRow(FolderRowModel& rows, TreemapState& state, std::int64_t index) {
  const FolderRow* row = rows.RowAt(index);
  if (row == nullptr || row->is_file) return {};
  if (!row->is_direct_files) return ToggleFolderRow(rows, state, row->id);
  const RecordId folder_id = row->folder_id;
  const bool was_open = rows.expanded_file_groups().count(folder_id) != 0;
  rows.ToggleFileGroup(folder_id);
  if (was_open) return {true, false};
  state = TreemapState{folder_id, true};
  return {true, true};
}

std::optional<TreemapNavigation> DecideTreemapNavigation(const ScanResult* result, RecordId id, bool show_files) {
  const DirNode* folder = FindFolderById(result, id);
  if (folder == nullptr) return std::nullopt;
  const bool has_children = !result->Children(*folder).empty();
  const bool has_files = folder->direct_file_count > 0 || folder->direct_size > 0;

  TreemapNavigation navigation;
  navigation.state.treemap_folder_id = id;
  navigation.reveal_folder_id = id;
  if (show_files || !has_children) {
    // The "[直接文件]" item, or a folder whose only content is files.
    if (!has_files) return std::nullopt;
    navigation.state.treemap_show_files = true;
  }
  // Only a group with counted files can be opened in the list.
  navigation.open_file_group = navigation.state.treemap_show_files && folder->direct_file_count > 0;
  return navigation;
}

std::optional<std::size_t> ApplyTreemapNavigation(FolderRowModel& rows, const TreemapNavigation& navigation) {
  const RecordId id = navigation.reveal_folder_id;
  rows.RevealFolder(id);
  // Opening the group is idempotent: an already open group stays open.
  if (navigation.open_file_group && rows.expanded_file_groups().count(id) == 0) {
    rows.ToggleFileGroup(id);
  }
  return navigation.state.treemap_show_files ? rows.DirectFilesRowIndex(id) : rows.FolderRowIndex(id);
}

TreemapNavigationResult NavigateToFolder(FolderRowModel& rows, TreemapState& state, RecordId id, bool show_files) {
  TreemapNavigationResult outcome;
  const std::optional<TreemapNavigation> navigation = DecideTreemapNavigation(rows.result(), id, show_files);
  if (!navigation) return outcome;
  state = navigation->state;
  outcome.changed = true;
  outcome.select_row = ApplyTreemapNavigation(rows, *navigation);
  return outcome;
}

std::wstring TreemapCaption(const ScanResult* result, const TreemapState& state) {
  if (state.treemap_folder_id == kRootId) return text::kTopLevelCaption;
  const DirNode* folder = FindFolderById(result, state.treemap_folder_id);
  if (folder == nullptr) return text::kTopLevelCaption;
  std::wstring text = result->NameText(*folder);
  if (state.treemap_show_files) text += std::wstring(L" / ") + text::kDirectFiles;
  return text;
}

}  // namespace tw
