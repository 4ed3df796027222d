#pragma once
// What the program's own controls (the treemap, the 全景 page) share: their
// window class, and one tooltip over the whole control whose text the
// control sets as the mouse moves over what it shows.

#include <windows.h>

#include <string>

namespace tw {

// Registers a control's class: double-clicks arrive (CS_DBLCLKS), the arrow
// cursor, no background brush (the control paints all of itself).
void RegisterControlClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure);

// The tip follows the item under the pointer; it relays the control's mouse
// messages itself (TTF_SUBCLASS), and a text with a newline breaks there.
class WindowTip {
 public:
  // Makes the tip over `owner` (on its WM_CREATE), at most max_width wide.
  void Create(HWND owner, int max_width);
  // Destroys it (on the owner's WM_DESTROY).
  void Destroy();
  // The text for where the pointer is now; "" hides the tip.
  void SetText(std::wstring text);

 private:
  HWND owner_ = nullptr;
  HWND tip_ = nullptr;
  std::wstring text_;  // the tip reads it through the pointer it was given
};

}  // namespace tw
