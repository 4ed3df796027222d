#include "views/change_rows.h"

#include <algorithm>
#include <limits>

#include "base/arithmetic.h"
#include "format/format.h"
#include "format/utc_time.h"
#include "texts/texts.h"

namespace tw {
namespace {

constexpr wchar_t kMinus = L'\u2212';

std::wstring SizeText(std::int64_t bytes) { return FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0))); }

std::wstring CountText(std::int64_t n) { return std::to_wstring(n); }

// Whether any file directly in the folder appeared, vanished or changed.
bool DirectFilesChanged(const ComparedFolder& f) {
  return f.direct_files_added != 0 || f.direct_files_removed != 0 || f.old_direct_size != f.new_direct_size ||
         f.old_direct_alloc != f.new_direct_alloc;
}

ChangeRow MakeRow(std::uint32_t folder, std::int32_t depth, bool direct, bool expandable, bool file = false,
                  std::uint32_t file_index = 0) {
  ChangeRow row;
  row.folder = folder;
  row.depth = depth;
  row.is_direct_files = direct;
  row.expandable = expandable;
  row.is_file = file;
  row.file_index = file_index;
  return row;
}

std::wstring Marked(std::wstring name, bool added, bool removed) {
  if (added) name += std::wstring(L" (") + text::kCompareAdded + L")";
  if (removed) name += std::wstring(L" (") + text::kCompareRemoved + L")";
  return name;
}

// A vanished folder's name with what it held in the older scan:
// "Editor (已删除 · 27 个文件 · 2 个文件夹)".
std::wstring VanishedFolderName(const ComparedScans& scans, const ComparedFolder& f) {
  const DirNode& held = scans.old_scan->folders[f.old_folder];
  return ComparedName(scans, f) + L" (" + text::kCompareRemoved + text::kChangeSeparator +
         std::to_wstring(held.total_file_count) + text::kHeldFiles + text::kChangeSeparator +
         std::to_wstring(held.total_folder_count) + text::kHeldFolders + L")";
}

// The cells of a file list of the page: name, the change (a gain, or a loss
// as a negative change), the sizes now and before, the folder's path.
std::wstring FileListCell(const ComparedScans& scans, const ComparedFile& file, std::int32_t column, bool loss) {
  switch (column) {
    case 0:
      return ComparedFileName(scans, file);
    case 1: {
      const std::int64_t gain = SaturatingSub(file.new_size, file.old_size);
      return FormatSizeChange(loss ? std::min<std::int64_t>(gain, 0) : std::max<std::int64_t>(gain, 0), kMinus);
    }
    case 2:
      return SizeText(file.new_size);
    case 3:
      return SizeText(file.old_size);
    case 4:
      return ComparedPath(scans, file.folder);
    default:
      return {};
  }
}

}  // namespace

bool ChangeRowModel::Shown(std::uint32_t folder) const {
  return folder == 0 || !changed_only_ || changed_below_[folder] != 0;
}

bool ChangeRowModel::DirectFilesShown(std::uint32_t folder) const {
  const ComparedFolder& f = scans_->folders[folder];
  return f.has_direct_files() && (!changed_only_ || DirectFilesChanged(f));
}

bool ChangeRowModel::Expandable(std::uint32_t folder) const {
  if (DirectFilesShown(folder)) return true;
  const std::vector<std::uint32_t>& children = scans_->folders[folder].children;
  return std::any_of(children.begin(), children.end(), [this](std::uint32_t child) { return Shown(child); });
}

void ChangeRowModel::SetChangedOnly(bool changed_only) {
  if (changed_only == changed_only_) return;
  changed_only_ = changed_only;
  Rebuild();
}

void ChangeRowModel::Reset(const ComparedScans* scans) {
  scans_ = scans != nullptr && !scans->folders.empty() ? scans : nullptr;
  open_.assign(scans_ != nullptr ? scans_->folders.size() : 0, 0);
  open_files_.assign(open_.size(), 0);
  files_.clear();
  if (!open_.empty()) open_[0] = 1;
  // A folder counts as changed when it or anything below it did: a file
  // that grew beside one that shrank by as much leaves its folders' totals
  // as they were. Parents come before their children.
  changed_below_.assign(open_.size(), 0);
  for (std::size_t i = changed_below_.size(); i-- > 0;) {
    const ComparedFolder& f = scans_->folders[i];
    if (f.changed() || DirectFilesChanged(f)) changed_below_[i] = 1;
    if (i != 0 && changed_below_[i] != 0) changed_below_[f.parent] = 1;
  }
  Rebuild();
}

