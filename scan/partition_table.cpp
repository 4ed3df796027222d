#include "scan/partition_table.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "scan/mft_loader.h"
#include "scan/mft_record.h"

namespace tw {
namespace {

// MBR and extended tables: four 16-byte entries at 446, signature 0x55 0xAA
// at 510. A logical entry's start counts from its own table, an extended
// entry's from the start of the extended partition in the MBR.
constexpr std::size_t kMbrEntries = 446;
constexpr std::size_t kMbrEntrySize = 16;
constexpr std::size_t kMbrEntryType = 4;    // u8
constexpr std::size_t kMbrEntryStart = 8;   // u32, LBA
constexpr std::size_t kMbrEntryCount = 12;  // u32, sectors
constexpr std::size_t kMbrSignature = 510;
constexpr std::uint8_t kTypeGptProtective = 0xEE;
constexpr std::int64_t kMbrSector = 512;

// GPT header at LBA 1: "EFI PART", entry array LBA u64 @72, entry count u32
// @80, entry size u32 @84. Entry: first LBA u64 @32, last LBA u64 @40
// (inclusive); an entry whose first LBA is 0 is unused.
constexpr std::size_t kGptEntryArrayLba = 72;
constexpr std::size_t kGptEntryCount = 80;
constexpr std::size_t kGptEntrySize = 84;
constexpr std::size_t kGptFirstLba = 32;
constexpr std::size_t kGptLastLba = 40;
constexpr std::uint32_t kGptMaxEntries = 1024;

bool IsExtended(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

bool HasSignature(ByteSpan table) {
  return ReadU8(table, kMbrSignature) == 0x55 && ReadU8(table, kMbrSignature + 1) == 0xAA;
}

// An entry of `count` sectors at sector `start`, both below 2^34: the bytes fit.
PartitionExtent MbrExtent(std::uint64_t start, std::uint64_t count) {
  return PartitionExtent{static_cast<std::int64_t>(start) * kMbrSector, static_cast<std::int64_t>(count) * kMbrSector};
}

// One entry of a table: its type, first sector and length in sectors.
struct TableEntry {
  std::uint8_t type = 0;
  std::uint32_t start = 0;
  std::uint32_t count = 0;
};

// The entries of a table that have a length, in slot order.
std::vector<TableEntry> EntriesOf(ByteSpan table) {
  std::vector<TableEntry> entries;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = kMbrEntries + i * kMbrEntrySize;
    const TableEntry e{ReadU8(table, at + kMbrEntryType), ReadU32(table, at + kMbrEntryStart),
                       ReadU32(table, at + kMbrEntryCount)};
    if (e.count != 0) entries.push_back(e);
  }
  return entries;
}

// The logical partitions of the extended partition at sector `base`: each
// table lists its logical partitions and links to the next table. `visited`
// holds the sectors of the tables read so far, the MBR's first.
void ReadExtendedChain(const VolumeReadFunction& read, std::uint64_t base, std::set<std::uint64_t>& visited,
                       std::vector<PartitionExtent>& out) {
  std::vector<std::uint64_t> pending{base};  // tables still to read, the next one last
  while (!pending.empty() && visited.size() <= static_cast<std::size_t>(kMaxExtendedTables)) {
    const std::uint64_t at = pending.back();
    pending.pop_back();
    if (!visited.insert(at).second) continue;  // a loop: this table was read already
    std::uint8_t sector[kMbrSector];
    if (!read(static_cast<std::int64_t>(at) * kMbrSector, sector, sizeof sector)) continue;
    const ByteSpan table(sector, sizeof sector);
    if (!HasSignature(table)) continue;
    std::vector<std::uint64_t> links;
    for (const TableEntry& e : EntriesOf(table)) {
      if (IsExtended(e.type)) {
        links.push_back(base + e.start);
      } else {
        out.push_back(MbrExtent(at + e.start, e.count));
      }
    }
    pending.insert(pending.end(), links.rbegin(), links.rend());
  }
}

void ReadMbr(const VolumeReadFunction& read, ByteSpan mbr, std::vector<PartitionExtent>& out) {
  std::set<std::uint64_t> visited{0};
  for (const TableEntry& e : EntriesOf(mbr)) {
    if (IsExtended(e.type)) {
      ReadExtendedChain(read, e.start, visited, out);
    } else {
      out.push_back(MbrExtent(e.start, e.count));
    }
  }
}

bool ReadGpt(const VolumeReadFunction& read, std::vector<PartitionExtent>& out) {
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
    const auto limit = static_cast<std::uint64_t>(INT64_MAX / sector);
    if (array_lba == 0 || array_lba > limit) return false;
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(count) * entry_size);
    if (!read(static_cast<std::int64_t>(array_lba) * sector, entries.data(), entries.size())) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const ByteSpan e(entries.data() + static_cast<std::size_t>(i) * entry_size, entry_size);
      const std::uint64_t first = ReadU64(e, kGptFirstLba);
      const std::uint64_t last = ReadU64(e, kGptLastLba);
      if (first == 0) continue;
      // Listed however absurd; one that ends before it starts has length 0.
      PartitionExtent extent{INT64_MAX, 0};
      if (first < limit) extent.offset = static_cast<std::int64_t>(first) * sector;
      if (first < limit && last >= first && last < limit) {
        extent.length = static_cast<std::int64_t>(last - first + 1) * sector;
      }
      out.push_back(extent);
    }
    return true;
  }
  return false;
}

