#pragma once
// The extension of a file name.

#include <string_view>

namespace tw {

// From the last dot inclusive ("archive.tar.gz" gives ".gz"), case kept;
// empty when the name has no dot or its only dot leads it (".profile",
// "README"). A view into name.
constexpr std::wstring_view ExtensionOf(std::wstring_view name) {
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0) return {};
  return name.substr(dot);
}

// The same for a name held as UTF-16 units.
constexpr std::u16string_view ExtensionOf(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return {};
  return name.substr(dot);
}

}  // namespace tw