void ChangeRowModel::Rebuild() {
  rows_.clear();
  if (scans_ == nullptr) return;
  const auto& folders = scans_->folders;
  // Depth first in the comparison's order; the stack holds what comes next.
  std::vector<std::uint32_t> stack{0};
  while (!stack.empty()) {
    const std::uint32_t at = stack.back();
    stack.pop_back();
    const ComparedFolder& f = folders[at];
    rows_.push_back(MakeRow(at, f.depth, false, Expandable(at)));
    if (open_[at] == 0) continue;
    if (DirectFilesShown(at)) {
      rows_.push_back(MakeRow(at, f.depth + 1, true, DirectFilesChanged(f)));
      if (open_files_[at] != 0) {
        const std::size_t count = files_[at].size();
        for (std::size_t i = 0; i < count; ++i) {
          rows_.push_back(MakeRow(at, f.depth + 2, false, false, true, static_cast<std::uint32_t>(i)));
        }
      }
    }
    for (auto it = f.children.rbegin(); it != f.children.rend(); ++it) {
      if (Shown(*it)) stack.push_back(*it);
    }
  }
}

bool ChangeRowModel::Toggle(std::uint32_t folder) {
  if (scans_ == nullptr || folder >= open_.size() || (open_[folder] == 0 && !Expandable(folder))) return false;
  open_[folder] ^= 1;
  Rebuild();
  return true;
}

bool ChangeRowModel::ToggleFiles(std::uint32_t folder) {
  if (scans_ == nullptr || folder >= open_files_.size()) return false;
  const ComparedFolder& f = scans_->folders[folder];
  if (!f.has_direct_files() || !DirectFilesChanged(f)) return false;
  open_files_[folder] ^= 1;
  if (open_files_[folder] != 0 && !files_.contains(folder)) files_[folder] = ChangedFilesIn(*scans_, folder);
  Rebuild();
  return true;
}

bool ChangeRowModel::ToggleRow(const ChangeRow& row) {
  if (row.is_file) return false;
  return row.is_direct_files ? ToggleFiles(row.folder) : Toggle(row.folder);
}

bool ChangeRowModel::IsOpen(const ChangeRow& row) const {
  if (row.is_file || row.folder >= open_.size()) return false;
  return (row.is_direct_files ? open_files_[row.folder] : open_[row.folder]) != 0;
}

const ComparedFile* ChangeRowModel::FileOfRow(std::int64_t index) const {
  const ChangeRow* row = RowAt(index);
  if (row == nullptr || !row->is_file) return nullptr;
  const auto it = files_.find(row->folder);
  return it != files_.end() && row->file_index < it->second.size() ? &it->second[row->file_index] : nullptr;
}

