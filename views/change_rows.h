#pragma once
// The 变化 page over a comparison of the volume's previous scan with the new
// one: the folder tree of changes as a flat list of visible rows, the files
// that appeared or grew most, and the keys of the change list.
//
// The rows follow the comparison's order (largest growth of allocated bytes
// first) and show what `tarnwick-scan --compare` prints for the same two
// scans: under every open folder that holds files directly in either scan
// one "[直接文件]" row, then its child folders. A "[直接文件]" row whose files
// changed opens to show them, one row per file that appeared, vanished or
// changed size, largest growth first. With only the changes shown, the
// folders in which nothing changed (their sizes and counts, and those of
// everything below them) are left out, and so are the "[直接文件]" rows
// whose files did not change. Row indices are valid until the
// next change.
//
// Pure logic: no window-system calls. Used on the user-interface thread only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/scan_compare.h"
#include "views/folder_list_keys.h"
#include "texts/texts.h"
#include "views/main_paint.h"  // Colour
#include "views/result_list.h"  // ListColumn

namespace tw {

// The six columns of the change list.
enum ChangeColumn : std::int32_t {
  kChangeColumnName = 0,
  kChangeColumnChange = 1,  // signed change of allocated bytes
  kChangeColumnNow = 2,     // allocated bytes in the new scan
  kChangeColumnBefore = 3,  // allocated bytes in the previous scan
  kChangeColumnAdded = 4,   // files that appeared below the folder
  kChangeColumnRemoved = 5, // files that vanished below it
};
inline constexpr std::int32_t kChangeColumnCount = 6;

// The five columns of the list of files that grew.
enum GrownColumn : std::int32_t {
  kGrownColumnName = 0,
  kGrownColumnGain = 1,    // bytes added, "+5.00 MB"
  kGrownColumnNow = 2,     // size in the new scan
  kGrownColumnBefore = 3,  // size in the previous scan ("0 B" for a new file)
  kGrownColumnFolder = 4,  // the folder's path
};
inline constexpr std::int32_t kGrownColumnCount = 5;

// The name column has room for a vanished folder's name with what it held.
inline constexpr ListColumn kChangeListColumns[] = {
    {text::kColumnFolder, 360, false}, {text::kCompareChange, 120, true},    {text::kColumnNow, 110, true},
    {text::kCompareBefore, 110, true}, {text::kCompareFilesAdded, 90, true}, {text::kCompareFilesRemoved, 90, true},
};

// The two file lists share the page's width side by side: narrower columns.
inline constexpr ListColumn kGrownListColumns[] = {
    {text::kColumnFileName, 200, false}, {text::kColumnGain, 100, true},  {text::kColumnNow, 90, true},
    {text::kCompareBefore, 90, true},    {text::kColumnPath, 320, false},
};
inline constexpr ListColumn kLostListColumns[] = {
    {text::kColumnFileName, 200, false}, {text::kColumnLoss, 100, true},  {text::kColumnNow, 90, true},
    {text::kCompareBefore, 90, true},    {text::kColumnPath, 320, false},
};

// The five columns of the list of files that vanished or shrank.
enum LostColumn : std::int32_t {
  kLostColumnName = 0,
  kLostColumnLoss = 1,    // bytes lost, with U+2212: "−5.00 MB"
  kLostColumnNow = 2,     // size in the new scan ("0 B" for a vanished file)
  kLostColumnBefore = 3,  // size in the previous scan
  kLostColumnFolder = 4,  // the folder's path
};
inline constexpr std::int32_t kLostColumnCount = 5;

// How many files each of the page's file lists holds.
inline constexpr std::size_t kGrownFileCount = 200;

// One visible row: a folder of either scan, its "[直接文件]" row, or one of
// its changed files.
struct ChangeRow {
  std::uint32_t folder = 0;  // index into ComparedScans::folders
  std::int32_t depth = 0;    // the root row is 0
  bool is_direct_files = false;
  bool expandable = false;
  bool is_file = false;
  std::uint32_t file_index = 0;  // file row: index among ChangedFilesIn(folder)
  friend bool operator==(const ChangeRow&, const ChangeRow&) = default;
};

class ChangeRowModel {
 public:
  // A new comparison (not owned; null clears): only the root is open. Whether
  // only the changes are shown stays as it was.
  void Reset(const ComparedScans* scans);

  // Shows only the folders (and "[直接文件]" rows) that changed, or all of
  // them; the root row always. Open folders stay open. Off at first.
  void SetChangedOnly(bool changed_only);
  bool changed_only() const { return changed_only_; }

  // Opens or closes a folder row's folder; false (nothing changes) for a
  // folder without rows below it.
  bool Toggle(std::uint32_t folder);
  // Opens or closes a folder's "[直接文件]" row; false when none of its
  // files changed.
  bool ToggleFiles(std::uint32_t folder);
  // Toggle or ToggleFiles as the row is a folder or a "[直接文件]" row.
  bool ToggleRow(const ChangeRow& row);
  bool IsOpen(const ChangeRow& row) const;

