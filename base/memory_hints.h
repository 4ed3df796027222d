#pragma once
// How the heap treats the large blocks a scan takes and frees.

#include <cstddef>
#include <memory>

namespace tw {

// Blocks of at least this many bytes are taken from the system for
// themselves and handed back the moment they are freed.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{512} << 10;

// Makes the heap hand back large blocks as they are freed (once per
// process; later calls do nothing). glibc otherwise raises its threshold for
// such blocks each time one is freed, so that a scan's later chunks land in
// its heap and stay there once freed; giving them back then takes a walk of
// the whole heap (malloc_trim), which cost up to a second after 10,000,000
// records. The parsed entries and names are held in chunks of at least
// kLargeBlockBytes, so the memory they free while the result is built leaves
// the process at once.
void HandBackLargeBlocks();

// Moves the pages that lie whole within [from, from + bytes) (a block about
// to be freed) to `to` (page-aligned), at most `room` bytes of them, and
// leaves fresh pages behind in their place, none of them touched. The
// destination must be memory of the caller's that nothing reads or writes
// meanwhile; what it held is gone. Memory the process already holds then
// goes where it is about to write, instead of back to the system while the
// same amount is faulted in afresh, page by page. Returns the bytes moved:
// 0 where the system cannot move pages (only Linux can).
std::size_t MovePages(void* from, std::size_t bytes, void* to, std::size_t room);

// The system's page size, in bytes.
std::size_t PageBytes();

// A block a stage is done with whose pages a later one may take (MovePages)
// before it is freed.
struct SpareBlock {
  std::unique_ptr<unsigned char[]> data;
  std::size_t bytes = 0;
};

}  // namespace tw
