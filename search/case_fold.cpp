#include "search/case_fold.h"

namespace tw {

void FoldCase(std::u16string_view name, char16_t* out) {
  const std::size_t n = name.size();
  // Most names are ASCII: those fold in a loop without branches.
  char16_t all = 0;
  for (std::size_t i = 0; i < n; ++i) all |= name[i];
  if (all < 0x80) {
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t unit = name[i];
      out[i] = static_cast<char16_t>(unit - (static_cast<char16_t>(unit - u'a') < 26 ? 0x20 : 0));
    }
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t unit = name[i];
    if (unit < 0x80) {
      out[i] = unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    } else if (unit < 0xD800 || unit > 0xDFFF) {
      out[i] = static_cast<char16_t>(SimpleUpperCase(unit));
    } else if (unit <= 0xDBFF && i + 1 < n && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      const char32_t folded = SimpleUpperCase(cp) - 0x10000;
      out[i] = static_cast<char16_t>(0xD800 + (folded >> 10));
      out[i + 1] = static_cast<char16_t>(0xDC00 + (folded & 0x3FF));
      ++i;
    } else {
      out[i] = unit;  // a lone surrogate
    }
  }
}

std::u16string FoldCase(std::u16string_view name) {
  std::u16string folded(name.size(), u'\0');
  FoldCase(name, folded.data());
  return folded;
}

}  // namespace tw
