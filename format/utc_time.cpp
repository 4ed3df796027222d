#include "format/utc_time.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tw {
namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// era-based algorithms of the civil calendar, exact for every year here).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, std::int64_t& m, std::int64_t& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::int64_t DaysIn(std::int64_t y, std::int64_t m) {
  static constexpr std::int8_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads `count` decimal digits at `at`; false when any is not a digit.
bool Digits(std::string_view text, std::size_t at, std::size_t count, std::int32_t& value) {
  if (at > text.size() || count > text.size() - at) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

CivilTime UtcCivilOf(std::int64_t seconds) {
  seconds = std::clamp(seconds, kFirstCivilSecond, kLastCivilSecond);
  const std::int64_t days = seconds / kDay;
  const std::int64_t rest = seconds % kDay;
  std::int64_t y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  CivilTime civil;
  civil.year = static_cast<std::int32_t>(y);
  civil.month = static_cast<std::int32_t>(m);
  civil.day = static_cast<std::int32_t>(d);
  civil.hour = static_cast<std::int32_t>(rest / 3600);
  civil.minute = static_cast<std::int32_t>(rest / 60 % 60);
  civil.second = static_cast<std::int32_t>(rest % 60);
  return civil;
}

std::optional<std::int64_t> UnixSecondsOfUtc(const CivilTime& c) {
  if (c.year < 1970 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > DaysIn(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 || c.minute > 59 ||
      c.second < 0 || c.second > 59) {
    return std::nullopt;
  }
  return DaysFromCivil(c.year, c.month, c.day) * kDay + c.hour * 3600 + c.minute * 60 + c.second;
}

std::string UtcStamp(std::int64_t seconds) {
  const CivilTime c = UtcCivilOf(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", static_cast<int>(c.year), static_cast<int>(c.month),
                static_cast<int>(c.day), static_cast<int>(c.hour), static_cast<int>(c.minute),
                static_cast<int>(c.second));
  return text;
}

std::optional<std::int64_t> ParseUtcStamp(std::string_view stamp) {
  CivilTime c;
  if (stamp.size() != 15 || stamp[8] != 'T' || !Digits(stamp, 0, 4, c.year) || !Digits(stamp, 4, 2, c.month) ||
      !Digits(stamp, 6, 2, c.day) || !Digits(stamp, 9, 2, c.hour) || !Digits(stamp, 11, 2, c.minute) ||
      !Digits(stamp, 13, 2, c.second)) {
    return std::nullopt;
  }
  return UnixSecondsOfUtc(c);
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS, 19 characters, then a fraction and the zone.
  CivilTime c;
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != 't') ||
      text[13] != ':' || text[16] != ':' || !Digits(text, 0, 4, c.year) || !Digits(text, 5, 2, c.month) ||
      !Digits(text, 8, 2, c.day) || !Digits(text, 11, 2, c.hour) || !Digits(text, 14, 2, c.minute) ||
      !Digits(text, 17, 2, c.second)) {
    return std::nullopt;
  }
  std::size_t at = 19;
  if (text[at] == '.' || text[at] == ',') {
    const std::size_t first = ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == first) return std::nullopt;
  }
  std::string_view zone = text.substr(at);
  std::int64_t offset = 0;
  if (zone != "Z" && zone != "z") {
    std::int32_t hours = 0, minutes = 0;
    const bool colon = zone.size() == 6 && zone[3] == ':';
    if ((zone.size() != 5 && !colon) || (zone[0] != '+' && zone[0] != '-') || !Digits(zone, 1, 2, hours) ||
        !Digits(zone, colon ? 4 : 3, 2, minutes) || hours > 23 || minutes > 59) {
      return std::nullopt;
    }
    offset = (zone[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
  }
  const std::optional<std::int64_t> local = UnixSecondsOfUtc(c);
  if (!local) return std::nullopt;
  const std::int64_t utc = *local - offset;
  if (utc < kFirstCivilSecond || utc > kLastCivilSecond) return std::nullopt;
  return utc;
}

std::int64_t FileTimeOfUnixSeconds(std::int64_t seconds) {
  constexpr std::int64_t kEpochDifference = 11644473600;
  constexpr std::int64_t kTicks = 10000000;
  if (seconds <= 0 || seconds > std::numeric_limits<std::int64_t>::max() / kTicks - kEpochDifference) return 0;
  return (seconds + kEpochDifference) * kTicks;
}

}  // namespace tw
