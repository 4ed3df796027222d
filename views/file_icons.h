#pragma once
// The rules of the file-icon cache, without the shell: the cache key of an
// extension, the name of the file the shell is asked about, the extension a
// row's icon is looked up by, and the cache itself, which keeps only
// successful look-ups (a failed extension is asked for again next time).
// The Win32 side (ui/file_icons_win32.cpp) supplies the look-up and the
// icon type.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tw {

// "" stays ""; otherwise a leading "." is added when missing and the ASCII
// letters A-Z are lower-cased (nothing else changes): ".TXT", "TXT" and
// ".txt" all become ".txt".
std::wstring NormaliseExtensionKey(std::wstring_view extension);

// The file the shell is asked about: "file" + key ("file.txt"; "file" for the
// empty key). The file need not exist.
std::wstring IconQueryPath(std::wstring_view key);

// Extension -> icon, filled on demand. Icon{} means "no icon"; it is returned
// but never stored.
template <typename Icon>
class ExtensionIconCache {
 public:
  using Lookup = std::function<Icon(const std::wstring& key)>;

  // The icon for the extension: the cached one, or the look-up's answer for
  // the normalised key (stored only when it is not Icon{}).
  Icon Get(std::wstring_view extension, const Lookup& lookup) {
    std::wstring key = NormaliseExtensionKey(extension);
    if (auto it = icons_.find(key); it != icons_.end()) return it->second;
    Icon icon = lookup(key);
    if (icon != Icon{}) icons_.emplace(std::move(key), icon);
    return icon;
  }

  const std::unordered_map<std::wstring, Icon>& icons() const { return icons_; }

 private:
  std::unordered_map<std::wstring, Icon> icons_;
};

}  // namespace tw
