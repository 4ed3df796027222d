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
  // The offset is what the local fields are ahead of UTC, in whole seconds.
  SYSTEMTIME whole_second = local;
  whole_second.wMilliseconds = 0;
  FILETIME local_ft;
  std::int32_t offset = 0;
  if (SystemTimeToFileTime(&whole_second, &local_ft)) {
    const std::int64_t ahead =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(local_ft.dwHighDateTime) << 32) | local_ft.dwLowDateTime) -
        static_cast<std::int64_t>(bits - bits % 10000000);
    offset = static_cast<std::int32_t>(ahead / 10000000);
  }
  out.year = local.wYear;
  out.month = local.wMonth;
  out.day = local.wDay;
  out.hour = local.wHour;
  out.minute = local.wMinute;
  out.second = local.wSecond;
  out.utc_offset_seconds = offset;
  return true;
}

}  // namespace tw
