#pragma once
// Text of every number and date the user interface shows. Pure functions: the
// decimal point is always ".", there is never digit grouping, whatever the
// user's regional settings.

#include <cstdint>
#include <string>

namespace tw {

// 1024-based units up to TB: "512 B", "1.50 KB", "931.51 GB". Counts of 2^63
// and above (negative as signed) print as "0 B".
std::wstring FormatSize(std::uint64_t bytes);

// A change of bytes with its sign: "+1.50 KB", then `minus` and the size
// when it shrank ("-300 B" or, with U+2212, "\u2212300 B"), "0 B" for none.
std::wstring FormatSizeChange(std::int64_t change, wchar_t minus);

// One decimal and a percent sign, clamped to 0..100: "42.7%". NaN gives "0.0%".
std::wstring FormatPercent(double value);

// Plain decimal digits with a leading "-" when negative: "12345", "-3".
std::wstring FormatCount(std::int32_t n);

// A FILETIME (100 ns ticks since 1601-01-01 UTC) in local time as
// "2024/3/7 09:05:01"; "" for values <= 0. When the local conversion fails the
// UTC time is shown.
std::wstring FormatFileTime(std::int64_t value);

// A FILETIME in local time as ISO 8601 with the offset from UTC,
// "2024-03-07T09:05:01+08:00" (ASCII); "" for values <= 0 or a time that
// cannot be converted. When the local conversion fails the UTC time is
// given, with "+00:00".
std::string FormatIsoLocalTime(std::int64_t value);
// The same appended to `out` (nothing for "").
void AppendIsoLocalTime(std::string& out, std::int64_t value);

// The letters of the set attribute bits in the order R H S A C E L
// (0x1 0x2 0x4 0x20 0x800 0x4000 0x400); other bits are ignored.
std::wstring FormatAttributes(std::uint32_t bits);

// "%f" cut to its first four characters: 12.345678 gives "12.3", 0.5 "0.50".
std::wstring FormatSeconds(double seconds);

}  // namespace tw
