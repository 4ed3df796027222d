#include "views/item_refs.h"

namespace tw {

std::optional<ItemRef> FolderRowItem(const FolderRowModel& rows, std::int64_t index) {
  const FolderRow* row = rows.RowAt(index);
  if (row == nullptr) return std::nullopt;
  ItemRef item;
  item.path = rows.RowPath(index);
  if (row->is_file) {
    const FileItem* file = rows.FileOfRow(*row);
    if (file == nullptr) return std::nullopt;
    item.kind = ItemKind::kFile;
    item.id = file->id;
    item.folder_id = row->folder_id;
  } else if (row->is_direct_files) {
    item.kind = ItemKind::kDirectFiles;
    item.id = row->folder_id;
    item.folder_id = row->folder_id;
  } else {
    item.kind = ItemKind::kFolder;
    item.id = row->id;
  }
  return item;
}

std::optional<ItemRef> FileViewItem(const ScanResult& result, const FileViewState& state, std::int64_t row) {
  const FileItem* file = FileViewEntry(result, state, row);
  if (file == nullptr) return std::nullopt;
  return ItemRef{ItemKind::kFile, file->id, result.FolderId(*file), FileContextMenuPath(result, *file)};
}

std::optional<ItemRef> ChangeRowItem(const ChangeRowModel& rows, std::int64_t index) {
  const ChangeRow* row = rows.RowAt(index);
  const ComparedScans* scans = rows.scans();
  if (row == nullptr || scans == nullptr || row->folder >= scans->folders.size()) return std::nullopt;
  ItemRef item{ItemKind::kGone, 0, 0, rows.RowPath(index)};
  const ComparedFolder& folder = scans->folders[row->folder];
  const ScanResult& now = *scans->new_scan;
  const RecordId folder_id = folder.new_folder != kNoSide ? now.folders[folder.new_folder].id : 0;
  if (row->is_file) {
    const ComparedFile* file = rows.FileOfRow(index);
    if (file == nullptr) return std::nullopt;
    if (file->new_file != kNoSide) item = {ItemKind::kFile, now.files[file->new_file].id, folder_id, item.path};
  } else if (folder.new_folder != kNoSide) {
    item.kind = row->is_direct_files ? ItemKind::kDirectFiles : ItemKind::kFolder;
    item.id = folder_id;
    item.folder_id = row->is_direct_files ? folder_id : 0;
  }
  return item;
}

namespace {

// Entry `index` of one of the comparison's file lists.
std::optional<ItemRef> ComparedFileItem(const ComparedScans& scans, const std::vector<ComparedFile>& files,
                                        std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= files.size()) return std::nullopt;
  const ComparedFile& file = files[static_cast<std::size_t>(index)];
  const std::wstring path = ComparedFilePath(scans, file);
  if (file.new_file == kNoSide) return ItemRef{ItemKind::kGone, 0, 0, path};
  const FileItem& now = scans.new_scan->files[file.new_file];
  return ItemRef{ItemKind::kFile, now.id, scans.new_scan->FolderId(now), path};
}

}  // namespace

std::optional<ItemRef> GrownFileItem(const ComparedScans& scans, std::int64_t index) {
  return ComparedFileItem(scans, scans.grown, index);
}

std::optional<ItemRef> LostFileItem(const ComparedScans& scans, std::int64_t index) {
  return ComparedFileItem(scans, scans.lost, index);
}

std::optional<ItemRef> TreemapCellItem(const ScanResult& result, const TreemapItem& item) {
  const std::wstring folder_path = BuildFolderPath(result, item.id, result.drive);
  // The "[直接文件]" item can be entered too: it is asked first.
  if (item.is_direct_files) return ItemRef{ItemKind::kDirectFiles, item.id, item.id, folder_path};
  if (item.is_folder) return ItemRef{ItemKind::kFolder, item.id, 0, folder_path};
  if (item.is_file) {
    const std::span<const FileItem> files = result.FindFiles(item.id);
    if (item.file_index >= files.size()) return std::nullopt;
    const FileItem& file = files[static_cast<std::size_t>(item.file_index)];
    return ItemRef{ItemKind::kFile, file.id, item.id, FileContextMenuPath(result, file)};
  }
  return std::nullopt;
}

std::optional<ItemRef> OverviewCellItem(const ScanResult& result, const OverviewItem& item) {
  const std::wstring path = OverviewItemPath(result, item);
  if (item.kind == NestedCellKind::kFile) {
    if (item.index >= result.files.size()) return std::nullopt;
    const FileItem& file = result.files[item.index];
    return ItemRef{ItemKind::kFile, file.id, result.FolderId(file), path};
  }
  if (item.index >= result.folders.size()) return std::nullopt;
  const RecordId folder = result.folders[item.index].id;
  if (item.kind == NestedCellKind::kMerged) return ItemRef{ItemKind::kMerged, 0, folder, path};
  return ItemRef{ItemKind::kFolder, folder, 0, path};
}

std::optional<ItemRef> SearchRowItem(const ScanResult& result, const SearchViewState& state, std::int64_t row) {
  const SearchHit* hit = SearchRow(state, row);
  if (hit == nullptr) return std::nullopt;
  if (hit->folder) {
    if (hit->index >= result.folders.size()) return std::nullopt;
    return ItemRef{ItemKind::kFolder, result.folders[hit->index].id, 0, SearchRowPath(result, state, row)};
  }
  if (hit->index >= result.files.size()) return std::nullopt;
  const FileItem& file = result.files[hit->index];
  return ItemRef{ItemKind::kFile, file.id, result.FolderId(file), SearchRowPath(result, state, row)};
}

}  // namespace tw
