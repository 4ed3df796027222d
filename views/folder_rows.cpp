#include "views/folder_rows.h"

#include <limits>
#include <utility>

#include "format/format.h"
#include "texts/texts.h"
#include "views/folder_row_order.h"

namespace tw {
namespace {

// Upward walks (reveal, paths) stop after this many folders, so a parent
// chain that loops or runs absurdly deep cannot hang the user interface.
constexpr std::size_t kMaxWalk = 512;

bool HasChildOrDirectFiles(const ScanResult& result, const DirNode& folder) {
  return !result.Children(folder).empty() || folder.direct_file_count > 0;
}

std::wstring CountText(std::int64_t n) {
  // Counts are 32-bit; a sum of two of them is held at the largest value
  // rather than wrapping.
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  return FormatCount(static_cast<std::int32_t>(n > kMax ? kMax : (n < kMin ? kMin : n)));
}

std::wstring SizeText(std::int64_t bytes) { return FormatSize(static_cast<std::uint64_t>(bytes)); }

double Share(std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return 0.0;
  return static_cast<double>(part) * 100.0 / static_cast<double>(whole);
}

}  // namespace

// One open folder whose entries are being emitted.
struct FolderRowModel::Frame {
  std::vector<FolderEntry> entries;
  std::size_t next = 0;
  RecordId folder_id = 0;
  const DirNode* folder = nullptr;
  std::int32_t depth = 0;  // of the folder's own row
};

// ---- Lookups ---------------------------------------------------------------

const DirNode* FolderRowModel::Folder(RecordId id) const {
  // Exact: an id that is 0, or negative as a signed id, is no folder here.
  if (result_ == nullptr || id <= 0) return nullptr;
  return result_->FindFolder(id);
}

std::span<const FileItem> FolderRowModel::Files(RecordId folder_id) const {
  const DirNode* folder = Folder(folder_id);
  return folder == nullptr ? std::span<const FileItem>() : result_->Files(*folder);
}

const FolderRow* FolderRowModel::RowAt(std::int64_t index) const {
  if (index < 0 || static_cast<std::uint64_t>(index) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

std::optional<std::size_t> FolderRowModel::FolderRowIndex(RecordId folder_id) const {
  auto it = folder_rows_.find(folder_id);
  if (it == folder_rows_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::size_t> FolderRowModel::DirectFilesRowIndex(RecordId folder_id) const {
  auto it = direct_files_rows_.find(folder_id);
  if (it == direct_files_rows_.end()) return std::nullopt;
  return it->second;
}

std::optional<FolderRowKey> FolderRowModel::KeyOfRow(std::int64_t index) const {
  const FolderRow* row = RowAt(index);
  if (row == nullptr) return std::nullopt;
  if (row->is_file) return FolderRowKey{0, row->folder_id, row->file_index, false, true};
  if (row->is_direct_files) return FolderRowKey{0, row->folder_id, 0, true, false};
  return FolderRowKey{row->id, 0, 0, false, false};
}

std::optional<std::size_t> FolderRowModel::FindRow(const FolderRowKey& key) const {
  if (!key.is_file && !key.is_direct_files) return FolderRowIndex(key.id);
  const std::optional<std::size_t> group = DirectFilesRowIndex(key.folder_id);
  if (!group || key.is_direct_files) return group;
  // The group's file rows follow it directly.
  for (std::size_t i = *group + 1; i < rows_.size() && rows_[i].is_file && rows_[i].folder_id == key.folder_id; ++i) {
    if (rows_[i].file_index == key.file_index) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> FolderRowModel::ParentRow(std::int64_t index) const {
  const FolderRow* row = RowAt(index);
  if (row == nullptr) return std::nullopt;
  for (std::int64_t i = index - 1; i >= 0; --i) {
    if (rows_[static_cast<std::size_t>(i)].depth < row->depth) return static_cast<std::size_t>(i);
  }
  return std::nullopt;
}

bool FolderRowModel::IsRowOpen(const FolderRow& row) const {
  if (row.is_file) return false;
  if (row.is_direct_files) return expanded_file_groups_.count(row.folder_id) != 0;
  return expanded_folders_.count(row.id) != 0;
}

// ---- Building the rows -----------------------------------------------------

void FolderRowModel::Rebuild() {
  rows_.clear();
  folder_rows_.clear();
  direct_files_rows_.clear();
  const DirNode* root = Folder(kRootId);
  if (root == nullptr) return;

  // Depth first, with an explicit stack: an open chain thousands of folders
  // deep must not exhaust the thread's stack.
  std::vector<Frame> stack;
  EmitFolder(kRootId, *root, 0, stack);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const FolderEntry entry = top.entries[top.next++];
    const std::int32_t depth = top.depth + 1;
    if (entry.folder != nullptr) {
      EmitFolder(entry.id, *entry.folder, depth, stack);
      continue;  // `top` may now dangle
    }
    const DirNode& folder = *top.folder;
    const RecordId folder_id = top.folder_id;
    FolderRow row;
    row.id = kDirectFilesEntry;
    row.folder_id = folder_id;
    row.depth = depth;
    // Present when the folder has files by count or by size, but only a
    // positive count can be opened.
    row.expandable = folder.direct_file_count > 0;
    row.is_direct_files = true;
    row.size = folder.direct_size;
    row.alloc = folder.direct_alloc;
    row.file_count = folder.direct_file_count;
    direct_files_rows_.emplace(folder_id, rows_.size());
    rows_.push_back(row);
    if (expanded_file_groups_.count(folder_id) != 0) EmitFiles(folder_id, depth + 1);
  }
}

void FolderRowModel::EmitFolder(RecordId id, const DirNode& folder, std::int32_t depth,
                                std::vector<Frame>& stack) {
  // Each folder is shown once: a result whose children lists repeat a folder
  // or loop back to an ancestor must not grow the rows without end.
  if (!folder_rows_.emplace(id, rows_.size()).second) return;
  FolderRow row;
  row.id = id;
  row.depth = depth;
  row.expandable = HasChildOrDirectFiles(*result_, folder);
  rows_.push_back(row);
  if (expanded_folders_.count(id) == 0) return;
  Frame frame;
  frame.entries = OrderFolderEntries(*result_, folder, sort_column_, sort_ascending_);
  frame.folder_id = id;
  frame.folder = &folder;
  frame.depth = depth;
  stack.push_back(std::move(frame));
}

void FolderRowModel::EmitFiles(RecordId folder_id, std::int32_t depth) {
  const std::span<const FileItem> files = Files(folder_id);
  if (files.empty()) return;
  const std::vector<std::size_t> order = OrderFileIndices(*result_, files, sort_column_, sort_ascending_);
  rows_.reserve(rows_.size() + order.size());
  for (std::size_t index : order) {
    FolderRow row;
    row.id = files[index].id;
    row.folder_id = folder_id;
    row.file_index = index;
    row.depth = depth;
    row.is_file = true;
    rows_.push_back(row);
  }
}

// ---- Changes -----------------------------------------------------------------

void FolderRowModel::ResetForResult(const ScanResult* result) {
  result_ = result;
  expanded_folders_.clear();
  expanded_file_groups_.clear();
  if (Folder(kRootId) != nullptr) expanded_folders_.insert(kRootId);
  Rebuild();
}

void FolderRowModel::FollowResult(const ScanResult* result) {
  result_ = result;
  const auto gone = [this](RecordId id) { return Folder(id) == nullptr; };
  std::erase_if(expanded_folders_, gone);
  std::erase_if(expanded_file_groups_, gone);
  Rebuild();
}

bool FolderRowModel::ToggleFolder(RecordId folder_id) {
  const DirNode* folder = Folder(folder_id);
  if (folder == nullptr || !HasChildOrDirectFiles(*result_, *folder)) return false;
  if (expanded_folders_.erase(folder_id) == 0) expanded_folders_.insert(folder_id);
  Rebuild();
  return true;
}

bool FolderRowModel::ToggleFileGroup(RecordId folder_id) {
  const DirNode* folder = Folder(folder_id);
  if (folder == nullptr || folder->direct_file_count <= 0) return false;
  if (expanded_file_groups_.erase(folder_id) == 0) expanded_file_groups_.insert(folder_id);
  Rebuild();
  return true;
}

void FolderRowModel::RevealFolder(RecordId folder_id) {
  // Record the folder and its ancestors, nearest first, up to the root.
  std::vector<RecordId> path;
  RecordId id = folder_id;
  while (path.size() < kMaxWalk) {
    const DirNode* folder = Folder(id);
    if (folder == nullptr) break;
    path.push_back(id);
    if (id == kRootId) break;
    id = folder->tree_parent_id;
  }
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    if (*it == kRootId) {
      expanded_folders_.insert(*it);
      continue;
    }
    const DirNode* folder = Folder(*it);
    if (folder != nullptr && HasChildOrDirectFiles(*result_, *folder)) expanded_folders_.insert(*it);
  }
  Rebuild();
}

void FolderRowModel::SetSort(std::int32_t column) {
  if (column == sort_column_) {
    sort_ascending_ = !sort_ascending_;
  } else {
    sort_column_ = column;
    sort_ascending_ = false;
  }
  Rebuild();
}

// ---- Questions about a row -------------------------------------------------

const FileItem* FolderRowModel::FileOfRow(const FolderRow& row) const {
  if (!row.is_file) return nullptr;
  const std::span<const FileItem> files = Files(row.folder_id);
  if (row.file_index >= files.size()) return nullptr;
  return &files[static_cast<std::size_t>(row.file_index)];
}

const FileItem* FolderRowModel::FileOfRow(std::int64_t index) const {
  const FolderRow* row = RowAt(index);
  return row == nullptr ? nullptr : FileOfRow(*row);
}

double FolderRowModel::ParentPercent(std::int64_t index) const {
  const FolderRow* row = RowAt(index);
  if (row == nullptr) return 0.0;
  if (row->is_file) {
    const FileItem* file = FileOfRow(*row);
    const DirNode* folder = Folder(row->folder_id);
    if (file == nullptr || folder == nullptr) return 0.0;
    return Share(file->alloc, folder->total_alloc);
  }
  if (row->is_direct_files) {
    const DirNode* folder = Folder(row->folder_id);
    return folder == nullptr ? 0.0 : Share(row->alloc, folder->total_alloc);
  }
  const DirNode* folder = Folder(row->id);
  if (folder == nullptr) return 0.0;
  const DirNode* parent = Folder(folder->tree_parent_id);
  if (parent == nullptr) return 100.0;
  return Share(folder->total_alloc, parent->total_alloc);
}

std::wstring FolderRowModel::RowPath(std::int64_t index) const {
  const FolderRow* row = RowAt(index);
  if (row == nullptr) return {};
  if (row->is_file) {
    const FileItem* file = FileOfRow(*row);
    if (file == nullptr) return {};
    std::wstring path = BuildFolderPath(*result_, result_->FolderId(*file), result_->drive);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + result_->NameText(*file);
  }
  std::wstring path = result_->drive + L":\\";
  // Names from the folder upwards, stopping at the root or a missing folder.
  std::vector<std::u16string_view> names;
  RecordId id = row->is_direct_files ? row->folder_id : row->id;
  while (names.size() < kMaxWalk && id != kRootId) {
    const DirNode* folder = Folder(id);
    if (folder == nullptr) break;
    names.push_back(result_->Name(*folder));
    id = folder->tree_parent_id;
  }
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (it != names.rbegin()) path += L'\\';
    path += WideText(*it);
  }
  return path;
}

std::wstring FolderRowModel::CellText(std::int64_t index, std::int32_t column) const {
  const FolderRow* row = RowAt(index);
  if (row == nullptr || column < 0 || column >= kFolderColumnCount) return {};
  if (column == kFolderColumnParentPercent) {
    if (row->is_file && FileOfRow(*row) == nullptr) return {};
    return FormatPercent(ParentPercent(index));
  }

  if (row->is_file) {
    const FileItem* file = FileOfRow(*row);
    if (file == nullptr) return {};
    switch (column) {
      case kFolderColumnName:
        return result_->NameText(*file);
      case kFolderColumnSize:
        return SizeText(file->size);
      case kFolderColumnAlloc:
        return SizeText(file->alloc);
      case kFolderColumnItems:
      case kFolderColumnFiles:
        return L"1";
      case kFolderColumnFolders:
        return L"0";
      case kFolderColumnModified:
        return FormatFileTime(file->mtime);
      default:
        return FormatAttributes(file->attributes);
    }
  }

  if (row->is_direct_files) {
    switch (column) {
      case kFolderColumnName:
        return text::kDirectFiles;
      case kFolderColumnSize:
        return SizeText(row->size);
      case kFolderColumnAlloc:
        return SizeText(row->alloc);
      case kFolderColumnItems:
      case kFolderColumnFiles:
        return CountText(row->file_count);
      case kFolderColumnFolders:
        return L"0";
      default:
        return {};  // no time, no attributes
    }
  }

  const DirNode* folder = Folder(row->id);
  if (folder == nullptr) return {};
  switch (column) {
    case kFolderColumnName:
      return result_->NameText(*folder);
    case kFolderColumnSize:
      return SizeText(folder->total_size);
    case kFolderColumnAlloc:
      return SizeText(folder->total_alloc);
    case kFolderColumnItems:
      return CountText(std::int64_t{folder->total_file_count} + folder->total_folder_count);
    case kFolderColumnFiles:
      return CountText(folder->total_file_count);
    case kFolderColumnFolders:
      return CountText(folder->total_folder_count);
    case kFolderColumnModified:
      return FormatFileTime(folder->mtime);
    default:
      return FormatAttributes(folder->attributes);
  }
}

}  // namespace tw
