#pragma once
// A range of volume bytes: where unreadable MFT records lie, kept with a
// result and named in warnings.

#include <cstdint>

namespace tw {

struct ByteRange {
  std::int64_t offset = 0;
  std::int64_t length = 0;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

}  // namespace tw
