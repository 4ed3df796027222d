#pragma once
// Text conversions at the edges of the program.
//
// Every std::wstring in Tarnwick holds UTF-16 code units, on Windows (16-bit
// wchar_t) and on Linux (32-bit wchar_t) alike: a character outside the Basic
// Multilingual Plane is two elements, a surrogate pair. Comparisons, hashes and
// extension rules therefore agree on both platforms; only output converts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// UTF-16 units to UTF-8. Surrogate pairs are combined; a lone surrogate (high
// without a following low, or a low on its own) becomes U+FFFD.
std::string Utf16ToUtf8(std::wstring_view units);

// The same for the units of a name held as char16_t, appended to `out`.
void AppendUtf8(std::string& out, std::u16string_view units);

// UTF-8 to UTF-16 units. Malformed sequences (bad lead or continuation bytes,
// overlong forms, encoded surrogates, values above U+10FFFF, truncation)
// become U+FFFD, one per maximal bad subpart.
std::wstring Utf8ToUtf16(std::string_view bytes);

}  // namespace tw