const ChangeRow* ChangeRowModel::RowAt(std::int64_t index) const {
  if (index < 0 || static_cast<std::uint64_t>(index) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

std::int64_t ChangeRowModel::AllocChange(std::int64_t index) const {
  const ChangeRow* row = RowAt(index);
  if (row == nullptr) return 0;
  if (const ComparedFile* file = FileOfRow(index)) return SaturatingSub(file->new_alloc, file->old_alloc);
  const ComparedFolder& f = scans_->folders[row->folder];
  return row->is_direct_files ? SaturatingSub(f.new_direct_alloc, f.old_direct_alloc)
                              : SaturatingSub(f.new_alloc, f.old_alloc);
}

std::wstring ChangeRowModel::CellText(std::int64_t index, std::int32_t column) const {
  const ChangeRow* row = RowAt(index);
  if (row == nullptr) return {};
  if (row->is_file) {
    const ComparedFile* file = FileOfRow(index);
    if (file == nullptr) return {};
    const bool added = file->old_file == kNoSide, removed = file->new_file == kNoSide;
    switch (column) {
      case kChangeColumnName:
        return Marked(ComparedFileName(*scans_, *file), added, removed);
      case kChangeColumnChange:
        return FormatSizeChange(AllocChange(index), kMinus);
      case kChangeColumnNow:
        return SizeText(file->new_alloc);
      case kChangeColumnBefore:
        return SizeText(file->old_alloc);
      case kChangeColumnAdded:
        return CountText(added ? 1 : 0);
      case kChangeColumnRemoved:
        return CountText(removed ? 1 : 0);
      default:
        return {};
    }
  }
  const ComparedFolder& f = scans_->folders[row->folder];
  const bool direct = row->is_direct_files;
  switch (column) {
    case kChangeColumnName:
      if (direct) return text::kDirectFiles;
      if (f.new_folder == kNoSide && f.old_folder != kNoSide) return VanishedFolderName(*scans_, f);
      return Marked(ComparedName(*scans_, f), f.old_folder == kNoSide, false);
    case kChangeColumnChange:
      return FormatSizeChange(AllocChange(index), kMinus);
    case kChangeColumnNow:
      return SizeText(direct ? f.new_direct_alloc : f.new_alloc);
    case kChangeColumnBefore:
      return SizeText(direct ? f.old_direct_alloc : f.old_alloc);
    case kChangeColumnAdded:
      return CountText(direct ? f.direct_files_added : f.files_added);
    case kChangeColumnRemoved:
      return CountText(direct ? f.direct_files_removed : f.files_removed);
    default:
      return {};
  }
}

std::wstring ChangeRowModel::RowPath(std::int64_t index) const {
  const ChangeRow* row = RowAt(index);
  if (row == nullptr) return {};
  if (const ComparedFile* file = FileOfRow(index)) return ComparedFilePath(*scans_, *file);
  return ComparedPath(*scans_, row->folder);
}

std::optional<std::size_t> ChangeRowModel::ParentRow(std::int64_t index) const {
  const ChangeRow* row = RowAt(index);
  if (row == nullptr || row->depth == 0) return std::nullopt;
  for (auto at = static_cast<std::size_t>(index); at-- > 0;) {
    if (rows_[at].depth < row->depth) return at;
  }
  return std::nullopt;
}

std::optional<std::size_t> ChangeRowModel::FindRow(const ChangeRow& key) const {
  for (std::size_t at = 0; at < rows_.size(); ++at) {
    const ChangeRow& row = rows_[at];
    if (row.folder == key.folder && row.is_direct_files == key.is_direct_files && row.is_file == key.is_file &&
        row.file_index == key.file_index) {
      return at;
    }
  }
  return std::nullopt;
}

std::wstring GrownCellText(const ComparedScans& scans, std::size_t index, std::int32_t column) {
  return index < scans.grown.size() ? FileListCell(scans, scans.grown[index], column, false) : std::wstring();
}

std::wstring GrownFilePath(const ComparedScans& scans, std::size_t index) {
  return index < scans.grown.size() ? ComparedFilePath(scans, scans.grown[index]) : std::wstring();
}

std::wstring LostCellText(const ComparedScans& scans, std::size_t index, std::int32_t column) {
  return index < scans.lost.size() ? FileListCell(scans, scans.lost[index], column, true) : std::wstring();
}

std::wstring LostFilePath(const ComparedScans& scans, std::size_t index) {
  return index < scans.lost.size() ? ComparedFilePath(scans, scans.lost[index]) : std::wstring();
}

std::optional<std::int64_t> SurvivingFolderId(const ComparedScans& scans, std::uint32_t folder) {
  for (std::uint32_t at = folder; at < scans.folders.size(); at = scans.folders[at].parent) {
    const ComparedFolder& f = scans.folders[at];
    if (f.new_folder != kNoSide) return scans.new_scan->folders[f.new_folder].id;
    if (at == 0) break;
  }
  return std::nullopt;
}

FileRowTarget TargetOfFile(const ComparedScans& scans, const ComparedFile& file) {
  FileRowTarget target;
  if (file.new_file != kNoSide) {
    target.browse_path = ComparedFilePath(scans, file);
  } else {
    target.show_folder = SurvivingFolderId(scans, file.folder);
  }
  return target;
}

ChangeKeyAction PressChangeListKey(ChangeRowModel& rows, std::optional<std::size_t> selected, ChangeListKey key) {
  ChangeKeyAction action;
  if (!selected) return action;
  const auto index = static_cast<std::int64_t>(*selected);
  const ChangeRow* row = rows.RowAt(index);
  if (row == nullptr) return action;
  const ChangeRow here = *row;
  switch (key) {
    case ChangeListKey::kRight:
      if (here.expandable && !rows.IsOpen(here)) {
        action.rows_changed = rows.ToggleRow(here);
        action.select_row = rows.FindRow(here);
      } else if (here.expandable && *selected + 1 < rows.RowCount()) {
        action.select_row = *selected + 1;
      }
      break;
    case ChangeListKey::kLeft:
      if (here.expandable && rows.IsOpen(here)) {
        action.rows_changed = rows.ToggleRow(here);
        action.select_row = rows.FindRow(here);
      } else {
        action.select_row = rows.ParentRow(index);
      }
      break;
    case ChangeListKey::kEnter:
      action.show_folder = SurvivingFolderId(*rows.scans(), here.folder);
      break;
    case ChangeListKey::kBackspace:
      action.select_row = rows.ParentRow(index);
      break;
  }
  return action;
}

std::wstring ChangeStatusSuffix(const ComparedScans& scans, const std::wstring& lead) {
  std::wstring suffix = lead.empty() ? std::wstring(text::kChangeStatusLead) : lead;
  const std::wstring when = FormatFileTime(FileTimeOfUnixSeconds(scans.old_scan->scanned_at));
  if (!when.empty()) suffix += L" (" + when + L") ";
  const std::int64_t change = scans.folders.empty() ? 0 : scans.folders[0].alloc_change();
  if (change == 0) return suffix + text::kChangeStatusSame;
  const std::wstring amount = FormatSizeChange(change, L'-').substr(1);
  return suffix + (change > 0 ? text::kChangeStatusGrew : text::kChangeStatusShrank) + (L" " + amount);
}

}  // namespace tw
