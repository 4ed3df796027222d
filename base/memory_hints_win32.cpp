#include "base/memory_hints.h"

namespace tw {

// The system heap hands blocks of half a megabyte and more back to the system
// when they are freed; nothing to do.
void ReleaseFreedMemory() {}

// Large pages need a privilege the program does not ask for.
void PreferLargePages(void*, std::size_t) {}

}  // namespace tw
