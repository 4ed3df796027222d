#pragma once
// Seconds since 1970 (UTC) and the calendar, without the machine's time
// zone: the stamps in the names of remembered scans, the ISO 8601 times the
// command line takes, and the FILETIME the time columns format.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "format/local_time.h"  // CivilTime

namespace tw {

// The first and last second the stamps and ISO times below accept: years
// 1970 to 9999.
inline constexpr std::int64_t kFirstCivilSecond = 0;
inline constexpr std::int64_t kLastCivilSecond = 253402300799;  // 9999-12-31T23:59:59Z

// The calendar fields of a second since 1970 in UTC, clamped to the years
// 1970 to 9999.
CivilTime UtcCivilOf(std::int64_t seconds);

// The seconds since 1970 of calendar fields in UTC; none for a field out of
// its range (February 30th included) or a year outside 1970 to 9999.
std::optional<std::int64_t> UnixSecondsOfUtc(const CivilTime& civil);

// "20261207T093005": the UTC time in 15 characters (clamped as UtcCivilOf),
// and back; ParseUtcStamp takes exactly that form and nothing else.
std::string UtcStamp(std::int64_t seconds);
std::optional<std::int64_t> ParseUtcStamp(std::string_view stamp);

// An ISO 8601 time with its zone: "2026-12-07T09:30:05Z",
// "2026-12-07T10:30:05+01:00" or "+0100", a fraction of a second allowed
// and dropped ("09:30:05.250Z"). A time without a zone is refused: it
// would mean the local time of whichever machine reads it.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// A second since 1970 as FILETIME ticks (100 ns since 1601); 0 (unknown)
// for 0 or less and for a value beyond the ticks' range.
std::int64_t FileTimeOfUnixSeconds(std::int64_t seconds);

}  // namespace tw
