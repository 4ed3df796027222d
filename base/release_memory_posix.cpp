#include "base/parallel.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tw {

void ReleaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace tw
