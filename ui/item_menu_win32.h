#pragma once
// Acting on the items the window shows, the same from every list and
// treemap: the right-click menu (our items first, then a separator and the
// shell's own items), Del and Shift+Del, Ctrl+C. The controls hand the row
// or cell over as an ItemRef; what follows is the program's (app/), set
// once as the host.

#include <windows.h>

#include <functional>
#include <string>

#include "views/item_actions.h"

namespace tw {

struct ItemActionHost {
  // The menu of an item at a screen point (the context-menu key: the point
  // the control chose).
  std::function<void(const ItemRef& item, POINT screen)> menu;
  // Del (to the Recycle Bin) and Shift+Del (permanently).
  std::function<void(const ItemRef& item, bool permanent)> erase;
  // Ctrl+C: the path to the clipboard.
  std::function<void(const ItemRef& item)> copy;
  // A line for the status bar (why a key did nothing).
  std::function<void(const std::wstring& line)> say;
};

void SetItemActionHost(ItemActionHost host);
const ItemActionHost& ItemActions();

// Del, Shift+Del or Ctrl+C on `item` through the host; true when the key
// was one of those (the control must not act on it as well). A null item
// (no row selected) still takes the key.
bool ItemActionKey(const ItemRef* item, WPARAM key);
// Del or Shift+Del with several items selected: refused, with the reason
// on the status line; true when the key was one of those.
bool SeveralItemsKey(WPARAM key);

// What the user picked from an item's menu.
enum class ItemCommand { kNone, kShowInExplorer, kCopyPath, kDelete, kDeletePermanently, kShellCommand };

// Shows the menu of `path` at the screen point, owned by `owner`: the items
// the plan asks for, then a separator and the shell's own items when the
// plan asks for them and the shell can parse the path (left out otherwise).
// A shell command picked is run here (kShellCommand); ours are returned.
ItemCommand TrackItemMenu(HWND owner, const ItemMenuPlan& plan, const std::wstring& path, POINT screen);

}  // namespace tw
