#include "scan/memory_size.h"

#include <windows.h>

#include <limits>

namespace tw {

std::int64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  const auto limit = static_cast<DWORDLONG>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(status.ullTotalPhys < limit ? status.ullTotalPhys : limit);
}

}  // namespace tw
