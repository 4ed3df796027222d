// The 变化 page's glue: its controls created and filled from the view
// state, the picker and the check box, the three lists' notifications and
// keys, and the comparisons made off the window's thread: the one that
// follows a scan (posted by the scan thread) and the one with a picked
// baseline (a job over the generation shown).
#include "change_page.h"

#include <commctrl.h>

#include <memory>
#include <utility>

#include "app_ids.h"
#include "app_state.h"
#include "engine/result_job.h"
#include "result_views.h"
#include "scan_thread.h"
#include "texts/texts.h"
#include "ui/list_drawing_win32.h"
#include "ui/result_lists_win32.h"
#include "views/main_layout.h"

namespace tw {
namespace {

using BaselineAnswer = JobAnswer<std::shared_ptr<const ComparedScans>>;

// The comparison with a picked baseline; at most one matters at a time.
JobSlot g_baseline_job;

HWND CreateChild(HWND parent, const wchar_t* class_name, const wchar_t* text, DWORD style, int id, DWORD ex_style = 0) {
  return CreateWindowExW(ex_style, class_name, text, style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// Enter on a folder, or on a vanished file: shown in the tree view.
void ShowFolder(std::int64_t folder_id) { ShowItemInTree(folder_id, std::nullopt); }

ChangeListContext ChangeContext() {
  AppState& app = g_app;
  return ChangeListContext{app.change_list, app.main_window, app.views.changes, app.font_normal.get(),
                           g_dpi,           ShowFolder,      app.views.origin};
}

ChangedFilesContext FilesContext(bool lost) {
  AppState& app = g_app;
  return ChangedFilesContext{lost ? app.lost_list : app.grown_list,
                             app.main_window,
                             app.views.comparison.get(),
                             lost,
                             g_dpi,
                             app.views.origin,
                             ShowFolder};
}

// The picker's entries from the view state, the chosen one selected; the
// check box as the rows say.
void FillPicker() {
  AppState& app = g_app;
  if (app.baseline_picker == nullptr) return;
  SendMessageW(app.baseline_picker, CB_RESETCONTENT, 0, 0);
  for (const BaselineChoice& choice : app.views.choices) {
    SendMessageW(app.baseline_picker, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.label.c_str()));
  }
  if (!app.views.choices.empty()) {
    SendMessageW(app.baseline_picker, CB_SETCURSEL, static_cast<WPARAM>(app.views.chosen), 0);
  }
  SendMessageW(app.changed_only, BM_SETCHECK, app.views.changes.changed_only() ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Compares the generation shown with the baseline on a worker; the answer
// comes as WM_BASELINE_COMPARED.
void StartBaselineComparison(const BaselineSource& source) {
  AppState& app = g_app;
  HWND window = app.main_window;
  const ResultGeneration now = app.views.result;
  const std::uint64_t ticket = g_baseline_job.Start<std::shared_ptr<const ComparedScans>>(
      now,
      [source, now](const ScanResult&, const CancelFlag&) { return CompareWithBaseline(source, now, kGrownFileCount); },
      [window](BaselineAnswer&& answer) {
        auto payload = std::make_unique<BaselineAnswer>(std::move(answer));
        if (PostMessageW(window, WM_BASELINE_COMPARED, 0, reinterpret_cast<LPARAM>(payload.get()))) {
          payload.release();
        }
      });
  if (ticket == 0) HandOverPickedComparison(app.views, nullptr);  // no thread to be had
}

// The status line follows the comparison while it shows the result.
void UpdateStatusLine() {
  AppState& app = g_app;
  if (app.scan.UpdateSummary(ResultStatusLine(app.views))) SetWindowTextW(app.status_text, app.scan.status().c_str());
}

}  // namespace

void CreateChangePage(HWND parent) {
  AppState& app = g_app;
  const DWORD list_style = WS_CHILD | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
  // Hidden until chosen. Its labels carry ids, so that the labels without
  // one keep their order.
  app.baseline_label = CreateChild(parent, L"STATIC", text::kBaselineLabel, WS_CHILD, IDC_BASELINE_LABEL);
  app.baseline_picker =
      CreateChild(parent, L"COMBOBOX", nullptr, WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, IDC_BASELINE_PICKER);
  app.changed_only = CreateChild(parent, L"BUTTON", text::kChangedOnly, WS_CHILD | BS_AUTOCHECKBOX, IDC_CHANGED_ONLY);
  SendMessageW(app.changed_only, BM_SETCHECK, BST_CHECKED, 0);
  app.change_title = CreateChild(parent, L"STATIC", text::kChangeFolderTitle, WS_CHILD, IDC_CHANGE_TITLE);
  app.change_list = CreateChild(parent, WC_LISTVIEWW, nullptr, list_style, IDC_CHANGE_LIST, WS_EX_CLIENTEDGE);
  app.grown_title = CreateChild(parent, L"STATIC", text::kChangeFilesTitle, WS_CHILD, IDC_GROWN_TITLE);
  app.grown_list = CreateChild(parent, WC_LISTVIEWW, nullptr, list_style, IDC_CHANGE_FILES, WS_EX_CLIENTEDGE);
  app.lost_title = CreateChild(parent, L"STATIC", text::kChangeLostTitle, WS_CHILD, IDC_LOST_TITLE);
  app.lost_list = CreateChild(parent, WC_LISTVIEWW, nullptr, list_style, IDC_LOST_FILES, WS_EX_CLIENTEDGE);
  app.change_message = CreateChild(parent, L"STATIC", text::kChangeFirstScan, WS_CHILD, IDC_CHANGE_MESSAGE);
  SetupChangeListColumns(app.change_list, g_dpi);
  SetupChangedFilesColumns(app.grown_list, false, g_dpi);
  SetupChangedFilesColumns(app.lost_list, true, g_dpi);
}

LRESULT OnChangeListNotify(NMHDR& header) {
  ChangeListContext context = ChangeContext();
  return ChangeListNotify(header, context);
}

LRESULT OnGrownListNotify(NMHDR& header) {
  ChangedFilesContext context = FilesContext(false);
  return ChangedFilesNotify(header, context);
}

LRESULT OnLostListNotify(NMHDR& header) {
  ChangedFilesContext context = FilesContext(true);
  return ChangedFilesNotify(header, context);
}

bool ChangePageKeyDown(HWND list, WPARAM key) {
  const AppState& app = g_app;
  if (list == app.change_list) {
    ChangeListContext context = ChangeContext();
    return ChangeListKeyDown(context, key);
  }
  if (list == app.grown_list || list == app.lost_list) {
    ChangedFilesContext context = FilesContext(list == app.lost_list);
    return ChangedFilesKeyDown(context, key);
  }
  return false;
}

void OnBaselinePicked() {
  AppState& app = g_app;
  const LRESULT index = SendMessageW(app.baseline_picker, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  const std::optional<BaselineSource> source = PickBaseline(app.views, static_cast<std::size_t>(index));
  if (!source) return;
  StartBaselineComparison(*source);
  RefreshChangePage();
  UpdateStatusLine();
}

void OnChangedOnlyClicked() {
  AppState& app = g_app;
  const bool on = SendMessageW(app.changed_only, BM_GETCHECK, 0, 0) == BST_CHECKED;
  app.views.changes.SetChangedOnly(on);
  ChangeListContext context = ChangeContext();
  RefreshChangeList(context);
}

void ChangePageAfterNewResult() {
  g_baseline_job.Cancel();
  RefreshChangePage();
}

void ChangePageAfterUpdate() {
  g_baseline_job.Cancel();
  if (const std::optional<BaselineSource> again = CompareAgain(g_app.views)) StartBaselineComparison(*again);
  RefreshChangePage();
}

void RefreshChangePage() {
  AppState& app = g_app;
  ChangeListContext changes = ChangeContext();
  RefreshChangeList(changes);
  for (const bool lost : {false, true}) {
    ChangedFilesContext files = FilesContext(lost);
    RefreshChangedFiles(files);
  }
  FillPicker();
  const std::wstring message = ChangePageMessage(app.views);
  SetWindowTextW(app.change_message, message.empty() ? text::kChangeFirstScan : message.c_str());
  ShowChangePage(app.active_tab == kTabChanges);
}

void ShowChangePage(bool visible) {
  AppState& app = g_app;
  // Without a comparison to show, one line says why; the picker stays while
  // there are earlier scans to choose from.
  const bool message = visible && !ChangePageMessage(app.views).empty();
  const bool lists = visible && !message;
  const bool picker = visible && !app.views.choices.empty();
  for (HWND hwnd : {app.change_title, app.change_list, app.grown_title, app.grown_list, app.lost_title, app.lost_list,
                    app.changed_only}) {
    if (hwnd != nullptr) ShowWindow(hwnd, lists ? SW_SHOW : SW_HIDE);
  }
  for (HWND hwnd : {app.baseline_label, app.baseline_picker}) {
    if (hwnd != nullptr) ShowWindow(hwnd, picker ? SW_SHOW : SW_HIDE);
  }
  if (app.change_message != nullptr) ShowWindow(app.change_message, message ? SW_SHOW : SW_HIDE);
}

void OnScanCompared(LPARAM payload) {
  const std::unique_ptr<ScanComparison> compared(reinterpret_cast<ScanComparison*>(payload));
  if (compared == nullptr) return;
  AppState& app = g_app;
  std::shared_ptr<const ComparedScans> comparison = std::move(compared->memory.changes);
  if (!HandOverComparison(app.views, compared->made_for, std::move(comparison), compared->memory.previous_scan,
                          std::move(compared->memory.earlier))) {
    return;  // made for a result no longer shown
  }
  // Made for a generation an action has replaced since: compared again.
  if (const std::optional<BaselineSource> again = CompareAgain(app.views)) StartBaselineComparison(*again);
  RefreshChangePage();
  UpdateStatusLine();
}

void OnBaselineCompared(LPARAM payload) {
  const std::unique_ptr<BaselineAnswer> answer(reinterpret_cast<BaselineAnswer*>(payload));
  AppState& app = g_app;
  if (answer == nullptr || !g_baseline_job.Accept(*answer, app.views.result)) return;
  HandOverPickedComparison(app.views, answer->failed ? nullptr : std::move(answer->value));
  RefreshChangePage();
  UpdateStatusLine();
}

}  // namespace tw
