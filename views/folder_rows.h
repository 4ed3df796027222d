#pragma once
// The folder tree list as a flat list of visible rows, over a ScanResult.
//
// The folder list is virtual: it asks for the text and drawing of row i on
// demand, and this model answers. One row per visible folder, indented by
// depth; under every open folder that holds files directly one "[直接文件]"
// row, which can itself be opened to show those files one per row. The model
// keeps which folders and which "[直接文件]" rows are open and the sort
// column and direction. Every change rebuilds the whole row list from the
// root, so row indices are valid only until the next change.
//
// Pure logic: no window-system calls. Upward walks follow
// DirNode.tree_parent_id (where a folder hangs in the tree), never parent_id.
// Used on the user-interface thread only.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/scan_result.h"

namespace tw {

// The nine columns of the folder tree list.
enum FolderColumn : std::int32_t {
  kFolderColumnName = 0,
  kFolderColumnParentPercent = 1,  // share of the parent's allocated bytes
  kFolderColumnSize = 2,
  kFolderColumnAlloc = 3,
  kFolderColumnItems = 4,  // files + folders
  kFolderColumnFiles = 5,
  kFolderColumnFolders = 6,
  kFolderColumnModified = 7,
  kFolderColumnAttributes = 8,
};
inline constexpr std::int32_t kFolderColumnCount = 9;

// The id of a "[直接文件]" row: beyond every record number (48 bits), and
// positive, so that no lookup ever takes it for the root.
inline constexpr RecordId kDirectFilesEntry = std::numeric_limits<RecordId>::max();

// One visible row. Exactly one kind applies: a folder row has both flags
// false. File rows carry no sizes: read them from the FileItem (FileOfRow).
struct FolderRow {
  RecordId id = 0;               // folder: its id; "[直接文件]": kDirectFilesEntry; file: FileItem.id
  RecordId folder_id = 0;        // "[直接文件]" and file rows: the folder holding the files; else 0
  std::uint64_t file_index = 0;  // file row: index among the files of folder_id; else 0
  std::int32_t depth = 0;        // the root row is 0
  bool expandable = false;       // shows an open/close triangle
  bool is_direct_files = false;
  bool is_file = false;
  std::int64_t size = 0;        // "[直接文件]" row: direct_size; else 0
  std::int64_t alloc = 0;       // "[直接文件]" row: direct_alloc; else 0
  std::int32_t file_count = 0;  // "[直接文件]" row: direct_file_count; else 0
};

// What a row shows, independent of where the rows are sorted: a folder by
// its id, a "[直接文件]" row by its folder, a file by its folder and its
// index among that folder's files.
struct FolderRowKey {
  RecordId id = 0;
  RecordId folder_id = 0;
  std::uint64_t file_index = 0;
  bool is_direct_files = false;
  bool is_file = false;
  friend bool operator==(const FolderRowKey&, const FolderRowKey&) = default;
};

class FolderRowModel {
 public:
  using IdSet = std::unordered_set<RecordId>;

  // A new result has been moved into place (the pointer is kept, not owned):
  // both open sets are cleared, the root alone is opened and the rows are
  // rebuilt. The sort state survives. Null clears everything.
  void ResetForResult(const ScanResult* result);

  // A new generation of the same scan has been moved into place (kept, not
  // owned): the folders and "[直接文件]" rows that stay open are those the
  // new result still holds; the rows are rebuilt. The sort state survives.
  void FollowResult(const ScanResult* result);

  // Discards the rows and rebuilds them from the root. Without a result, or
  // when the result has no root folder, the rows are just emptied.
  void Rebuild();

  // Opens or closes a folder that has a child or direct files, then rebuilds.
  // Returns false (and changes nothing) for any other id.
  bool ToggleFolder(RecordId folder_id);

  // Opens or closes the "[直接文件]" row of a folder with direct_file_count
  // > 0, then rebuilds. Returns false (and changes nothing) otherwise.
  bool ToggleFileGroup(RecordId folder_id);

  // Opens every folder on the path from the root down to this one (itself
  // included when it can be opened), then rebuilds. The walk up records at
  // most 512 folders, the ones closest to the given folder.
  void RevealFolder(RecordId folder_id);

  // A header click: the same column flips the direction, another column
  // starts descending. Then rebuilds.
  void SetSort(std::int32_t column);

  // Rows. An index outside the rows yields null, "", 0.0 or none below.
  std::size_t RowCount() const { return rows_.size(); }
  const std::vector<FolderRow>& rows() const { return rows_; }
  const FolderRow* RowAt(std::int64_t index) const;

  // The text the list reports for a cell; "" for a column above 8.
  std::wstring CellText(std::int64_t index, std::int32_t column) const;
  // The share of the parent folder's allocated bytes, in percent; not
  // clamped. The root (whose tree parent is itself) gives 100.0.
  double ParentPercent(std::int64_t index) const;
  // The full path of the row: C:\Windows\System32, C:\ for the root, the
  // folder for a "[直接文件]" row, its folder's path (BuildFolderPath) plus
  // the name for a file row.
  std::wstring RowPath(std::int64_t index) const;
  // The file a file row shows; null for other rows or a stale index.
  const FileItem* FileOfRow(const FolderRow& row) const;
  const FileItem* FileOfRow(std::int64_t index) const;

  // Where a folder's row, or its "[直接文件]" row, is in the current rows.
  std::optional<std::size_t> FolderRowIndex(RecordId folder_id) const;
  std::optional<std::size_t> DirectFilesRowIndex(RecordId folder_id) const;

  // The key of row `index`, and the row that shows a key now (none when it
  // is not shown, e.g. under a closed folder).
  std::optional<FolderRowKey> KeyOfRow(std::int64_t index) const;
  std::optional<std::size_t> FindRow(const FolderRowKey& key) const;
  // The nearest row above `index` one level up; none for the root row.
  std::optional<std::size_t> ParentRow(std::int64_t index) const;

  // Whether the row's triangle is drawn open.
  bool IsRowOpen(const FolderRow& row) const;

  const ScanResult* result() const { return result_; }
  const IdSet& expanded_folders() const { return expanded_folders_; }
  const IdSet& expanded_file_groups() const { return expanded_file_groups_; }
  std::int32_t sort_column() const { return sort_column_; }
  bool sort_ascending() const { return sort_ascending_; }

 private:
  struct Frame;

  const DirNode* Folder(RecordId id) const;
  std::span<const FileItem> Files(RecordId folder_id) const;
  void EmitFolder(RecordId id, const DirNode& folder, std::int32_t depth, std::vector<Frame>& stack);
  void EmitFiles(RecordId folder_id, std::int32_t depth);

  const ScanResult* result_ = nullptr;
  std::vector<FolderRow> rows_;
  IdSet expanded_folders_;
  IdSet expanded_file_groups_;
  std::int32_t sort_column_ = kFolderColumnSize;
  bool sort_ascending_ = false;

  // Row indices by folder id, rebuilt with the rows, so that finding a row
  // never scans the list.
  std::unordered_map<RecordId, std::size_t> folder_rows_;
  std::unordered_map<RecordId, std::size_t> direct_files_rows_;
};

}  // namespace tw
