// The main window's creation: fonts, brushes, every control in z order, the
// common look of the three lists.
#include "main_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "app_ids.h"
#include "app_state.h"
#include "drive_list.h"
#include "overview_page.h"
#include "result_views.h"
#include "scan_thread.h"
#include "texts/texts.h"
#include "ui/treemap_window_win32.h"
#include "views/dpi_scale.h"
#include "views/main_layout.h"
#include "views/status_texts.h"

namespace tw {
namespace {

HFONT MakeFont(int pixels, int weight) {
  return CreateFontW(-S(pixels), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

HWND CreateChild(HWND parent, const wchar_t* class_name, const wchar_t* text, DWORD style, int id, DWORD ex_style = 0) {
  return CreateWindowExW(ex_style, class_name, text, style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void SetFont(HWND hwnd, HFONT font) { SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

void InsertTab(HWND tabs, int index, const wchar_t* text) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(text);
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void CreateControls(HWND hwnd) {
  AppState& app = g_app;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD list_style = WS_CHILD | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA;

  app.drive_label = CreateLabel(hwnd, text::kDriveLabel, app.font_normal.get());
  app.drive_combo = CreateChild(hwnd, L"COMBOBOX", nullptr, child | WS_VSCROLL | CBS_DROPDOWNLIST, IDC_DRIVE_COMBO);
  app.scan_button = CreateChild(hwnd, L"BUTTON", text::kScanButton, child | BS_OWNERDRAW, IDC_SCAN_BUTTON);
  const SpaceSummaryTexts unknown = UnknownSpaceSummary();
  app.total_label = CreateLabel(hwnd, unknown.total.c_str(), app.font_small.get());
  app.used_label = CreateLabel(hwnd, unknown.used.c_str(), app.font_small.get());
  app.free_label = CreateLabel(hwnd, unknown.free.c_str(), app.font_small.get());

  app.tabs = CreateChild(hwnd, WC_TABCONTROLW, nullptr, child | WS_CLIPSIBLINGS | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER,
                         IDC_TABS);
  InsertTab(app.tabs, kTabTree, text::kTreeTab);
  InsertTab(app.tabs, kTabFiles, text::kFileTab);
  InsertTab(app.tabs, kTabChanges, text::kChangeTab);
  InsertTab(app.tabs, kTabOverview, text::kOverviewTab);  // 全景
  SetWindowSubclass(app.tabs, TabEraseProc, 1, 0);

  app.folder_title = CreateLabel(hwnd, text::kFolderListTitle, app.font_title.get());
  app.folder_list =
      CreateChild(hwnd, WC_LISTVIEWW, nullptr, list_style | WS_VISIBLE, IDC_FOLDER_LIST, WS_EX_CLIENTEDGE);
  SetupFolderList(app.folder_list);
  app.treemap_title = CreateLabel(hwnd, text::kTopLevelCaption, app.font_title.get());
  app.extension_title = CreateLabel(hwnd, text::kExtensionListTitle, app.font_title.get());
  app.treemap = CreateChild(hwnd, kTreemapWindowClass, nullptr, child, IDC_TREEMAP, WS_EX_CLIENTEDGE);
  app.extension_list =
      CreateChild(hwnd, WC_LISTVIEWW, nullptr, list_style | WS_VISIBLE, IDC_EXTENSION_LIST, WS_EX_CLIENTEDGE);
  SetupExtensionList(app.extension_list);
  app.file_list = CreateChild(hwnd, WC_LISTVIEWW, nullptr, list_style, IDC_FILE_LIST, WS_EX_CLIENTEDGE);
  SetupFileList(app.file_list);
  // The 变化 page, hidden until chosen. Its labels carry ids, so that the
  // labels without one keep their order.
  app.change_title = CreateChild(hwnd, L"STATIC", text::kChangeFolderTitle, WS_CHILD, IDC_CHANGE_TITLE);
  app.change_list = CreateChild(hwnd, WC_LISTVIEWW, nullptr, list_style, IDC_CHANGE_LIST, WS_EX_CLIENTEDGE);
  app.grown_title = CreateChild(hwnd, L"STATIC", text::kChangeFilesTitle, WS_CHILD, IDC_GROWN_TITLE);
  app.grown_list = CreateChild(hwnd, WC_LISTVIEWW, nullptr, list_style, IDC_CHANGE_FILES, WS_EX_CLIENTEDGE);
  app.change_message = CreateChild(hwnd, L"STATIC", text::kChangeFirstScan, WS_CHILD, IDC_CHANGE_MESSAGE);
  SetupChangeLists(app.change_list, app.grown_list);
  CreateOverview(hwnd);  // 全景, hidden until chosen

  app.status_text = CreateChild(hwnd, L"STATIC", text::kStatusReady, child, IDC_STATUS);
  app.progress_bar = CreateChild(hwnd, PROGRESS_CLASSW, nullptr, child, 0);
  SendMessageW(app.progress_bar, PBM_SETRANGE32, 0, 100);
}

}  // namespace

void CreateUiFonts() {
  DeleteUiFonts();
  g_app.font_normal = Font(MakeFont(14, 400));
  g_app.font_title = Font(MakeFont(14, 600));
  g_app.font_button = Font(MakeFont(16, 600));
  g_app.font_small = Font(MakeFont(13, 400));
}

void DeleteUiFonts() {
  for (Font* font : {&g_app.font_normal, &g_app.font_title, &g_app.font_button, &g_app.font_small}) font->reset();
}

HWND CreateLabel(HWND parent, const wchar_t* text, HFONT font) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SetFont(label, font);
  return label;
}

void ApplyUiFonts() {
  AppState& app = g_app;
  EnumChildWindows(app.main_window, SetFontOnChild, reinterpret_cast<LPARAM>(app.font_normal.get()));
  for (HWND title : {app.folder_title, app.treemap_title, app.extension_title, app.change_title, app.grown_title}) {
    SetFont(title, app.font_title.get());
  }
  for (HWND label : {app.total_label, app.used_label, app.free_label}) SetFont(label, app.font_small.get());
}

void StyleListView(HWND list) {
  SetWindowTheme(list, L"", L"");
  SendMessageW(list, LVM_SETBKCOLOR, 0, kColourWhite);
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, kColourWhite);
  // A one-pixel-wide image list S(24) high fixes the row height.
  // The image list it replaces (after a DPI change) is destroyed.
  HIMAGELIST rows = ImageList_Create(1, S(24), ILC_COLOR32 | ILC_MASK, 0, 1);
  if (HIMAGELIST old = ListView_SetImageList(list, rows, LVSIL_SMALL)) ImageList_Destroy(old);
  if (g_app.font_normal) SetFont(list, g_app.font_normal.get());
  SendMessageW(list, LVM_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  SendMessageW(list, LVM_SETHOVERTIME, 0, static_cast<LPARAM>(-1));
  InstallHeaderPainter(ListView_GetHeader(list));
}

LRESULT OnCreate(HWND hwnd, const CREATESTRUCTW& create) {
  AppState& app = g_app;
  app.main_window = hwnd;
  RegisterTreemap(create.hInstance);
  RegisterOverview(create.hInstance);

  g_dpi = EffectiveDpi(static_cast<std::int32_t>(GetDpiForWindow(hwnd)));

  CreateUiFonts();
  app.brush_white = SolidBrush(kColourWhite);
  app.brush_band = SolidBrush(kColourBand);
  app.brush_field = SolidBrush(kColourField);

  CreateControls(hwnd);
  ApplyUiFonts();
  SetWindowTheme(app.drive_combo, L"", L"");

  for (HWND list : {app.folder_list, app.extension_list, app.file_list, app.change_list, app.grown_list}) {
    StyleListView(list);
  }
  SetWindowSubclass(app.folder_list, ListHoverProc, 2, reinterpret_cast<DWORD_PTR>(&app.folder_hover));
  SetWindowSubclass(app.extension_list, ListHoverProc, 3, reinterpret_cast<DWORD_PTR>(&app.extension_hover));
  SetWindowSubclass(app.file_list, ListHoverProc, 4, reinterpret_cast<DWORD_PTR>(&app.file_hover));
  SetWindowSubclass(app.change_list, ListHoverProc, 9, reinterpret_cast<DWORD_PTR>(&app.change_hover));
  SetWindowSubclass(app.grown_list, ListHoverProc, 10, reinterpret_cast<DWORD_PTR>(&app.grown_hover));
  InstallListKeys();

  SendMessageW(app.progress_bar, PBM_SETBARCOLOR, 0, kColourAccent);
  SendMessageW(app.progress_bar, PBM_SETBKCOLOR, 0, kColourProgressBack);

  FillDriveList(app.drive_combo);
  UpdateSpaceSummary();

  ShowTab(kTabTree);
  LayoutMainWindow(hwnd);
  return 0;
}

}  // namespace tw
