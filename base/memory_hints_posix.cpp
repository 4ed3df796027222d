#include "base/memory_hints.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tw {

void HandBackLargeBlocks() {
#if defined(__GLIBC__)
  // Setting the threshold also ends glibc's raising of it.
  static const bool once = mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlockBytes)) != 0;
  (void)once;
#endif
}

std::size_t PageBytes() {
  static const std::size_t page = [] {
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::size_t>(size) : std::size_t{4096};
  }();
  return page;
}

std::size_t MovePages(void* from, std::size_t bytes, void* to, std::size_t room) {
#if defined(__linux__)
  const std::uintptr_t page = PageBytes();
  const auto start = reinterpret_cast<std::uintptr_t>(from);
  const std::uintptr_t first = (start + page - 1) / page * page;
  const std::uintptr_t last = (start + bytes) / page * page;
  if (last <= first || reinterpret_cast<std::uintptr_t>(to) % page != 0) return 0;
  const std::size_t moved = std::min<std::size_t>(last - first, room / page * page);
  if (moved == 0) return 0;
  void* const source = reinterpret_cast<void*>(first);
  // The block keeps its addresses, so that it is freed as it was taken:
  // fresh pages, none touched, are mapped first and take the moved ones'
  // place, and nothing has changed when either of the first two steps fails.
  void* const fresh = mmap(nullptr, moved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (fresh == MAP_FAILED) return 0;
  if (mremap(source, moved, moved, MREMAP_MAYMOVE | MREMAP_FIXED, to) == MAP_FAILED) {
    munmap(fresh, moved);
    return 0;
  }
  // Moving a whole mapping into a hole of the same size cannot fail but for
  // a kernel out of memory for its own tables; the block would then be
  // freed with a hole in it.
  if (mremap(fresh, moved, moved, MREMAP_MAYMOVE | MREMAP_FIXED, source) == MAP_FAILED) std::abort();
  return moved;
#else
  (void)from;
  (void)bytes;
  (void)to;
  (void)room;
  return 0;
#endif
}

}  // namespace tw
