#pragma once
// Hash maps keyed by MFT record number.

#include <cstdint>
#include <unordered_map>

namespace tw {

// A well-distributed hash of a 64-bit record number (the finaliser of
// splitmix64). Record numbers are dense small integers; mixing them keeps
// buckets even whatever the table size.
struct IdHash {
  std::size_t operator()(std::int64_t id) const noexcept {
    std::uint64_t x = static_cast<std::uint64_t>(id);
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return static_cast<std::size_t>(x);
  }
};

template <typename T>
using IdMap = std::unordered_map<std::int64_t, T, IdHash>;

}  // namespace tw
