// The glue between the main window's state and the result views: each list
// notification, header click and refresh is handed to the views with the
// parts of AppState they read; the treemap navigates through the portable
// rules and the folder list follows.
#include "result_views.h"

#include <commctrl.h>

#include "app_state.h"
#include "main_window.h"
#include "texts/texts.h"
#include "ui/list_drawing_win32.h"
#include "ui/result_lists_win32.h"
#include "ui/treemap_window_win32.h"
#include "views/gdi_owner.h"
#include "views/main_layout.h"

namespace tw {
namespace {

void TreemapChanged() {
  RebuildTreemapItems();
  UpdateTreemapCaption();
}

FolderListContext FolderContext() {
  AppState& app = g_app;
  return FolderListContext{app.folder_list, app.main_window, app.views.rows,      app.views.treemap_state,
                           app.font_normal.get(), g_dpi,           TreemapChanged};
}

ExtensionListContext ExtensionContext() {
  AppState& app = g_app;
  return ExtensionListContext{app.extension_list, *app.views.result, app.views.extensions, g_dpi};
}

FileViewContext FileContext() {
  AppState& app = g_app;
  return FileViewContext{app.file_list, app.main_window, *app.views.result, app.views.files, app.views.extensions, g_dpi};
}

// Enter in the change list: the folder in the tree view, its row selected.
void ShowFolderInTree(std::int64_t folder_id);

ChangeListContext ChangeContext() {
  AppState& app = g_app;
  return ChangeListContext{app.change_list, app.main_window, app.views.changes, app.font_normal.get(), g_dpi, ShowFolderInTree};
}

GrownListContext GrownContext() {
  AppState& app = g_app;
  return GrownListContext{app.grown_list, app.main_window, app.views.comparison.get(), g_dpi};
}

// A double-click in the treemap: the folder list opens the path to the
// folder and selects its row, then the treemap and caption follow.
void NavigateFromTreemap(std::int64_t folder_id, bool show_files) {
  AppState& app = g_app;
  const TreemapNavigationResult outcome =
      NavigateToFolder(app.views.rows, app.views.treemap_state, folder_id, show_files);
  if (!outcome.changed) return;
  const int row = outcome.select_row.has_value() ? static_cast<int>(outcome.select_row.value()) : -1;
  SetListRowCount(app.folder_list, app.views.rows.RowCount());
  if (row >= 0) ShowAndSelectRow(app.folder_list, row);
  TreemapChanged();
}

void ShowFolderInTree(std::int64_t folder_id) {
  AppState& app = g_app;
  SendMessageW(app.tabs, TCM_SETCURSEL, 0, 0);
  ShowTab(kTabTree);
  NavigateFromTreemap(folder_id, false);
  if (const auto row = app.views.rows.FolderRowIndex(folder_id)) {
    ShowAndSelectRow(app.folder_list, static_cast<int>(*row));
  }
  SetFocus(app.folder_list);
}

// A click on a treemap item selects its row in the folder list.
void SelectFromTreemap(const TreemapItem& item) {
  FolderListContext context = FolderContext();
  FolderListSelectTreemapItem(context, item);
}

std::wstring TreemapTooltip(std::size_t index) { return TreemapTooltipText(*g_app.views.result, g_app.views.treemap_items, index); }

// The keys of the folder list and the file view: handled ones do not reach
// the list (no horizontal scroll on Left and Right, no type-ahead beep on
// Enter, Backspace or Ctrl+C).
LRESULT CALLBACK ListKeyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  AppState& app = g_app;
  if (message == WM_KEYDOWN) {
    bool handled = false;
    if (hwnd == app.folder_list) {
      FolderListContext context = FolderContext();
      handled = FolderListKeyDown(context, wparam);
    } else if (hwnd == app.file_list) {
      FileViewContext context = FileContext();
      handled = FileViewKeyDown(context, wparam);
    } else if (hwnd == app.change_list) {
      ChangeListContext context = ChangeContext();
      handled = ChangeListKeyDown(context, wparam);
    } else if (hwnd == app.grown_list) {
      GrownListContext context = GrownContext();
      handled = GrownListKeyDown(context, wparam);
    }
    if (handled) return 0;
  } else if (message == WM_CHAR && (wparam == L'\r' || wparam == L'\b' || wparam == 0x03)) {
    return 0;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

void InstallListKeys() {
  SetWindowSubclass(g_app.folder_list, ListKeyProc, 5, 0);
  SetWindowSubclass(g_app.file_list, ListKeyProc, 6, 0);
  SetWindowSubclass(g_app.change_list, ListKeyProc, 7, 0);
  SetWindowSubclass(g_app.grown_list, ListKeyProc, 8, 0);
}

void ClearFolderListSelection() { ClearListSelection(g_app.folder_list); }

void SetupFolderList(HWND list) { SetupFolderListColumns(list, g_dpi); }
void SetupExtensionList(HWND list) { SetupExtensionListColumns(list, g_dpi); }
void SetupFileList(HWND list) { SetupFileViewColumns(list, g_dpi); }
void SetupChangeLists(HWND change_list, HWND grown_list) {
  SetupChangeListColumns(change_list, g_dpi);
  SetupGrownListColumns(grown_list, g_dpi);
}

LRESULT OnFolderListNotify(NMHDR& header) {
  FolderListContext context = FolderContext();
  return FolderListNotify(header, context);
}

LRESULT OnExtensionListNotify(NMHDR& header) {
  ExtensionListContext context = ExtensionContext();
  return ExtensionListNotify(header, context);
}

LRESULT OnFileListNotify(NMHDR& header) {
  FileViewContext context = FileContext();
  return FileViewNotify(header, context);
}

LRESULT OnChangeListNotify(NMHDR& header) {
  ChangeListContext context = ChangeContext();
  return ChangeListNotify(header, context);
}

LRESULT OnGrownListNotify(NMHDR& header) {
  GrownListContext context = GrownContext();
  return GrownListNotify(header, context);
}

void OnFolderColumnClick(std::int32_t column) {
  FolderListContext context = FolderContext();
  FolderListColumnClick(context, column);
}

void OnExtensionColumnClick(std::int32_t column) {
  ExtensionListContext context = ExtensionContext();
  ExtensionListColumnClick(context, column);
}

void OnFileColumnClick(std::int32_t column) {
  FileViewContext context = FileContext();
  FileViewColumnClick(context, column);
}

void ShowNewExtensionRows() {
  ExtensionListContext context = ExtensionContext();
  ShowNewExtensionRows(context);
}

void ShowNewFileRows() {
  FileViewContext context = FileContext();
  ShowNewFileRows(context);
}

void RefreshChangePage() {
  AppState& app = g_app;
  ChangeListContext changes = ChangeContext();
  RefreshChangeList(changes);
  GrownListContext grown = GrownContext();
  RefreshGrownList(grown);
  SetWindowTextW(app.change_message,
                 app.views.previous_scan == PreviousScan::kUnreadable ? text::kChangeUnreadable : text::kChangeFirstScan);
  ShowChangePage(app.active_tab == kTabChanges);
}

void ShowChangePage(bool visible) {
  AppState& app = g_app;
  // After a scan without a previous one to compare, one line says why.
  const bool message = visible && app.views.has_result && app.views.comparison == nullptr;
  const bool lists = visible && !message;
  for (HWND hwnd : {app.change_title, app.change_list, app.grown_title, app.grown_list}) {
    if (hwnd != nullptr) ShowWindow(hwnd, lists ? SW_SHOW : SW_HIDE);
  }
  if (app.change_message != nullptr) ShowWindow(app.change_message, message ? SW_SHOW : SW_HIDE);
}

void RedrawTreemap() { RedrawTreemap(g_app.treemap); }

void RebuildTreemapItems() {
  AppState& app = g_app;
  app.views.treemap_state.treemap_show_files =
      RebuildTreemapItems(*app.views.result, app.views.treemap_state.treemap_folder_id,
                          app.views.treemap_state.treemap_show_files, app.views.treemap_items);
  RedrawTreemap(app.treemap);
}

void UpdateTreemapCaption() {
  if (g_app.treemap_title == nullptr) return;
  SetWindowTextW(g_app.treemap_title, TreemapCaption(g_app.views.result.get(), g_app.views.treemap_state).c_str());
}

void RegisterTreemap(HINSTANCE instance) {
  SetTreemapWindowHost(
      TreemapWindowHost{&g_app.views.treemap_items, &g_app.font_small, NavigateFromTreemap, SelectFromTreemap, TreemapTooltip});
  RegisterTreemapWindowClass(instance);
}

void ShowItemInTree(std::int64_t folder_id, std::optional<std::uint64_t> file_position) {
  ShowFolderInTree(folder_id);
  if (!file_position) return;
  TreemapItem file;
  file.id = folder_id;
  file.is_file = true;
  file.file_index = *file_position;
  SelectFromTreemap(file);
}

UINT GdiCountMessage() {
  static const UINT message = RegisterWindowMessageW(L"Tarnwick.GdiObjectCount");
  return message;
}

LRESULT AnswerGdiCount(WPARAM which) {
  const GdiObjectCounts& counts = GdiCounts();
  switch (which) {
    case 0:
      return static_cast<LRESULT>(counts.Live());
    case 1:
      return static_cast<LRESULT>(counts.created);
    default:
      return static_cast<LRESULT>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  }
}

}  // namespace tw
