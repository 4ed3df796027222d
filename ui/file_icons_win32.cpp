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

bool ShowInFileBrowser(const std::wstring& path) {
  if (path.empty()) return false;
  PIDLIST_ABSOLUTE item = nullptr;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr)) || item == nullptr) return false;
  const bool shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
  CoTaskMemFree(item);
  return shown;
}

bool CopyTextToClipboard(HWND owner, std::wstring_view text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  if (auto* target = static_cast<wchar_t*>(GlobalLock(memory))) {
    text.copy(target, text.size());
    target[text.size()] = L'\0';
    GlobalUnlock(memory);
  } else {
    GlobalFree(memory);
    return false;
  }
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);  // the clipboard owns it only once placed
  return placed;
}

}  // namespace tw
