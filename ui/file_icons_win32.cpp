// The icon cache over SHGetFileInfoW and the shell context menu over
// SHParseDisplayName, SHBindToParent and IContextMenu.
#include "ui/file_icons_win32.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "views/file_icons.h"

namespace tw {
namespace {

// The process-wide cache: built before the main code runs, its icons
// destroyed at exit.
class IconCache {
 public:
  ~IconCache() {
    for (const auto& [key, icon] : cache_.icons()) DestroyIcon(icon);
  }
  ExtensionIconCache<HICON>& get() { return cache_; }

 private:
  ExtensionIconCache<HICON> cache_;
};
IconCache g_icons;

HICON AskShell(const std::wstring& key) {
  SHFILEINFOW info{};
  const std::wstring path = IconQueryPath(key);
  const DWORD_PTR ok = SHGetFileInfoW(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                      SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON);
  return ok != 0 ? info.hIcon : nullptr;
}

// Releases a COM interface on scope exit.
template <typename T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p != nullptr) p->Release();
  }
};

}  // namespace

HICON IconForExtension(std::wstring_view extension) { return g_icons.get().Get(extension, AskShell); }

void ShowShellContextMenu(HWND owner, const std::wstring& path, POINT screen_point) {
  if (path.empty()) return;
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &items, 0, nullptr)) || items == nullptr) return;
  Released<IShellFolder> folder;
  PCUITEMID_CHILD child = nullptr;
  if (SUCCEEDED(SHBindToParent(items, IID_IShellFolder, reinterpret_cast<void**>(&folder.p), &child)) &&
      folder.p != nullptr) {
    Released<IContextMenu> menu;
    if (SUCCEEDED(
            folder.p->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu.p))) &&
        menu.p != nullptr) {
      if (HMENU popup = CreatePopupMenu()) {
        if (SUCCEEDED(menu.p->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL))) {
          const auto command = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen_point.x,
                                                                screen_point.y, 0, owner, nullptr));
          if (command != 0) {
            CMINVOKECOMMANDINFO invoke{};
            invoke.cbSize = sizeof invoke;
            invoke.hwnd = owner;
            invoke.lpVerb = MAKEINTRESOURCEA(command - 1);
            invoke.nShow = SW_SHOWNORMAL;
            menu.p->InvokeCommand(&invoke);
          }
        }
        DestroyMenu(popup);
      }
    }
  }
  CoTaskMemFree(items);
}

}  // namespace tw
