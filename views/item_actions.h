#pragma once
// Acting on an item the window shows: which of our menu items a row or a
// cell offers, whether it may be deleted and why not, the question asked
// before deleting, and the line after. Every list and every treemap hands
// its row or cell over as an ItemRef, so all of them act alike.
//
// Deleting is the first time the program writes to a volume, and a wrong
// deletion cannot be taken back: what the shell could misread, what the
// volume needs and what the window cannot vouch for is refused with a
// reason, before anything is asked.
//
// Pure logic: no window-system calls.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ids.h"
#include "model/scan_result.h"

namespace tw {

// What a row or a cell shows.
enum class ItemKind : std::uint8_t {
  kFolder,       // a folder of the result
  kFile,         // a file of the result
  kDirectFiles,  // a "[直接文件]" row or cell: the files directly in a folder
  kMerged,       // the treemap's grey cell of items too small to draw
};

struct ItemRef {
  ItemKind kind = ItemKind::kFolder;
  RecordId id = 0;         // the folder's or the file's record
  RecordId folder_id = 0;  // a file's folder; the folder of "[直接文件]" and grey cells
  std::wstring path;       // the full path, as the window shows it
};

// Where the result shown came from: scanned from a drive of this machine,
// or read from a file (another machine's, perhaps).
enum class ResultOrigin : std::uint8_t { kScanned, kLoaded };

// Which of our items the menu offers; the shell's own follow when asked for
// and the shell can parse the path.
struct ItemMenuPlan {
  bool show_in_explorer = false;
  bool copy_path = true;
  bool delete_items = false;  // 删除 and 永久删除
  bool shell_items = false;
};
ItemMenuPlan PlanItemMenu(const ItemRef& item, ResultOrigin origin);

// The file of a result with a record number; null when the result holds
// none (it was deleted, or never was a file).
const FileItem* FindFileById(const ScanResult& result, RecordId id);

// Why the item may not be deleted, as the whole line ("无法删除: …"); none
// when it may. Refused: the root, the NTFS metadata files (records 0 to 23,
// which the volume keeps for itself, and everything under $Extend),
// anything while a scan runs, a result not scanned from a drive of
// this machine, a "[直接文件]" row or grey cell, an item the result no
// longer holds, and a path the shell would misread: a "*" or "?" in it, a
// name ending in a dot or a blank, a reserved device name (CON, PRN, AUX,
// NUL, COM1-9, LPT1-9, with any extension), or a path of MAX_PATH (260)
// units or more.
std::optional<std::wstring> DeleteRefusal(const ScanResult& result, const ItemRef& item, ResultOrigin origin,
                                          bool scanning);

// What the item holds, for the question: its bytes, files and folders (a
// file: its own size, 1 and 0; a folder: its totals, itself not counted).
struct ItemTotals {
  std::int64_t size = 0;
  std::int64_t files = 0;
  std::int64_t folders = 0;
};
ItemTotals TotalsOf(const ScanResult& result, const ItemRef& item);

// The question before deleting: "将 “名称” 移到回收站？ 大小 X · N 个文件 · M 个文件夹",
// or for a permanent deletion "永久删除 “名称”？ 此操作无法撤销。 大小 …".
std::wstring DeleteQuestion(const ScanResult& result, const ItemRef& item, bool permanent);

// The item's name (the last part of its path).
std::wstring ItemName(const ItemRef& item);

// The records a deletion of the item touches: its own record. Its folder,
// the parents it names now and the subtree of a folder follow from it when
// the records are read again.
std::vector<RecordId> TouchedRecords(const ItemRef& item);

// How a deletion ended, for the status line.
struct DeleteOutcome {
  std::int32_t deleted = 0;      // items gone from their path
  std::int32_t not_deleted = 0;  // items still there
  std::wstring first_reason;     // why the first of them was not deleted
  bool recycled = false;         // to the Recycle Bin
};
// "已移到回收站 — 清空回收站后才会释放空间", "已删除 “名称”", or
// "N 个项目未能删除: reason" when some remain.
std::wstring DeleteStatus(const DeleteOutcome& outcome, const std::wstring& name);

}  // namespace tw
