// The 搜索 page: its controls, the worker's hand-off and the glue between
// the page's list and the tree view.
#include "search_page.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app_ids.h"
#include "app_state.h"
#include "engine/result_job.h"
#include "main_window.h"
#include "result_views.h"
#include "search/search.h"
#include "texts/texts.h"
#include "ui/list_drawing_win32.h"
#include "ui/search_list_win32.h"

namespace tw {
namespace {

// The search under way (window thread only).
JobSlot g_search_job;
// After a header click, the matches selected before, to be selected again
// in the new order.
std::vector<SearchHit> g_reselect;
// After an action, the row selected before, whose place the neighbouring
// row takes once the new generation is searched; -1 for none.
int g_neighbour_of = -1;

std::uint64_t Key(const SearchHit& hit) { return (std::uint64_t{hit.folder} << 32) | hit.index; }

void ShowInTree(const SearchHit& hit) {
  AppState& app = g_app;
  SendMessageW(app.tabs, TCM_SETCURSEL, kTabTree, 0);
  ShowTab(kTabTree);
  const FolderKeyAction action = RevealSearchHit(app.views.rows, app.views.treemap_state, hit);
  if (action.rows_changed) SetListRowCount(app.folder_list, app.views.rows.RowCount());
  if (action.select_row) ShowAndSelectRow(app.folder_list, static_cast<int>(*action.select_row));
  if (action.treemap_changed) {
    RebuildTreemapItems();
    UpdateTreemapCaption();
  }
  SetFocus(app.folder_list);
}

void PathsCopied() { SetWindowTextW(g_app.status_text, text::kStatusPathCopied); }

SearchListContext ListContext() {
  AppState& app = g_app;
  return SearchListContext{app.search_list,       app.main_window, *app.views.result, app.views.search,
                           app.font_normal.get(), g_dpi,           ShowInTree,        PathsCopied};
}

// Searches the generation shown for the query and order of the page.
void StartSearch() {
  AppState& app = g_app;
  const HWND window = app.main_window;
  const std::wstring query = app.views.search.query;
  const SearchOrder order = SearchOrderOf(app.views.search.sort);
  const auto threads = static_cast<std::int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  const std::uint64_t ticket = g_search_job.Start<SearchAnswer>(
      app.views.result,
      [query, order, threads](const ScanResult& result, const CancelFlag& cancel) {
        return RunSearch(result, query, order, threads, &cancel);
      },
      [window](JobAnswer<SearchAnswer>&& answer) {
        auto payload = std::make_unique<JobAnswer<SearchAnswer>>(std::move(answer));
        if (PostMessageW(window, WM_SEARCH_DONE, 0, reinterpret_cast<LPARAM>(payload.get())) != FALSE) {
          payload.release();
        }
      });
  if (ticket == 0) SetWindowTextW(app.search_line, text::kErrorOutOfMemory);  // no thread to be had
}

void SelectAgain(const std::vector<SearchHit>& hits) {
  AppState& app = g_app;
  std::unordered_set<std::uint64_t> wanted;
  for (const SearchHit& hit : hits) wanted.insert(Key(hit));
  bool first = true;
  for (std::size_t row = 0; row < app.views.search.hits.size() && !wanted.empty(); ++row) {
    if (wanted.erase(Key(app.views.search.hits[row])) == 0) continue;
    if (first) SendMessageW(app.search_list, LVM_ENSUREVISIBLE, row, FALSE);
    ListView_SetItemState(app.search_list, static_cast<int>(row), LVIS_SELECTED | (first ? LVIS_FOCUSED : 0),
                          LVIS_SELECTED | LVIS_FOCUSED);
    first = false;
  }
}

// The box: Down moves into the list, Enter and Ctrl+A stay in the box (no
// beep), Ctrl+A selects its text.
LRESULT CALLBACK SearchBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN && wparam == VK_DOWN && !g_app.views.search.hits.empty()) {
    SetFocus(g_app.search_list);
    if (SelectedListRow(g_app.search_list) < 0) ShowAndSelectRow(g_app.search_list, 0);
    return 0;
  }
  if (message == WM_CHAR && wparam == 0x01) {
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
    return 0;
  }
  if (message == WM_CHAR && wparam == L'\r') return 0;
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK SearchListKeyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN) {
    SearchListContext context = ListContext();
    if (SearchListKeyDown(context, wparam)) return 0;
  } else if (message == WM_CHAR && (wparam == L'\r' || wparam == 0x03 || wparam == 0x01)) {
    return 0;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

// Clears the selection only when there is one: clearing it in a list of
// many rows costs a notification per row under Wine, whatever was selected.
void ClearSelectionIfAny(HWND list) {
  if (SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0) ClearListSelection(list);
}

HWND CreateChild(HWND parent, const wchar_t* class_name, DWORD style, int id, DWORD ex_style) {
  return CreateWindowExW(ex_style, class_name, nullptr, style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

void CreateSearchPage(HWND main) {
  AppState& app = g_app;
  app.search_box = CreateChild(main, L"EDIT", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, IDC_SEARCH_BOX, WS_EX_CLIENTEDGE);
  app.search_line = CreateChild(main, L"STATIC", WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOPREFIX, IDC_SEARCH_LINE, 0);
  SetWindowTextW(app.search_line, app.views.search.line.c_str());
  // Several rows may be selected at once, unlike the other lists.
  app.search_list = CreateChild(main, WC_LISTVIEWW, WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                                IDC_SEARCH_LIST, WS_EX_CLIENTEDGE);
  SetupSearchListColumns(app.search_list, g_dpi);
  SetHeaderSortArrow(app.search_list, app.views.search.sort.sort_column, app.views.search.sort.sort_ascending);
  SetWindowSubclass(app.search_box, SearchBoxProc, 12, 0);
  SetWindowSubclass(app.search_list, SearchListKeyProc, 13, 0);
  SetWindowSubclass(app.search_list, ListHoverProc, 11, reinterpret_cast<DWORD_PTR>(&app.search_hover));
}

void PlaceSearchPage(const SearchPageLayout& layout) {
  const AppState& app = g_app;
  const auto place = [](HWND hwnd, const Placement& r) {
    if (hwnd != nullptr) MoveWindow(hwnd, r.x, r.y, r.width, r.height, TRUE);
  };
  place(app.search_box, layout.search_box);
  place(app.search_line, layout.line);
  place(app.search_list, layout.list);
}

void ShowSearchPage(bool visible) {
  const AppState& app = g_app;
  for (HWND hwnd : {app.search_box, app.search_line, app.search_list}) {
    if (hwnd != nullptr) ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
  }
  if (visible && app.search_box != nullptr) {
    SetListRowCount(app.search_list, app.views.search.hits.size());
    SetFocus(app.search_box);
  }
}

void OnSearchBoxChanged() {
  AppState& app = g_app;
  const int length = GetWindowTextLengthW(app.search_box);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(app.search_box, text.data(), length + 1)));
  if (text == app.views.search.query) return;
  app.views.search.query = std::move(text);
  g_reselect.clear();
  g_neighbour_of = -1;
  StartSearch();
}

void OnSearchDone(LPARAM answer) {
  AppState& app = g_app;
  std::unique_ptr<JobAnswer<SearchAnswer>> posted(reinterpret_cast<JobAnswer<SearchAnswer>*>(answer));
  if (posted == nullptr || !g_search_job.Accept(*posted, app.views.result)) return;  // stale: dropped
  if (posted->failed) {
    ClearSearchResults(app.views.search);
    app.views.search.line = text::kErrorOutOfMemory;
  } else {
    ShowSearchAnswer(app.views.search, std::move(posted->value));
  }
  posted.reset();
  ClearSelectionIfAny(app.search_list);
  SetListRowCount(app.search_list, app.views.search.hits.size());
  SetWindowTextW(app.search_line, app.views.search.line.c_str());
  if (!g_reselect.empty()) SelectAgain(g_reselect);
  g_reselect.clear();
  const std::size_t rows = app.views.search.hits.size();
  if (g_neighbour_of >= 0 && rows > 0) ShowAndSelectRow(app.search_list, std::min(g_neighbour_of, int(rows) - 1));
  g_neighbour_of = -1;
}

LRESULT OnSearchListNotify(NMHDR& header) {
  SearchListContext context = ListContext();
  return SearchListNotify(header, context);
}

void OnSearchColumnClick(std::int32_t column) {
  AppState& app = g_app;
  g_reselect.clear();
  g_neighbour_of = -1;
  for (const std::int64_t row : SelectedSearchRows(app.search_list)) {
    if (const SearchHit* hit = SearchRow(app.views.search, row)) g_reselect.push_back(*hit);
  }
  ApplyColumnClick(app.views.search.sort, column);
  SetHeaderSortArrow(app.search_list, app.views.search.sort.sort_column, app.views.search.sort.sort_ascending);
  StartSearch();
}

void SearchNewGeneration() {
  AppState& app = g_app;
  g_search_job.Cancel();
  ClearSelectionIfAny(app.search_list);
  SetListRowCount(app.search_list, 0);
  SetWindowTextW(app.search_line, app.views.search.line.c_str());
  g_reselect.clear();
  g_neighbour_of = -1;
  StartSearch();
}

void SearchAfterAction() {
  const int selected = SelectedListRow(g_app.search_list);
  SearchNewGeneration();
  g_neighbour_of = selected;
}

}  // namespace tw
