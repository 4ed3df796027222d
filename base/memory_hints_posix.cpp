#include "base/memory_hints.h"

#include <sys/mman.h>

#include <cstdint>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tw {

void HandBackLargeBlocks() {
#if defined(__GLIBC__)
  // Setting the threshold also ends glibc's raising of it.
  static const bool once = mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlockBytes)) != 0;
  (void)once;
#endif
}

void PreferLargePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
  // A refusal (no transparent large pages) changes nothing.
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace tw
