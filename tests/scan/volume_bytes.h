#pragma once
// Small byte builders for the volume-access tests: an NTFS boot sector, a
// file record holding one non-resident $DATA with a given run list (laid out
// and protected by the update sequence as on disk), and run-list encoding.

#include <cstdint>
#include <cstring>
#include <vector>

namespace tw::test {

inline void PutLe(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct BootSectorSpec {
  std::uint16_t bytes_per_sector = 512;
  std::uint8_t sectors_per_cluster = 8;
  std::int64_t total_sectors = 2048;
  std::int64_t mft_lcn = 4;
  std::int8_t clusters_per_record = -10;  // 2^10 = 1024-byte records
  const char* oem = "NTFS    ";
};

inline std::vector<std::uint8_t> BootSector(const BootSectorSpec& s) {
  std::vector<std::uint8_t> b(512, 0);
  b[0] = 0xEB;
  b[1] = 0x52;
  b[2] = 0x90;
  std::memcpy(&b[3], s.oem, 8);
  PutLe(b, 11, s.bytes_per_sector, 2);
  b[13] = s.sectors_per_cluster;
  PutLe(b, 40, static_cast<std::uint64_t>(s.total_sectors), 8);
  PutLe(b, 48, static_cast<std::uint64_t>(s.mft_lcn), 8);
  b[64] = static_cast<std::uint8_t>(s.clusters_per_record);
  b[510] = 0x55;
  b[511] = 0xAA;
  return b;
}

// One run for EncodeRuns: a delta-free description (absolute lcn; sparse when
// lcn < 0).
struct RunSpec {
  std::int64_t length;
  std::int64_t lcn;
};

// Encodes runs with minimal field widths, terminated by a zero byte.
inline std::vector<std::uint8_t> EncodeRuns(const std::vector<RunSpec>& runs) {
  std::vector<std::uint8_t> out;
  std::int64_t previous = 0;
  auto width_unsigned = [](std::uint64_t v) {
    std::size_t n = 1;
    while (n < 8 && (v >> (8 * n)) != 0) ++n;
    return n;
  };
  auto width_signed = [](std::int64_t v) {
    std::size_t n = 1;
    while (n < 8 && (v < -(std::int64_t{1} << (8 * n - 1)) || v >= (std::int64_t{1} << (8 * n - 1)))) ++n;
    return n;
  };
  for (const RunSpec& r : runs) {
    const std::size_t l = width_unsigned(static_cast<std::uint64_t>(r.length));
    const bool sparse = r.lcn < 0;
    const std::int64_t delta = sparse ? 0 : r.lcn - previous;
    const std::size_t f = sparse ? 0 : width_signed(delta);
    out.push_back(static_cast<std::uint8_t>(l | (f << 4)));
    for (std::size_t i = 0; i < l; ++i)
      out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(r.length) >> (8 * i)));
    for (std::size_t i = 0; i < f; ++i)
      out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(delta) >> (8 * i)));
    if (!sparse) previous = r.lcn;
  }
  out.push_back(0);
  return out;
}

// A non-resident attribute: type, optional name length, the run-list bytes
// and the sizes of its header (allocated @40, data @48, valid @56).
struct AttributeSpec {
  std::uint32_t type = 0x80;
  bool non_resident = true;
  std::uint8_t name_length = 0;
  std::vector<std::uint8_t> runs;
  std::int64_t lowest_vcn = 0;
  std::int64_t allocated = 0;
  std::int64_t data_size = 0;
  std::int64_t valid_size = 0;
};

inline std::vector<std::uint8_t> Attribute(const AttributeSpec& a) {
  const std::size_t header = 64 + a.name_length * 2u;
  std::size_t length = (header + a.runs.size() + 7) / 8 * 8;
  if (!a.non_resident) length = 24 + 8;
  std::vector<std::uint8_t> b(length, 0);
  PutLe(b, 0, a.type, 4);
  PutLe(b, 4, length, 4);
  b[8] = a.non_resident ? 1 : 0;
  b[9] = a.name_length;
  if (a.non_resident) {
    PutLe(b, 10, 64, 2);  // name offset
    PutLe(b, 16, static_cast<std::uint64_t>(a.lowest_vcn), 8);
    PutLe(b, 32, header, 2);  // run-list offset
    PutLe(b, 40, static_cast<std::uint64_t>(a.allocated), 8);
    PutLe(b, 48, static_cast<std::uint64_t>(a.data_size), 8);
    PutLe(b, 56, static_cast<std::uint64_t>(a.valid_size), 8);
    std::memcpy(b.data() + header, a.runs.data(), a.runs.size());
  } else {
    PutLe(b, 16, 8, 4);   // value length
    PutLe(b, 20, 24, 2);  // value offset
  }
  return b;
}

// A file record of record_size bytes holding the attributes in order, with
// the update sequence array at 48 and every sector's last word protected.
inline std::vector<std::uint8_t> Record(std::size_t record_size,
                                        const std::vector<std::vector<std::uint8_t>>& attributes,
                                        std::uint32_t number = 0) {
  std::vector<std::uint8_t> r(record_size, 0);
  std::memcpy(r.data(), "FILE", 4);
  const std::size_t sectors = record_size / 512;
  PutLe(r, 4, 48, 2);
  PutLe(r, 6, sectors + 1, 2);
  std::size_t offset = (48 + 2 * (sectors + 1) + 7) / 8 * 8;
  PutLe(r, 20, offset, 2);
  PutLe(r, 22, 1, 2);  // in use
  PutLe(r, 44, number, 4);
  for (const auto& a : attributes) {
    std::memcpy(r.data() + offset, a.data(), a.size());
    offset += a.size();
  }
  PutLe(r, offset, 0xFFFFFFFF, 4);
  PutLe(r, 24, offset + 8, 4);  // bytes in use
  PutLe(r, 28, record_size, 4);
  const std::uint16_t sequence = 0x0007;
  PutLe(r, 48, sequence, 2);
  for (std::size_t i = 0; i < sectors; ++i) {
    r[48 + 2 + 2 * i] = r[i * 512 + 510];
    r[48 + 3 + 2 * i] = r[i * 512 + 511];
    PutLe(r, i * 512 + 510, sequence, 2);
  }
  return r;
}

}  // namespace tw::test
