#include "scan/memory_size.h"

#include <unistd.h>

namespace tw {

std::int64_t PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  std::int64_t bytes = 0;
  if (pages <= 0 || page_size <= 0 || __builtin_mul_overflow(std::int64_t{pages}, std::int64_t{page_size}, &bytes)) {
    return 0;
  }
  return bytes;
}

}  // namespace tw
