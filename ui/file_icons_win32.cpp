// The icon cache over SHGetFileInfoW, the file browser over
// SHOpenFolderAndSelectItems, and the clipboard.
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

}  // namespace

HICON IconForExtension(std::wstring_view extension) { return g_icons.get().Get(extension, AskShell); }

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
