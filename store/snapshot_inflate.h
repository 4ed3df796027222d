#pragma once
// One section of a saved scan, inflated in bounded pieces: its packed bytes
// are read a piece at a time and streamed through zlib, and the output grows
// as inflated bytes arrive, never to the size the section declares before
// they have come. As soon as its first bytes tell the section's counts, the
// declared size is held against the most those counts allow; the length
// and the CRC-32 are checked at the end. A damaged file thus costs memory in
// proportion to what it really holds, whatever its sizes claim.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "store/snapshot_codec.h"

namespace tw::snapshot {

// Reads exactly `length` bytes at `offset` of the whole file; false when
// they cannot be read.
using ReadFunction = std::function<bool(std::uint64_t offset, std::uint8_t* destination, std::size_t length)>;

// The most bytes the section can hold, told from the first bytes of it
// (`head`); nullopt while they are too few to tell.
using LimitFunction = std::function<std::optional<std::uint64_t>(std::span<const std::uint8_t> head)>;

struct PackedSection {
  std::uint64_t offset = 0;  // of the packed bytes in the file
  std::uint64_t packed_size = 0;
  std::uint64_t raw_size = 0;  // as declared
  std::uint32_t crc = 0;       // of the raw bytes, as declared
};

enum class Inflated {
  kOk,
  kUnreadable,  // the packed bytes could not be read
  kTooLarge,    // the declared size is more than the section's counts allow
  kMismatch,    // not a whole zlib stream of the declared size and CRC-32
  kOutOfMemory,
};

// Packed bytes read per piece, and the first output block.
inline constexpr std::size_t kPieceSize = 256 * 1024;
inline constexpr std::size_t kFirstOutput = 64 * 1024;

// Inflates the section into `raw` (replaced); kOk when it is whole and matches.
Inflated InflateSection(const ReadFunction& read, const PackedSection& section, const LimitFunction& limit, Bytes& raw);

}  // namespace tw::snapshot
