// The result views as far as the shell needs them: each list gets its columns
// and extended styles, its row count after a scan and its cell texts through
// LVN_GETDISPINFOW with default drawing; the treemap paints its white area.
// The custom-drawn lists, the treemap painting and the navigation between
// them take the place of this file.
#include "result_views.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "app_state.h"
#include "format/format.h"

namespace tw {
namespace {

constexpr std::size_t kFileViewRows = 200;

struct Column {
  const wchar_t* title;
  int width;
  bool right;
};

void InsertColumns(HWND list, std::initializer_list<Column> columns) {
  int index = 0;
  for (const Column& column : columns) {
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lv.pszText = const_cast<wchar_t*>(column.title);
    lv.cx = S(column.width);
    lv.fmt = column.right ? LVCFMT_RIGHT : LVCFMT_LEFT;
    lv.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lv));
    ++index;
  }
}

void CopyCell(NMLVDISPINFOW& info, const std::wstring& text) {
  LVITEMW& item = info.item;
  if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
  const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
  const std::size_t n = std::min(room, text.size());
  std::wmemcpy(item.pszText, text.data(), n);
  item.pszText[n] = L'\0';
}

std::wstring ExtensionCell(std::int64_t index, int column) {
  const AppState& app = g_app;
  if (index < 0 || static_cast<std::size_t>(index) >= app.extension_view.size()) return L"";
  const std::uint64_t at = app.extension_view[static_cast<std::size_t>(index)];
  if (at >= app.result.extensions.size()) return L"";
  const ExtStat& stat = app.result.extensions[at];
  switch (column) {
    case 0: return stat.extension;
    case 1: return FormatSize(static_cast<std::uint64_t>(stat.total_size));
    case 2: {
      const double total = static_cast<double>(app.result.root_total_size);
      return FormatPercent(total > 0 ? static_cast<double>(stat.total_size) * 100.0 / total : 0.0);
    }
    case 3: return FormatCount(stat.file_count);
    default: return L"";
  }
}

std::wstring FileCell(std::int64_t index, int column) {
  const AppState& app = g_app;
  if (index < 0 || static_cast<std::size_t>(index) >= app.file_view.size()) return L"";
  const std::uint64_t at = app.file_view[static_cast<std::size_t>(index)];
  if (at >= app.result.largest_files.size()) return L"";
  const FileEntry& file = app.result.largest_files[at];
  switch (column) {
    case 0: return file.name;
    case 1: return file.folder_path;
    case 2: return file.extension;
    case 3: return FormatSize(static_cast<std::uint64_t>(file.size));
    case 4: return FormatSize(static_cast<std::uint64_t>(file.alloc));
    case 5: return FormatFileTime(file.mtime);
    default: return L"";
  }
}

void SetCount(HWND list, std::size_t count) {
  SendMessageW(list, LVM_SETITEMCOUNT, count, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

void SetupFolderList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
  InsertColumns(list, {{L"文件夹", 185, false},
                       {L"占父目录 %", 130, false},
                       {L"大小", 110, true},
                       {L"分配", 110, true},
                       {L"项目", 90, true},
                       {L"文件", 90, true},
                       {L"文件夹", 90, true},
                       {L"修改时间", 160, false},
                       {L"属性", 90, false}});
}

void SetupExtensionList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  InsertColumns(list, {{L"扩展名", 120, false}, {L"大小", 120, true}, {L"占比", 90, true}, {L"文件数", 90, true}});
}

void SetupFileList(HWND list) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  InsertColumns(list, {{L"文件名", 240, false},
                       {L"路径", 360, false},
                       {L"扩展名", 100, false},
                       {L"大小", 110, true},
                       {L"分配", 110, true},
                       {L"修改时间", 160, false}});
}

LRESULT OnFolderListNotify(NMHDR& header) {
  if (header.code == LVN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
    CopyCell(info, g_app.rows.CellText(info.item.iItem, info.item.iSubItem));
  }
  return 0;
}

LRESULT OnExtensionListNotify(NMHDR& header) {
  if (header.code == LVN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
    CopyCell(info, ExtensionCell(info.item.iItem, info.item.iSubItem));
  }
  return 0;
}

LRESULT OnFileListNotify(NMHDR& header) {
  if (header.code == LVN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
    CopyCell(info, FileCell(info.item.iItem, info.item.iSubItem));
  }
  return 0;
}

void OnFolderColumnClick(std::int32_t column) {
  AppState& app = g_app;
  app.rows.SetSort(column);
  SetCount(app.folder_list, app.rows.RowCount());
  SetHeaderSortArrow(app.folder_list, app.rows.sort_column(), app.rows.sort_ascending());
}

void OnExtensionColumnClick(std::int32_t) {}
void OnFileColumnClick(std::int32_t) {}

void RefreshExtensionList() {
  AppState& app = g_app;
  app.extension_view.clear();
  for (std::size_t i = 0; i < app.result.extensions.size(); ++i) app.extension_view.push_back(i);
  SetCount(app.extension_list, app.extension_view.size());
}

void RefreshFileView() {
  AppState& app = g_app;
  app.file_view.clear();
  for (std::size_t i = 0; i < app.result.largest_files.size() && app.file_view.size() < kFileViewRows; ++i) {
    if (app.result.largest_files[i].size > 0) app.file_view.push_back(i);
  }
  SetCount(app.file_list, app.file_view.size());
}

void RebuildTreemapItems() { InvalidateRect(g_app.treemap, nullptr, TRUE); }

void UpdateTreemapCaption() {}

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
