#pragma once
// The byte-level pieces of a saved scan: little-endian fixed-width numbers,
// LEB128 variable-length integers (signed ones zigzag-mapped first) and a
// reader that never runs past its end. Plain functions over byte vectors.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace tw::snapshot {

using Bytes = std::vector<std::uint8_t>;

inline std::uint64_t ZigZag(std::int64_t v) {
  return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
inline std::int64_t UnZigZag(std::uint64_t v) {
  return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

inline void PutVarint(Bytes& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(v));
}
inline void PutSigned(Bytes& out, std::int64_t v) { PutVarint(out, ZigZag(v)); }

inline void PutFixed32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutFixed64(Bytes& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Reads from a byte span; every read past the end, or a varint longer than
// ten bytes, sets failed() and yields 0 from then on.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Varint() {
    // Most values are one or two bytes: taken without the loop's checks.
    if (bytes_.size() - at_ >= 2 && !failed_) {
      const std::uint8_t b0 = bytes_[at_];
      if (b0 < 0x80) {
        ++at_;
        return b0;
      }
      const std::uint8_t b1 = bytes_[at_ + 1];
      if (b1 < 0x80) {
        at_ += 2;
        return (b0 & 0x7Fu) | static_cast<std::uint64_t>(b1) << 7;
      }
    }
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64 && !failed_; shift += 7) {
      if (at_ >= bytes_.size()) break;
      const std::uint8_t b = bytes_[at_++];
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return v;
    }
    failed_ = true;
    return 0;
  }
  std::int64_t Signed() { return UnZigZag(Varint()); }
  // A varint that must fit in 32 bits.
  std::uint32_t Varint32() {
    const std::uint64_t v = Varint();
    if (v > 0xFFFFFFFFu) failed_ = true;
    return failed_ ? 0 : static_cast<std::uint32_t>(v);
  }
  std::uint32_t Fixed32() {
    std::uint32_t v = 0;
    if (!Need(4)) return 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
    return v;
  }
  std::uint64_t Fixed64() {
    std::uint64_t v = 0;
    if (!Need(8)) return 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(bytes_[at_++]) << (8 * i);
    return v;
  }
  // `count` bytes from here, or an empty span (and failed) when fewer remain.
  std::span<const std::uint8_t> Take(std::size_t count) {
    if (!Need(count)) return {};
    const auto taken = bytes_.subspan(at_, count);
    at_ += count;
    return taken;
  }
  // A count of items each taking at least `min_bytes` here: larger than
  // what remains can hold means damage, and reading it would only allocate.
  std::size_t Count(std::size_t min_bytes) {
    const std::uint64_t n = Varint();
    if (failed_ || (min_bytes > 0 && n > remaining() / min_bytes)) {
      failed_ = true;
      return 0;
    }
    return static_cast<std::size_t>(n);
  }

  // Marks the input as damaged: a value read is out of its range.
  void Fail() { failed_ = true; }
  bool failed() const { return failed_; }
  bool at_end() const { return at_ == bytes_.size(); }
  std::size_t remaining() const { return bytes_.size() - at_; }

 private:
  bool Need(std::size_t count) {
    if (failed_ || count > bytes_.size() - at_) {
      failed_ = true;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace tw::snapshot
