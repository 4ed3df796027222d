#pragma once
// The MFT image as a plain byte vector, for tests that index or copy it.

#include <cstdint>
#include <vector>

#include "scan/image_buffer.h"
#include "scan/mft_loader.h"

namespace tw::test {

// ReadMft into a fresh ImageBuffer, copied out; false (and an empty vector)
// when the load fails.
inline bool ReadMftBytes(RawVolume& volume, std::vector<std::uint8_t>& image, std::int32_t& record_size) {
  ImageBuffer buffer;
  image.clear();
  if (!ReadMft(volume, buffer, record_size)) return false;
  image.assign(buffer.data(), buffer.data() + buffer.size());
  return true;
}

}  // namespace tw::test
