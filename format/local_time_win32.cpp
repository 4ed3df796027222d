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

}  // namespace tw
