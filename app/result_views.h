#pragma once
// What the main window asks of the result views: the list set-up, their
// notification handlers, the refresh after a scan and the treemap control.
// This shell gives the lists their columns and row counts with default
// drawing and paints the treemap white; the custom-drawn views replace it.

#include <windows.h>

#include <cstdint>

namespace tw {

void SetupFolderList(HWND list);
void SetupExtensionList(HWND list);
void SetupFileList(HWND list);

LRESULT OnFolderListNotify(NMHDR& header);
LRESULT OnExtensionListNotify(NMHDR& header);
LRESULT OnFileListNotify(NMHDR& header);

// Header clicks of each list: the sort state changes, the list is refilled.
void OnFolderColumnClick(std::int32_t column);
void OnExtensionColumnClick(std::int32_t column);
void OnFileColumnClick(std::int32_t column);

void RefreshExtensionList();
void RefreshFileView();
void RebuildTreemapItems();
void UpdateTreemapCaption();
void SetHeaderSortArrow(HWND list, std::int32_t column, bool ascending);

LRESULT CALLBACK TreemapWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tw
