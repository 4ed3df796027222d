#pragma once
// The three custom-drawn result lists over their portable models: the folder
// tree list (rows, triangles, icons, share bars; clicks open folders and move
// the treemap), the extension list (swatches) and the file view (swatches,
// context menu). The main window routes each list's notifications here with
// the state the list reads; nothing here keeps state of its own.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>

#include "model/scan_result.h"
#include "treemap/treemap_items.h"
#include "views/change_rows.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/item_actions.h"
#include "views/treemap_navigation.h"

namespace tw {

// ---- Folder tree list ------------------------------------------------------

struct FolderListContext {
  HWND list = nullptr;
  HWND owner = nullptr;  // the main window: owns the context menu
  FolderRowModel& rows;
  TreemapState& treemap;
  HFONT font = nullptr;  // font_normal, for the name cell
  int dpi = 96;
  // The treemap state changed: rebuild the treemap items, set the caption.
  std::function<void()> treemap_changed;
  ResultOrigin origin = ResultOrigin::kScanned;  // a loaded result's rows offer only 复制路径
};

void SetupFolderListColumns(HWND list, int dpi);
LRESULT FolderListNotify(NMHDR& header, FolderListContext& context);
// A header click: sorts, the selection staying with its row's folder or file.
void FolderListColumnClick(FolderListContext& context, std::int32_t column);
// Right, Left, Enter and Backspace as the folder keys say, Ctrl+C copies the
// selected row's path. True when the key was one of those (the list must
// not act on it as well).
bool FolderListKeyDown(FolderListContext& context, WPARAM key);
// A click on a treemap item: its row selected and scrolled into view.
void FolderListSelectTreemapItem(FolderListContext& context, const TreemapItem& item);

// ---- Extension list ---------------------------------------------------------

struct ExtensionListContext {
  HWND list = nullptr;
  const ScanResult& result;
  ExtensionListState& state;
  int dpi = 96;
};

void SetupExtensionListColumns(HWND list, int dpi);
LRESULT ExtensionListNotify(NMHDR& header, ExtensionListContext& context);
void ExtensionListColumnClick(ExtensionListContext& context, std::int32_t column);
// After a new result, whose rows the state already holds: nothing
// selected, the new row count, the header arrow.
void ShowNewExtensionRows(ExtensionListContext& context);

// ---- File view ----------------------------------------------------------------

struct FileViewContext {
  HWND list = nullptr;
  HWND owner = nullptr;
  const ScanResult& result;
  FileViewState& state;
  const ExtensionListState& extensions;  // the swatch colours follow its order
  int dpi = 96;
  ResultOrigin origin = ResultOrigin::kScanned;
};

void SetupFileViewColumns(HWND list, int dpi);
LRESULT FileViewNotify(NMHDR& header, FileViewContext& context);
void FileViewColumnClick(FileViewContext& context, std::int32_t column);
// Enter shows the selected file in the shell's file browser, Ctrl+C copies
// its path. True when the key was one of those.
bool FileViewKeyDown(FileViewContext& context, WPARAM key);
// After a new result, whose rows the state already holds: as for the
// extension list.
void ShowNewFileRows(FileViewContext& context);

// ---- The 变化 page ------------------------------------------------------------------

struct ChangeListContext {
  HWND list = nullptr;
  HWND owner = nullptr;
  ChangeRowModel& rows;
  HFONT font = nullptr;
  int dpi = 96;
  // Enter on a folder of the new scan: show it (its id) in the tree view.
  std::function<void(std::int64_t)> show_folder;
  ResultOrigin origin = ResultOrigin::kScanned;
};

void SetupChangeListColumns(HWND list, int dpi);
LRESULT ChangeListNotify(NMHDR& header, ChangeListContext& context);
// Right, Left, Enter and Backspace as the change keys say, Ctrl+C copies the
// selected row's path. True when the key was one of those.
bool ChangeListKeyDown(ChangeListContext& context, WPARAM key);
// After a new comparison (or none): the rows from the root, nothing selected.
void RefreshChangeList(ChangeListContext& context);

// The files that appeared or grew most (`lost` false) or that vanished or
// shrank most, under the folder changes.
struct ChangedFilesContext {
  HWND list = nullptr;
  HWND owner = nullptr;
  const ComparedScans* scans = nullptr;  // null: no rows
  bool lost = false;
  int dpi = 96;
  ResultOrigin origin = ResultOrigin::kScanned;
  // Enter on a vanished file: show its nearest folder still there (its id)
  // in the tree view.
  std::function<void(std::int64_t)> show_folder;
};

void SetupChangedFilesColumns(HWND list, bool lost, int dpi);
LRESULT ChangedFilesNotify(NMHDR& header, ChangedFilesContext& context);
// Enter shows the selected file in the shell's file browser, or a vanished
// one's nearest folder still there in the tree view; Ctrl+C copies its
// path. True when the key was one of those.
bool ChangedFilesKeyDown(ChangedFilesContext& context, WPARAM key);
void RefreshChangedFiles(ChangedFilesContext& context);

}  // namespace tw
