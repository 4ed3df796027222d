#pragma once
// The whole MFT as one byte vector, for tests and tools that index or copy
// records (the scan itself never holds the MFT whole).

#include <cstdint>
#include <vector>

#include "scan/mft_loader.h"

namespace tw::test {

// ReadMftLayout, then every record with ReadMftWindow; false (and an empty
// vector) when the layout cannot be read or a record cannot.
// With allow_unreadable, records that cannot be read are left as zeros (no
// record parses from them) instead of failing the whole read.
inline bool ReadMftBytes(RawVolume& volume, std::vector<std::uint8_t>& image, std::int32_t& record_size,
                         bool allow_unreadable = false) {
  image.clear();
  MftLayout layout;
  if (!ReadMftLayout(volume, layout)) return false;
  record_size = layout.record_size;
  image.resize(static_cast<std::size_t>(layout.record_count * layout.record_size));
  std::vector<ByteRange> unreadable;
  if (ReadMftWindow(volume, layout, 0, layout.record_count, image.data(), unreadable) != 0 && !allow_unreadable) {
    image.clear();
    return false;
  }
  return true;
}

}  // namespace tw::test
