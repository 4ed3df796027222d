#pragma once
// Case-insensitive ordering of names and attribute texts as the lists sort
// them: only the ASCII letters A-Z fold to a-z; everything else compares as
// unsigned UTF-16 code units, so the order is the same on every platform and
// under every regional setting.

#include <string_view>

namespace tw {

// Negative when a sorts before b, zero when they are equal after folding,
// positive otherwise. A proper prefix sorts first.
int CompareTextNoCase(std::wstring_view a, std::wstring_view b);
// The same over names held as UTF-16 units.
int CompareTextNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace tw