  std::size_t RowCount() const { return rows_.size(); }
  const std::vector<ChangeRow>& rows() const { return rows_; }
  // Null for an index outside the rows.
  const ChangeRow* RowAt(std::int64_t index) const;

  // The text of a cell; "" outside the rows and columns. Changes carry
  // their sign with U+2212 for a loss, "+1.20 GB"; added folders and files
  // carry " (新增)" after their name, vanished files " (已删除)", and
  // vanished folders what they held: " (已删除 · 27 个文件 · 2 个文件夹)".
  std::wstring CellText(std::int64_t index, std::int32_t column) const;
  // The row's change of allocated bytes (the colour of its 变化 cell).
  std::int64_t AllocChange(std::int64_t index) const;
  // The folder's full path (the newer scan's drive); a "[直接文件]" row's
  // is its folder's, a file row's the file's.
  std::wstring RowPath(std::int64_t index) const;
  // The file a file row shows; null for other rows.
  const ComparedFile* FileOfRow(std::int64_t index) const;
  // The nearest row above `index` one level up; none for the root row.
  std::optional<std::size_t> ParentRow(std::int64_t index) const;
  // Where a row shows now (none when it is under a closed folder).
  std::optional<std::size_t> FindRow(const ChangeRow& key) const;

  const ComparedScans* scans() const { return scans_; }

 private:
  void Rebuild();
  bool Shown(std::uint32_t folder) const;
  bool DirectFilesShown(std::uint32_t folder) const;
  bool Expandable(std::uint32_t folder) const;

  const ComparedScans* scans_ = nullptr;
  bool changed_only_ = false;
  std::vector<std::uint8_t> open_, open_files_;  // by folder index
  // By folder index: the folder, its direct files or anything below it changed.
  std::vector<std::uint8_t> changed_below_;
  // The changed files of each folder whose "[直接文件]" row was opened.
  std::unordered_map<std::uint32_t, std::vector<ComparedFile>> files_;
  std::vector<ChangeRow> rows_;
};

// The text of a cell of the list of files that grew (ComparedScans::grown).
std::wstring GrownCellText(const ComparedScans& scans, std::size_t index, std::int32_t column);
std::wstring GrownFilePath(const ComparedScans& scans, std::size_t index);

// The same for the list of files that vanished or shrank (ComparedScans::lost).
std::wstring LostCellText(const ComparedScans& scans, std::size_t index, std::int32_t column);
std::wstring LostFilePath(const ComparedScans& scans, std::size_t index);

// The folder of the new scan that stands for a compared folder in the tree
// view: the folder itself when it is still there, otherwise its nearest
// parent that is (its id); none when the new scan holds no folders.
std::optional<std::int64_t> SurvivingFolderId(const ComparedScans& scans, std::uint32_t folder);

// What Enter does on a row of a file list of the page: a file still there is
// shown in the shell's file browser (its path); a vanished one by its
// nearest surviving folder in the tree view.
struct FileRowTarget {
  std::wstring browse_path;                // "" when the file is gone
  std::optional<std::int64_t> show_folder;  // set when the file is gone
};
FileRowTarget TargetOfFile(const ComparedScans& scans, const ComparedFile& file);

// ---- Keys ---------------------------------------------------------------------

// The keys are those of the folder list.
using ChangeListKey = FolderListKey;

// What a key did: refresh the list when rows_changed, then select and show
// select_row; show_folder asks the window to show that folder of the new
// scan (its id) in the tree view.
struct ChangeKeyAction {
  bool rows_changed = false;
  std::optional<std::size_t> select_row;
  std::optional<std::int64_t> show_folder;
};

// Right opens a closed row, or moves to the first row below an open one;
// Left closes an open row, or moves to the parent row; Enter shows the
// row's folder in the tree view, or the nearest parent still there of a
// folder that vanished; Backspace moves to the parent row. `selected` is
// none when no row is selected.
ChangeKeyAction PressChangeListKey(ChangeRowModel& rows, std::optional<std::size_t> selected, ChangeListKey key);

// ---- Texts ----------------------------------------------------------------------

// The status line's end after a scan compared with the previous one:
// " · 比上次 (2026/12/1 09:30:05) 增加 3.40 GB", "… 减少 300.00 MB", "… 无变化",
// by the change of the volume's allocated bytes; the time in local time as
// the time columns show it, left out when the previous scan's is unknown.
// `lead` replaces " · 比上次" for another baseline (" · 比一周前").
std::wstring ChangeStatusSuffix(const ComparedScans& scans, const std::wstring& lead = L"");

}  // namespace tw
