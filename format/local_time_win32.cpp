#include "format/local_time.h"

#include <windows.h>

namespace tw {

bool FileTimeToLocalCivil(std::int64_t filetime, CivilTime& out) {
  const auto bits = static_cast<std::uint64_t>(filetime);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(bits & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(bits >> 32);
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&ft, &utc)) return false;
  SYSTEMTIME local;
  // Null zone: the machine's current time-zone rules. On failure keep UTC.
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  out.year = local.wYear;
  out.month = local.wMonth;
  out.day = local.wDay;
  out.hour = local.wHour;
  out.minute = local.wMinute;
  out.second = local.wSecond;
  return true;
}

bool LocalDayStart(std::int32_t year, std::int32_t month, std::int32_t day, std::int64_t& filetime) {
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  SYSTEMTIME utc;
  // Null zone: the machine's current time-zone rules.
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return false;
  FILETIME ft;
  if (!SystemTimeToFileTime(&utc, &ft)) return false;
  filetime = static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  return true;
}

}  // namespace tw
