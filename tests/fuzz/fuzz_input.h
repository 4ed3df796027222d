#pragma once
// What the fuzz targets share: how an input of raw bytes is read as records,
// and a check that stops the run (a finding) when an invariant breaks.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "scan/byte_reader.h"
#include "scan/mft_loader.h"

namespace tw::fuzz {

// NTFS 3.1 header field: the bytes allocated for the record (u32 at 28).
inline constexpr std::size_t kAllocatedSizeField = 28;

// The record size an input is read with: the first record's own allocated
// size when it is one the loader accepts and the input holds a whole record
// of it, otherwise 1024 bytes when the input has them, otherwise the input.
inline std::int32_t RecordSizeOf(ByteSpan input) {
  const std::uint32_t claimed = ReadU32(input, kAllocatedSizeField);
  const bool power = claimed != 0 && (claimed & (claimed - 1)) == 0;
  if (power && claimed >= kMinRecordSize && claimed <= kMaxRecordSize && claimed <= input.size) {
    return static_cast<std::int32_t>(claimed);
  }
  if (input.size >= 1024) return 1024;
  return static_cast<std::int32_t>(input.size);
}

// Aborts with a message: libFuzzer reports the abort and keeps the input.
#define TW_FUZZ_CHECK(condition)                                                             \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)

}  // namespace tw::fuzz
