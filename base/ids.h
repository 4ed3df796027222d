#pragma once
// Record identifiers: folders and files are named by their MFT record number
// (the low 48 bits of an NTFS file reference, held in 64 bits).

#include <cstdint>
#include <unordered_map>

namespace tw {

// Records a scan handles at most (a record count beyond 32 bits comes only
// from a corrupt geometry).
inline constexpr std::int64_t kMaxScanRecords = 0x7FFFFFFF;

// A folder's or file's id: its MFT record number. One type from the
// result through every view.
using RecordId = std::int64_t;

// The volume root is always MFT record 5.
inline constexpr RecordId kRootId = 5;

// An id that is zero or negative stands for the root wherever an id is looked up.
constexpr std::int64_t RootIfNotPositive(std::int64_t id) { return id <= 0 ? kRootId : id; }

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

// Hash maps keyed by record number.
template <typename T>
using IdMap = std::unordered_map<std::int64_t, T, IdHash>;

}  // namespace tw
