#pragma once
// Saved scans taken apart and put together again, for tests that craft
// damaged or hostile files: each section's raw bytes and header fields can
// be changed at will and the file is joined with whatever sizes and
// checksums the test leaves in the headers. The sections, in file order:
// header, folders, child folders, files, names, extensions, largest files.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tw::test {

inline constexpr std::size_t kFileSection = 3;

struct CraftedSection {
  std::uint32_t tag = 0;
  std::vector<std::uint8_t> raw;     // the bytes before compression
  std::vector<std::uint8_t> packed;  // as written
  std::uint64_t raw_size = 0;        // as the header declares it
  std::uint32_t crc = 0;             // as the header declares it
};

inline void PutVarint(std::vector<std::uint8_t>& out, std::uint64_t v) {
  for (; v >= 0x80; v >>= 7) out.push_back(static_cast<std::uint8_t>(v | 0x80));
  out.push_back(static_cast<std::uint8_t>(v));
}

// Packs the raw bytes and makes the header tell the truth about them.
inline void Repack(CraftedSection& section) {
  uLongf size = compressBound(static_cast<uLong>(section.raw.size()));
  section.packed.assign(size, 0);
  compress2(section.packed.data(), &size, section.raw.data(), static_cast<uLong>(section.raw.size()), 1);
  section.packed.resize(size);
  section.raw_size = section.raw.size();
  section.crc = static_cast<std::uint32_t>(crc32_z(0L, section.raw.data(), section.raw.size()));
}

inline std::uint64_t GetLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
  std::uint64_t v = 0;
  for (int i = 0; i < width; ++i) v |= static_cast<std::uint64_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
  return v;
}

inline void AppendLe(std::vector<std::uint8_t>& out, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The sections of a well-formed file, each inflated.
inline std::vector<CraftedSection> SplitSnapshot(const std::vector<std::uint8_t>& file) {
  std::vector<CraftedSection> sections;
  std::size_t at = 16;
  while (at + 24 <= file.size()) {
    CraftedSection s;
    s.tag = static_cast<std::uint32_t>(GetLe(file, at, 4));
    s.raw_size = GetLe(file, at + 4, 8);
    const auto packed = static_cast<std::size_t>(GetLe(file, at + 12, 8));
    s.crc = static_cast<std::uint32_t>(GetLe(file, at + 20, 4));
    at += 24;
    s.packed.assign(file.begin() + static_cast<std::ptrdiff_t>(at),
                    file.begin() + static_cast<std::ptrdiff_t>(at + packed));
    at += packed;
    s.raw.assign(static_cast<std::size_t>(s.raw_size), 0);
    uLongf raw_size = static_cast<uLongf>(s.raw.size());
    uncompress(s.raw.data(), &raw_size, s.packed.data(), static_cast<uLong>(s.packed.size()));
    sections.push_back(std::move(s));
  }
  return sections;
}

// Magic, format version 1, the section count, then each section as it stands.
inline std::vector<std::uint8_t> JoinSnapshot(const std::vector<CraftedSection>& sections) {
  std::vector<std::uint8_t> file = {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n'};
  AppendLe(file, 1, 4);
  AppendLe(file, sections.size(), 4);
  for (const CraftedSection& s : sections) {
    AppendLe(file, s.tag, 4);
    AppendLe(file, s.raw_size, 8);
    AppendLe(file, s.packed.size(), 8);
    AppendLe(file, s.crc, 4);
    file.insert(file.end(), s.packed.begin(), s.packed.end());
  }
  return file;
}

}  // namespace tw::test
