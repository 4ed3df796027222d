#pragma once
// The 搜索 page's list: a virtual list of every match, several rows
// selectable at once, custom-drawn like the other result lists (an icon or
// the folder glyph before each name). Rows and texts come from the
// portable search view; nothing here keeps state of its own.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "model/scan_result.h"
#include "views/search_view.h"

namespace tw {

struct SearchListContext {
  HWND list = nullptr;
  HWND owner = nullptr;  // the main window: owns the context menu and the clipboard
  const ScanResult& result;
  const SearchViewState& state;
  HFONT font = nullptr;  // font_normal, for the name cell
  int dpi = 96;
  // Enter or a double-click on a match: show it in the tree view.
  std::function<void(const SearchHit&)> show_in_tree;
  // Ctrl+C has put the selected paths on the clipboard.
  std::function<void()> copied;
};

void SetupSearchListColumns(HWND list, int dpi);
LRESULT SearchListNotify(NMHDR& header, SearchListContext& context);
// Enter shows the first selected match in the tree view, Ctrl+C copies the
// paths of the selected rows, Ctrl+A selects every row, Del and Shift+Del
// go to the item actions when one row is selected. True when the key was
// one of those.
bool SearchListKeyDown(SearchListContext& context, WPARAM key);
// The rows selected, in list order.
std::vector<std::int64_t> SelectedSearchRows(HWND list);

}  // namespace tw
