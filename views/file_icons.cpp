#include "views/file_icons.h"

namespace tw {

std::wstring NormaliseExtensionKey(std::wstring_view extension) {
  std::wstring key;
  if (extension.empty()) return key;
  key.reserve(extension.size() + 1);
  if (extension.front() != L'.') key.push_back(L'.');
  for (wchar_t c : extension) key.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
  return key;
}

std::wstring IconQueryPath(std::wstring_view key) { return L"file" + std::wstring(key); }

}  // namespace tw
