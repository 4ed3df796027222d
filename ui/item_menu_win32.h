#pragma once
// What a right click, a double click or Enter does with an item of the
// result, by where the result came from: a scan of this machine hands the
// item to the shell (its menu, the file browser); an opened saved scan may
// name another machine's files, so its items get only the menu items
// PlanItemMenu leaves them (复制路径), and the file browser is never asked.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "views/item_actions.h"

namespace tw {

// The menu of `item` at the screen point, owned by `owner`; returns when
// the menu has closed and its choice is done.
void ShowItemMenu(HWND owner, const ItemRef& item, ResultOrigin origin, POINT screen_point);

// A right click on a row of a list: the row selected, then the item's menu
// at the click.
void ShowRowMenu(HWND list, HWND owner, const NMITEMACTIVATE& click, const ItemRef& item, ResultOrigin origin);

// Opens the folder holding `path` in the shell's file browser with the item
// selected; nothing for a result that was not scanned here. True when shown.
bool ShowItemInFileBrowser(const std::wstring& path, ResultOrigin origin);

}  // namespace tw
