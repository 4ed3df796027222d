#pragma once
// Bounds-checked little-endian reads from on-disk bytes.
//
// Every multi-byte field of a boot sector, file record, attribute or run list
// is read through these helpers. Nothing casts a buffer onto a struct and
// nothing assumes alignment. A read that would pass the end of the span
// returns 0; callers that must tell "absent" from "zero" check Fits() first.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tw {

struct ByteSpan {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;

  ByteSpan() = default;
  ByteSpan(const std::uint8_t* d, std::size_t n) : data(d), size(n) {}

  // The sub-span [offset, offset + length), cut to what exists.
  ByteSpan Sub(std::size_t offset, std::size_t length) const {
    if (offset > size) return ByteSpan(data + size, 0);
    if (length > size - offset) length = size - offset;
    return ByteSpan(data + offset, length);
  }
};

// True when [offset, offset + width) lies inside the span. Written so that it
// cannot overflow: offset is compared with size before subtracting.
inline bool Fits(ByteSpan s, std::size_t offset, std::size_t width) {
  return offset <= s.size && width <= s.size - offset;
}

inline std::uint64_t ReadUnsigned(ByteSpan s, std::size_t offset, std::size_t width) {
  if (!Fits(s, offset, width)) return 0;
  std::uint64_t v = 0;
  for (std::size_t i = width; i-- > 0;) v = (v << 8) | s.data[offset + i];
  return v;
}

// A fixed-width field: one unaligned load on little-endian machines (every
// target of this program), the byte loop elsewhere. Same bounds rule.
template <typename T>
inline T ReadFixed(ByteSpan s, std::size_t offset) {
  if (!Fits(s, offset, sizeof(T))) return 0;
  if constexpr (std::endian::native == std::endian::little) {
    T v;
    std::memcpy(&v, s.data + offset, sizeof(T));
    return v;
  } else {
    return static_cast<T>(ReadUnsigned(s, offset, sizeof(T)));
  }
}

inline std::uint8_t ReadU8(ByteSpan s, std::size_t offset) { return ReadFixed<std::uint8_t>(s, offset); }
inline std::uint16_t ReadU16(ByteSpan s, std::size_t offset) { return ReadFixed<std::uint16_t>(s, offset); }
inline std::uint32_t ReadU32(ByteSpan s, std::size_t offset) { return ReadFixed<std::uint32_t>(s, offset); }
inline std::uint64_t ReadU64(ByteSpan s, std::size_t offset) { return ReadFixed<std::uint64_t>(s, offset); }
inline std::int32_t ReadI32(ByteSpan s, std::size_t offset) { return static_cast<std::int32_t>(ReadU32(s, offset)); }
inline std::int64_t ReadI64(ByteSpan s, std::size_t offset) { return static_cast<std::int64_t>(ReadU64(s, offset)); }

// The record number of a 64-bit NTFS file reference: its low 48 bits.
inline std::int64_t ReadRecordNumber(ByteSpan s, std::size_t offset) {
  return static_cast<std::int64_t>(ReadUnsigned(s, offset, 6));
}

// A little-endian signed integer of width 1..8 bytes (run-list deltas): the
// sign comes from the top bit of its last byte.
inline std::int64_t ReadSignedVar(ByteSpan s, std::size_t offset, std::size_t width) {
  if (width == 0 || width > 8 || !Fits(s, offset, width)) return 0;
  std::uint64_t v = ReadUnsigned(s, offset, width);
  if (width < 8 && (s.data[offset + width - 1] & 0x80)) v |= ~std::uint64_t{0} << (8 * width);
  return static_cast<std::int64_t>(v);
}

// Writing helpers for scratch copies (fix-ups write into their own copy only).
inline void WriteU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace tw
