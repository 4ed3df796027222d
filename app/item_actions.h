#pragma once
// What the program does with an item of a list or a treemap: its menu,
// copying its path, deleting it, and afterwards reading the records it
// touched again so that the window shows the volume as it is now.

#include <windows.h>

namespace tw {

// Makes the program the item-action host of every control; called once,
// before the controls are created.
void InstallItemActions();

// The message by which the action worker hands over what it did: lParam a
// heap ActionDelivery the window owns and frees.
inline constexpr UINT WM_ACTION_DONE = WM_APP + 3;
void OnActionDone(LPARAM delivery);

}  // namespace tw
