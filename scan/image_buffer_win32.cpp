#include "scan/image_buffer.h"

#include <windows.h>

#include <new>

namespace tw {

ImageBuffer::ImageBuffer(std::size_t size) {
  if (size == 0) return;
  void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  data_ = static_cast<std::uint8_t*>(block);
  size_ = size;
}

std::size_t ImageBuffer::MapGranule() { return 0; }  // volume handles are read, never mapped

void ImageBuffer::Reset() noexcept {
  if (data_ != nullptr) ::VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace tw
