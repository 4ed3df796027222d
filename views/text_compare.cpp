#include "views/text_compare.h"

#include <cstddef>
#include <cstdint>

namespace tw {
namespace {

std::uint32_t FoldUnit(wchar_t unit) {
  // Every element is one UTF-16 unit; the mask keeps a 32-bit wchar_t honest.
  std::uint32_t u = static_cast<std::uint32_t>(unit) & 0xFFFFu;
  if (u >= L'A' && u <= L'Z') u += L'a' - L'A';
  return u;
}

}  // namespace

int CompareTextNoCase(std::wstring_view a, std::wstring_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t x = FoldUnit(a[i]);
    const std::uint32_t y = FoldUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace tw
