#include "base/parallel.h"

namespace tw {

// The system heap hands blocks of half a megabyte and more back to the system
// when they are freed; nothing to do.
void ReleaseFreedMemory() {}

}  // namespace tw
