#pragma once
// Conversion between a FILETIME and local calendar time; one backend per
// platform (the Win32 time-zone functions, the C library's localtime_r and
// mktime on POSIX).

#include <cstdint>

namespace tw {

struct CivilTime {
  std::int32_t year = 0;
  std::int32_t month = 0;  // 1..12
  std::int32_t day = 0;    // 1..31
  std::int32_t hour = 0;   // 0..23
  std::int32_t minute = 0;
  std::int32_t second = 0;
};

// Splits a positive FILETIME into its calendar fields in the machine's current
// time zone, falling back to UTC when the local conversion fails. False when
// the value cannot be converted at all (then out is unchanged).
bool FileTimeToLocalCivil(std::int64_t filetime, CivilTime& out);

// The FILETIME at which the local calendar day year-month-day begins in the
// machine's current time zone (its midnight, or the first time the day has
// when a change of clocks skips midnight). False when the day cannot be
// converted (a date before 1601 or after 9999, or one the zone rules refuse).
bool LocalDayStart(std::int32_t year, std::int32_t month, std::int32_t day, std::int64_t& filetime);

}  // namespace tw