// The volume at `offset`, cut `length` bytes after it, still holds its boot
// sector, record 0 and every MFT byte record 0 places.
bool VolumeFitsIn(const VolumeReadFunction& read, std::int64_t offset, std::int64_t length) {
  const auto inside = [&](std::int64_t at, std::size_t size, std::uint8_t* destination) {
    return at >= 0 && at <= length && static_cast<std::uint64_t>(length - at) >= size &&
           read(offset + at, destination, size);
  };
  std::uint8_t sector[kBootSectorSize];
  BootSectorInfo info;
  if (!inside(0, sizeof sector, sector) || !ParseBootSector(ByteSpan(sector, sizeof sector), info)) return false;
  const std::int64_t cluster = info.bytes_per_cluster;
  std::vector<std::uint8_t> record(info.bytes_per_record);
  if (!inside(info.mft_start_lcn * cluster, record.size(), record.data())) return false;
  ApplyFixups(MutableSpan{record.data(), record.size()});
  const ByteSpan span(record.data(), record.size());
  std::int64_t mft_length = 0;
  if (!MftLengthFromRecord0(span, mft_length)) return false;
  std::vector<DataRun> runs;
  std::vector<RunPlacement> placements;
  if (!ParseDataRuns(span, static_cast<std::int32_t>(record.size()), runs) ||
      !PlaceRuns(runs, cluster, mft_length, placements)) {
    return false;
  }
  std::int64_t placed = 0;
  for (const RunPlacement& p : placements) {
    if (p.volume_offset < 0 || p.volume_offset > length || p.length > length - p.volume_offset) return false;
    placed += p.length;
  }
  return placed == mft_length;
}

bool StartsWithNtfs(const VolumeReadFunction& read, std::int64_t offset) {
  std::uint8_t sector[kBootSectorSize];
  return read(offset, sector, sizeof sector) && HasNtfsId(ByteSpan(sector, sizeof sector));
}

// Whether the listed partition holds an NTFS volume that can be scanned
// from this source; a partition running past the end is cut to it.
bool TakeNtfs(const VolumeReadFunction& read, std::int64_t source_size, PartitionExtent& extent) {
  if (extent.offset <= 0 || extent.length <= 0) return false;
  if (source_size <= 0) return StartsWithNtfs(read, extent.offset);
  if (extent.offset >= source_size) return false;
  const std::int64_t available = source_size - extent.offset;
  if (extent.length <= available) return StartsWithNtfs(read, extent.offset);
  if (!VolumeFitsIn(read, extent.offset, available)) return false;
  extent.listed_length = extent.length;
  extent.length = available;
  return true;
}

}  // namespace

bool ExtentHolds(const PartitionExtent& extent, std::int64_t offset, std::size_t length) {
  if (offset < 0) return false;
  if (extent.length <= 0) return true;
  return offset <= extent.length && length <= static_cast<std::uint64_t>(extent.length - offset);
}

std::vector<PartitionExtent> ListPartitions(const VolumeReadFunction& read) {
  std::vector<PartitionExtent> listed;
  std::uint8_t first[kMbrSector];
  if (!read(0, first, sizeof first)) return listed;
  const ByteSpan mbr(first, sizeof first);
  if (!HasSignature(mbr)) return listed;
  bool gpt = false;
  for (std::size_t i = 0; i < 4; ++i) {
    gpt = gpt || ReadU8(mbr, kMbrEntries + i * kMbrEntrySize + kMbrEntryType) == kTypeGptProtective;
  }
  if (gpt) {
    ReadGpt(read, listed);
  } else {
    ReadMbr(read, mbr, listed);
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const PartitionExtent& a, const PartitionExtent& b) { return a.offset < b.offset; });
  for (std::size_t i = 0; i < listed.size(); ++i) listed[i].number = static_cast<std::int32_t>(i + 1);
  return listed;
}

bool FindNtfsPartition(const VolumeReadFunction& read, std::int64_t source_size, std::int32_t partition,
                       PartitionExtent& extent) {
  if (partition < 0) return false;
  std::uint8_t first[kBootSectorSize];
  if (!read(0, first, sizeof first)) return false;
  if (HasNtfsId(ByteSpan(first, sizeof first))) {
    // A volume, not a disk: it has no partitions to choose from.
    if (partition != 0) return false;
    extent = PartitionExtent{0, source_size > 0 ? source_size : 0};
    return true;
  }
  for (PartitionExtent candidate : ListPartitions(read)) {
    if (partition != 0 && candidate.number != partition) continue;
    if (TakeNtfs(read, source_size, candidate)) {
      extent = candidate;
      return true;
    }
    if (partition != 0) return false;
  }
  return false;
}

}  // namespace tw
