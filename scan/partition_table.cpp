#include "scan/partition_table.h"

#include <cstring>
#include <vector>

namespace tw {
namespace {

// MBR: four 16-byte entries at 446, signature 0x55 0xAA at 510.
constexpr std::size_t kMbrEntries = 446;
constexpr std::size_t kMbrEntrySize = 16;
constexpr std::size_t kMbrEntryType = 4;    // u8
constexpr std::size_t kMbrEntryStart = 8;   // u32, LBA
constexpr std::size_t kMbrEntryCount = 12;  // u32, sectors
constexpr std::size_t kMbrSignature = 510;
constexpr std::uint8_t kTypeGptProtective = 0xEE;
constexpr std::int64_t kMbrSector = 512;

// GPT header at LBA 1: "EFI PART", entry array LBA u64 @72, entry count u32
// @80, entry size u32 @84. Entry: type GUID @0 (all zero = unused), first LBA
// u64 @32, last LBA u64 @40 (inclusive).
constexpr std::size_t kGptEntryArrayLba = 72;
constexpr std::size_t kGptEntryCount = 80;
constexpr std::size_t kGptEntrySize = 84;
constexpr std::size_t kGptFirstLba = 32;
constexpr std::size_t kGptLastLba = 40;
constexpr std::uint32_t kGptMaxEntries = 1024;

struct Candidate {
  std::int32_t number = 0;
  PartitionExtent extent;
};

bool InSource(const PartitionExtent& e, std::int64_t source_size) {
  if (e.offset <= 0 || e.length <= 0) return false;
  return source_size <= 0 || (e.offset < source_size && e.length <= source_size - e.offset);
}

bool ReadGpt(const VolumeReadFunction& read, std::int64_t source_size, std::vector<Candidate>& out) {
  // Disks with 512-byte and with 4 KiB logical sectors.
  for (const std::int64_t sector : {std::int64_t{512}, std::int64_t{4096}}) {
    std::uint8_t header[512];
    if (!read(sector, header, sizeof header) || std::memcmp(header, "EFI PART", 8) != 0) continue;
    const ByteSpan h(header, sizeof header);
    const std::uint64_t array_lba = ReadU64(h, kGptEntryArrayLba);
    const std::uint32_t count = ReadU32(h, kGptEntryCount);
    const std::uint32_t entry_size = ReadU32(h, kGptEntrySize);
    if (count == 0 || count > kGptMaxEntries || entry_size < 128 || entry_size > 4096 || entry_size % 8 != 0) {
      return false;
    }
    if (array_lba == 0 || array_lba > static_cast<std::uint64_t>(INT64_MAX / sector)) return false;
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(count) * entry_size);
    if (!read(static_cast<std::int64_t>(array_lba) * sector, entries.data(), entries.size())) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const ByteSpan e(entries.data() + static_cast<std::size_t>(i) * entry_size, entry_size);
      bool used = false;
      for (std::size_t b = 0; b < 16; ++b) used = used || e.data[b] != 0;
      if (!used) continue;
      const std::uint64_t first = ReadU64(e, kGptFirstLba);
      const std::uint64_t last = ReadU64(e, kGptLastLba);
      const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX / sector);
      if (last < first || last >= limit) continue;
      PartitionExtent extent{static_cast<std::int64_t>(first) * sector,
                             static_cast<std::int64_t>(last - first + 1) * sector};
      if (InSource(extent, source_size)) out.push_back(Candidate{static_cast<std::int32_t>(i + 1), extent});
    }
    return true;
  }
  return false;
}

bool ReadPartitions(const VolumeReadFunction& read, ByteSpan mbr, std::int64_t source_size,
                    std::vector<Candidate>& out) {
  if (ReadU8(mbr, kMbrSignature) != 0x55 || ReadU8(mbr, kMbrSignature + 1) != 0xAA) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (ReadU8(mbr, kMbrEntries + i * kMbrEntrySize + kMbrEntryType) == kTypeGptProtective) {
      return ReadGpt(read, source_size, out);
    }
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = kMbrEntries + i * kMbrEntrySize;
    if (ReadU8(mbr, at + kMbrEntryType) == 0) continue;
    PartitionExtent extent{ReadU32(mbr, at + kMbrEntryStart) * kMbrSector,
                           ReadU32(mbr, at + kMbrEntryCount) * kMbrSector};
    if (InSource(extent, source_size)) out.push_back(Candidate{static_cast<std::int32_t>(i + 1), extent});
  }
  return true;
}

bool StartsWithNtfs(const VolumeReadFunction& read, std::int64_t offset) {
  std::uint8_t sector[kBootSectorSize];
  return read(offset, sector, sizeof sector) && HasNtfsId(ByteSpan(sector, sizeof sector));
}

}  // namespace

bool ExtentHolds(const PartitionExtent& extent, std::int64_t offset, std::size_t length) {
  if (offset < 0) return false;
  if (extent.length <= 0) return true;
  return offset <= extent.length && length <= static_cast<std::uint64_t>(extent.length - offset);
}

bool FindNtfsPartition(const VolumeReadFunction& read, std::int64_t source_size, std::int32_t partition,
                       PartitionExtent& extent) {
  if (partition < 0) return false;
  std::uint8_t first[kBootSectorSize];
  if (!read(0, first, sizeof first)) return false;
  const ByteSpan mbr(first, sizeof first);
  if (HasNtfsId(mbr)) {
    // A volume, not a disk: it has no partitions to choose from.
    if (partition != 0) return false;
    extent = PartitionExtent{0, source_size > 0 ? source_size : 0};
    return true;
  }
  std::vector<Candidate> candidates;
  if (!ReadPartitions(read, mbr, source_size, candidates)) return false;
  for (const Candidate& c : candidates) {
    if (partition != 0 && c.number != partition) continue;
    if (StartsWithNtfs(read, c.extent.offset)) {
      extent = c.extent;
      return true;
    }
    if (partition != 0) return false;
  }
  return false;
}

}  // namespace tw
