#pragma once
// The treemap control, window class "TarnwickTreemap": paints the current
// items (fill, white outline, labels in font_small), shows the hand over
// items that can be entered, a tooltip over every item, selects an item's
// row on a click (and takes the keyboard, so that Del, Shift+Del and Ctrl+C
// act on the item clicked), navigates on a double-click and shows an item's
// menu on a right click. It keeps no
// geometry: the items are laid out again for every paint, cursor query and
// double-click.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "treemap/treemap_items.h"
#include "ui/gdi_objects_win32.h"
#include "views/item_actions.h"

namespace tw {

inline constexpr wchar_t kTreemapWindowClass[] = L"TarnwickTreemap";

// What the window reads: the process-wide item list, the font (read at each
// paint, so a DPI change's new font is used), where a double-click goes,
// what a single click selects and the tooltip text of an item.
struct TreemapWindowHost {
  const std::vector<TreemapItem>* items = nullptr;
  const Font* font = nullptr;
  std::function<void(std::int64_t folder_id, bool show_files)> navigate;
  std::function<void(const TreemapItem& item)> select;
  std::function<std::wstring(std::size_t item_index)> tooltip;
  // The item a cell shows, for its menu and its keys (Del, Shift+Del, Ctrl+C).
  std::function<std::optional<ItemRef>(const TreemapItem& item)> item_of;
};
void SetTreemapWindowHost(TreemapWindowHost host);

// Registers the class once (CS_DBLCLKS, arrow cursor, no background brush).
void RegisterTreemapWindowClass(HINSTANCE instance);

LRESULT CALLBACK TreemapWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Repaints the treemap at once (after its items were rebuilt).
void RedrawTreemap(HWND treemap);

}  // namespace tw
