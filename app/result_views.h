#pragma once
// What the main window asks of the result views: the list set-up, their
// notification handlers, the refresh after a scan, the treemap and its
// caption. Each call hands the views the parts of AppState they read.

#include <windows.h>

#include <cstdint>
#include <optional>

namespace tw {

void SetupFolderList(HWND list);
void SetupExtensionList(HWND list);
void SetupFileList(HWND list);
void SetupChangeLists(HWND change_list, HWND grown_list);

LRESULT OnFolderListNotify(NMHDR& header);
LRESULT OnExtensionListNotify(NMHDR& header);
LRESULT OnFileListNotify(NMHDR& header);
LRESULT OnChangeListNotify(NMHDR& header);
LRESULT OnGrownListNotify(NMHDR& header);

// Header clicks of each list: the sort state changes, the list is refilled.
void OnFolderColumnClick(std::int32_t column);
void OnExtensionColumnClick(std::int32_t column);
void OnFileColumnClick(std::int32_t column);

// Right, Left, Enter, Backspace and Ctrl+C in the folder list and the change
// list, Enter and Ctrl+C in the file view and the list of files that grew;
// installed once the lists exist.
void InstallListKeys();
// A new result: no folder row stays selected.
void ClearFolderListSelection();

// A new result handed over: its rows shown, nothing selected.
void ShowNewExtensionRows();
void ShowNewFileRows();
// The 变化 page after a scan: both lists refilled, or the one-line message
// when there is nothing to compare; shown as the active page asks.
void RefreshChangePage();
// Shows the 变化 page's controls that apply (visible is whether the page is
// the active one).
void ShowChangePage(bool visible);
// The treemap items rebuilt for the folder the treemap state names, then
// redrawn; or only redrawn (the items are new already).
void RebuildTreemapItems();
void RedrawTreemap();
void UpdateTreemapCaption();

// The treemap window's class and what it reads (the items, font_small, the
// navigation); called once, before the main window creates the control.
void RegisterTreemap(HINSTANCE instance);

// Shows a folder in 树状视图 (the tab chosen, its row selected, the
// treemap on it), or one of its files (its position among the folder's
// files): the folder's files listed and the file's row selected.
void ShowItemInTree(std::int64_t folder_id, std::optional<std::uint64_t> file_position);

// The registered message by which a test probe asks the running program for
// its GDI object counts: wParam 0 the live objects of the GDI owner types,
// 1 those created so far, 2 the process's GDI objects as the system counts
// them (0 where the system does not say).
UINT GdiCountMessage();
LRESULT AnswerGdiCount(WPARAM which);

}  // namespace tw
