#include "base/memory_hints.h"

namespace tw {

// Nothing to set: the Windows heap gives its largest blocks pages of their
// own and hands those back when they are freed.
void HandBackLargeBlocks() {}

// Large pages need a privilege the program does not ask for.
void PreferLargePages(void*, std::size_t) {}

}  // namespace tw
