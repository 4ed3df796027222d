#pragma once
// Whole-disk images made around a real NTFS volume for the partition tests:
// partition tables (the MBR at sector 0, extended tables anywhere) written
// entry by entry, and the volume's bytes copied in at a chosen sector,
// sparse, in a file of a chosen size.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

struct TableEntry {
  int slot = 1;  // 1-4
  std::uint8_t type = 0;
  std::uint32_t start = 0;  // sectors, as the table counts them
  std::uint32_t count = 0;
};

struct PartitionTable {
  std::uint64_t sector = 0;  // where the table lies
  std::vector<TableEntry> entries;
};

// Writes `path` with `sectors` 512-byte sectors: the tables, and the volume
// file's bytes from `volume_sector` on (cut at the end of the disk). False
// when a file cannot be read or written.
inline bool WriteDiskImage(const std::string& path, const std::vector<PartitionTable>& tables,
                           const std::string& volume, std::uint64_t volume_sector, std::uint64_t sectors) {
  const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int in = ::open(volume.c_str(), O_RDONLY);
  bool ok = out >= 0 && in >= 0 && ::ftruncate(out, static_cast<off_t>(sectors * 512)) == 0;
  std::vector<char> block(1 << 20);
  const auto end = static_cast<off_t>(sectors * 512);
  for (off_t at = 0; ok;) {
    const off_t to = static_cast<off_t>(volume_sector * 512) + at;
    if (to >= end) break;
    const ssize_t got = ::pread(in, block.data(), block.size(), at);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    const auto size = static_cast<std::size_t>(std::min<off_t>(got, end - to));
    bool zero = true;
    for (std::size_t i = 0; i < size && zero; ++i) zero = block[i] == 0;
    if (!zero) ok = ::pwrite(out, block.data(), size, to) == static_cast<ssize_t>(size);
    at += got;
  }
  for (const PartitionTable& table : tables) {
    std::uint8_t sector[512] = {};
    for (const TableEntry& e : table.entries) {
      std::uint8_t* entry = sector + 446 + 16 * (e.slot - 1);
      entry[4] = e.type;
      for (int i = 0; i < 4; ++i) {
        entry[8 + i] = static_cast<std::uint8_t>(e.start >> (8 * i));
        entry[12 + i] = static_cast<std::uint8_t>(e.count >> (8 * i));
      }
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    ok = ok && ::pwrite(out, sector, sizeof sector, static_cast<off_t>(table.sector * 512)) == 512;
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ok = ::close(out) == 0 && ok;
  return ok;
}

}  // namespace tw::test
