#include "base/memory_hints.h"

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

}  // namespace tw
