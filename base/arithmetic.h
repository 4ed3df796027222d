#pragma once
// Integer helpers for figures read from disk.

#include <cstdint>
#include <limits>

namespace tw {

// a + b held at the type's limit instead of wrapping: a damaged record may
// carry sizes near the 64-bit limit, and a total must never turn negative.
template <typename T>
constexpr T SaturatingAdd(T a, T b) {
  T sum{};
  if (__builtin_add_overflow(a, b, &sum)) {
    return b > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  }
  return sum;
}

// a - b held at the type's limit instead of wrapping.
template <typename T>
constexpr T SaturatingSub(T a, T b) {
  T difference{};
  if (__builtin_sub_overflow(a, b, &difference)) {
    return b < 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  }
  return difference;
}

constexpr bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace tw
