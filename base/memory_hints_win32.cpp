#include "base/memory_hints.h"

namespace tw {

// Nothing to set: the Windows heap gives its largest blocks pages of their
// own and hands those back when they are freed.
void HandBackLargeBlocks() {}

// Windows cannot move pages from one address to another.
std::size_t MovePages(void*, std::size_t, void*, std::size_t) { return 0; }

std::size_t PageBytes() { return 4096; }

}  // namespace tw
