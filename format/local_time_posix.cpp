#include "format/local_time.h"

#include <ctime>
#include <limits>

namespace tw {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01 UTC.
constexpr std::int64_t kUnixEpochSeconds = 11644473600;

}  // namespace

bool FileTimeToLocalCivil(std::int64_t filetime, CivilTime& out) {
  if (filetime < 0) return false;
  // Whole seconds since 1601 (ticks are never negative here, so division
  // truncates towards the earlier second), then since 1970: negative before
  // 1970, at most about 9.2e11 for the largest FILETIME; no overflow.
  const std::int64_t unix_seconds = filetime / kTicksPerSecond - kUnixEpochSeconds;
  if (unix_seconds >= static_cast<std::int64_t>(std::numeric_limits<std::time_t>::min()) &&
      unix_seconds <= static_cast<std::int64_t>(std::numeric_limits<std::time_t>::max())) {
    const auto t = static_cast<std::time_t>(unix_seconds);
    std::tm fields{};
    // Local time; when the zone rules cannot convert it, UTC.
    if (localtime_r(&t, &fields) != nullptr || gmtime_r(&t, &fields) != nullptr) {
      out.year = fields.tm_year + 1900;
      out.month = fields.tm_mon + 1;
      out.day = fields.tm_mday;
      out.hour = fields.tm_hour;
      out.minute = fields.tm_min;
      out.second = fields.tm_sec;
      return true;
    }
  }
  return false;
}

bool LocalDayStart(std::int32_t year, std::int32_t month, std::int32_t day, std::int64_t& filetime) {
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_isdst = -1;  // whatever the zone's rules say for that day
  const std::time_t t = std::mktime(&fields);
  // -1 is also 1969-12-31 23:59:59 UTC, which is no zone's midnight.
  if (t == static_cast<std::time_t>(-1)) return false;
  filetime = (static_cast<std::int64_t>(t) + kUnixEpochSeconds) * kTicksPerSecond;
  return true;
}

}  // namespace tw
