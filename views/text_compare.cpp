#include "views/text_compare.h"

#include <cstddef>
#include <cstdint>

namespace tw {
namespace {

template <typename Unit>
std::uint32_t FoldUnit(Unit unit) {
  // Every element is one UTF-16 unit; the mask keeps a 32-bit wchar_t honest.
  std::uint32_t u = static_cast<std::uint32_t>(unit) & 0xFFFFu;
  if (u >= 'A' && u <= 'Z') u += 'a' - 'A';
  return u;
}

template <typename View>
int Compare(View a, View b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t x = FoldUnit(a[i]);
    const std::uint32_t y = FoldUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareTextNoCase(std::wstring_view a, std::wstring_view b) { return Compare(a, b); }

int CompareTextNoCase(std::u16string_view a, std::u16string_view b) { return Compare(a, b); }

}  // namespace tw
