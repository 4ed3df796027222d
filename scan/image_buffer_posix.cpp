#include "scan/image_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace tw {

ImageBuffer::ImageBuffer(std::size_t size) {
  if (size == 0) return;
  void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(block, size, MADV_HUGEPAGE);  // a hint: refused, the block still works
#endif
  data_ = static_cast<std::uint8_t*>(block);
  size_ = size;
}

std::size_t ImageBuffer::MapGranule() {
  const long page = ::sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::size_t>(page) : 0;
}

void ImageBuffer::Reset() noexcept {
  if (data_ != nullptr) ::munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace tw
