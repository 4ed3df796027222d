// The overflow-size pass over a small MFT image: extension records found by
// their base number and through attribute lists, then applied to the parsed
// entries and folded into the aggregate.

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "scan/mft_record.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  const ByteSpan image(data, size);
  const std::int32_t record_size = fuzz::RecordSizeOf(image);
  if (record_size <= 0) return 0;
  const auto count = static_cast<std::int64_t>(size / static_cast<std::size_t>(record_size));

  ScanSlice slice;
  ParseRange(image, record_size, 0, count, slice);
  const std::size_t parsed = slice.entries.size();
  CollectOverflowSizes(image, record_size, slice);
  // The sweep adds the files named only in their extension records.
  TW_FUZZ_CHECK(slice.entries.size() >= parsed);
  for (std::size_t i = parsed; i < slice.entries.size(); ++i) TW_FUZZ_CHECK(!slice.entries[i].is_directory);
  const std::size_t entries = slice.entries.size();
  for (const auto& [id, sizes] : slice.overflow_sizes) {
    TW_FUZZ_CHECK(id > 0);
    TW_FUZZ_CHECK(sizes.size >= 0 && sizes.size <= kSizeSanityLimit);
    TW_FUZZ_CHECK(sizes.alloc >= 0 && sizes.alloc <= kSizeSanityLimit);
  }
  ApplyOverflowSizes(slice);
  TW_FUZZ_CHECK(slice.entries.empty() && slice.overflow_sizes.empty());
  TW_FUZZ_CHECK(static_cast<std::size_t>(slice.file_count + slice.folder_count) <= entries);
  TW_FUZZ_CHECK(slice.file_size_sum >= 0 && slice.file_alloc_sum >= 0);
  return 0;
}
