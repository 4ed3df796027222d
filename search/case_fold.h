#pragma once
// Case folding of names for the search: the Unicode simple upper-case
// mapping of each code point (one character to one character), as the
// system's own case-insensitive name comparison folds, not only the ASCII
// letters. One generated table (search/case_table.cpp, written by
// tools/make_case_table.py) serves both builds. The lists' sorting keeps its
// ASCII-only rule (views/text_compare.h); this is for matching only.
//
// Names are UTF-16 units. A valid surrogate pair folds as the code point it
// encodes; a lone surrogate stays as it is. No mapping crosses between the
// Basic Multilingual Plane and the planes above it, so folding keeps the
// length of a name in units, and unit positions in the folded name are
// those of the name.

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

namespace case_table {
// Code points from kBlocksCovered * 128 up have no mapping.
extern const char32_t kBlocksCovered;
extern const std::uint8_t kBlockOf[];
extern const std::int32_t kDeltas[][128];
}  // namespace case_table

// The simple upper-case mapping of a code point; itself when it has none.
inline char32_t SimpleUpperCase(char32_t cp) {
  if (cp < 0x80) return cp >= U'a' && cp <= U'z' ? cp - 0x20 : cp;
  const char32_t block = cp >> 7;
  if (block >= case_table::kBlocksCovered) return cp;
  return static_cast<char32_t>(static_cast<std::int32_t>(cp) + case_table::kDeltas[case_table::kBlockOf[block]][cp & 127]);
}

// Writes the folded form of `name` to out[0 .. name.size()).
void FoldCase(std::u16string_view name, char16_t* out);

// The folded form of `name`, of the same length.
std::u16string FoldCase(std::u16string_view name);

}  // namespace tw
