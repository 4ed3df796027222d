#pragma once
// Names kept back to back in one arena of UTF-16 units, found by offset and
// length: the parsed entries and the scan result hold every name this way.

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// Appends a name's UTF-16 units (one per wide element on every platform) to
// an arena and returns where it starts. Throws std::bad_alloc when the
// arena would pass what 32-bit offsets reach.
std::uint32_t AppendNameUnits(std::u16string& arena, std::wstring_view name);
std::uint32_t AppendNameUnits(std::u16string& arena, std::u16string_view name);

}  // namespace tw
