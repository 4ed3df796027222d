// The result views as far as the shell needs them: each list gets its columns
// and extended styles, its rows after a scan and its cell texts through
// LVN_GETDISPINFOW with default drawing; header clicks re-sort; the treemap
// items and caption follow the scan, and the treemap paints its white area.
// The custom-drawn lists, the treemap painting and the navigation between
// list and treemap take the place of this file.
#include "result_views.h"

#include <commctrl.h>

#include <span>

#include "app_state.h"
#include "views/result_list.h"

namespace tw {
namespace {

constexpr ListColumn kFolderListColumns[] = {
    {L"文件夹", 185, false}, {L"占父目录 %", 130, false}, {L"大小", 110, true},
    {L"分配", 110, true},    {L"项目", 90, true},          {L"文件", 90, true},
    {L"文件夹", 90, true},   {L"修改时间", 160, false},    {L"属性", 90, false},
};

void InsertColumns(HWND list, std::span<const ListColumn> columns) {
  int index = 0;
  for (const ListColumn& column : columns) {
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lv.pszText = const_cast<wchar_t*>(column.header);
    lv.cx = S(column.width);
    lv.fmt = column.right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    lv.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lv));
    ++index;
  }
}

// Answers a list's text request with the given cell text.
template <typename CellText>
LRESULT AnswerDispInfo(NMHDR& header, CellText cell_text) {
  if (header.code != LVN_GETDISPINFOW) return 0;
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
  if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
    CopyCellText(cell_text(item.iItem, item.iSubItem), item.pszText, static_cast<std::size_t>(item.cchTextMax));
  }
  return 0;
}

void SetCount(HWND list, std::size_t count) {
  SendMessageW(list, LVM_SETITEMCOUNT, count, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

void SetupFolderList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
  InsertColumns(list, kFolderListColumns);
}

void SetupExtensionList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  InsertColumns(list, kExtensionListColumns);
}

void SetupFileList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  InsertColumns(list, kFileViewColumns);
}

LRESULT OnFolderListNotify(NMHDR& header) {
  return AnswerDispInfo(header, [](int row, int column) { return g_app.rows.CellText(row, column); });
}

LRESULT OnExtensionListNotify(NMHDR& header) {
  return AnswerDispInfo(header, [](int row, int column) -> std::wstring {
    const auto at = ExtensionRowPosition(g_app.result, g_app.extensions, row);
    return at ? ExtensionCellText(g_app.result, g_app.result.extensions[*at], column) : L"";
  });
}

LRESULT OnFileListNotify(NMHDR& header) {
  return AnswerDispInfo(header, [](int row, int column) -> std::wstring {
    const FileEntry* file = FileViewEntry(g_app.result, g_app.files, row);
    return file != nullptr ? FileViewCellText(*file, column) : L"";
  });
}

void OnFolderColumnClick(std::int32_t column) {
  AppState& app = g_app;
  app.rows.SetSort(column);
  SetCount(app.folder_list, app.rows.RowCount());
  SetHeaderSortArrow(app.folder_list, app.rows.sort_column(), app.rows.sort_ascending());
}

void OnExtensionColumnClick(std::int32_t column) {
  AppState& app = g_app;
  ExtensionListColumnClick(app.result, app.extensions, column);
  SetCount(app.extension_list, app.extensions.extension_view.size());
  SetHeaderSortArrow(app.extension_list, app.extensions.sort.sort_column, app.extensions.sort.sort_ascending);
}

void OnFileColumnClick(std::int32_t column) {
  AppState& app = g_app;
  FileViewColumnClick(app.result, app.files, column);
  SetCount(app.file_list, app.files.file_view.size());
  SetHeaderSortArrow(app.file_list, app.files.sort.sort_column, app.files.sort.sort_ascending);
}

void RefreshExtensionList() {
  AppState& app = g_app;
  RefreshExtensionList(app.result, app.extensions);
  SetCount(app.extension_list, app.extensions.extension_view.size());
  SetHeaderSortArrow(app.extension_list, app.extensions.sort.sort_column, app.extensions.sort.sort_ascending);
}

void RefreshFileView() {
  AppState& app = g_app;
  RefreshFileView(app.result, app.files);
  SetCount(app.file_list, app.files.file_view.size());
  SetHeaderSortArrow(app.file_list, app.files.sort.sort_column, app.files.sort.sort_ascending);
}

void RebuildTreemapItems() {
  AppState& app = g_app;
  app.treemap_state.treemap_show_files =
      RebuildTreemapItems(app.result, static_cast<std::int64_t>(app.treemap_state.treemap_folder_id),
                          app.treemap_state.treemap_show_files, app.treemap_items);
  InvalidateRect(app.treemap, nullptr, TRUE);
}

void UpdateTreemapCaption() {
  SetWindowTextW(g_app.treemap_title, TreemapCaption(&g_app.result, g_app.treemap_state).c_str());
}

void SetHeaderSortArrow(HWND list, std::int32_t column, bool ascending) {
  HWND header = ListView_GetHeader(list);
  if (header == nullptr) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

LRESULT CALLBACK TreemapWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &paint);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tw
