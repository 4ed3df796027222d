#pragma once
// The memory of the MFT image: one block of zero bytes of a fixed size, taken
// from the system in one piece. Fresh pages of the system come zeroed, so the
// block is zero-filled without being written, and the reads of the load are
// the first writes to it: a large MFT is not touched twice. On Linux the block
// asks for huge pages, which makes filling it several times cheaper, and a
// volume over a file may map whole pages of the MFT into it instead of
// copying them (read-only; the buffer gives them back with its memory).
//
// Move-only; the block goes back to the system when the buffer is destroyed or
// reset. Allocation failure throws std::bad_alloc, like any other allocation.

#include <cstddef>
#include <cstdint>

namespace tw {

class ImageBuffer {
 public:
  ImageBuffer() = default;
  explicit ImageBuffer(std::size_t size);
  ~ImageBuffer() { Reset(); }
  ImageBuffer(ImageBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  ImageBuffer& operator=(ImageBuffer&& other) noexcept {
    if (this != &other) {
      Reset();
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Gives the memory back; the buffer is then empty.
  void Reset() noexcept;
  // The unit in which a volume may map its bytes into the buffer instead of
  // reading them (RawVolume::MapAt): the page size, or 0 where nothing is mapped.
  static std::size_t MapGranule();

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace tw
