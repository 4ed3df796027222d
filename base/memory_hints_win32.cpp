#include "base/memory_hints.h"

namespace tw {

// Nothing to set: the Windows heap gives its largest blocks pages of their
// own and hands those back when they are freed.
void HandBackLargeBlocks() {}

}  // namespace tw
