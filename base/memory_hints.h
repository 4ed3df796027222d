#pragma once
// Hints to the system about the memory of large arrays, where it takes them.

#include <cstddef>

namespace tw {

// Gives the heap's freed blocks back to the system where the allocator keeps
// them (glibc keeps freed blocks below its mmap threshold for reuse), so that
// memory released while a large result is built leaves the process at once.
void ReleaseFreedMemory();

// Asks for large pages behind [data, data + bytes), an array about to be
// filled front to back: one fault brings in 2 MiB instead of 4 KiB. Only
// whole large pages inside the range are affected; nothing is touched.
void PreferLargePages(void* data, std::size_t bytes);

}  // namespace tw
