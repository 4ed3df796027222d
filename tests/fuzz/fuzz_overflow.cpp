// Extension records over a small MFT image: kept while the records are
// parsed, then searched by the records without a name of their own (through
// their attribute lists and by base number), and their sizes applied to the
// parsed entries and folded into the aggregate.

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
  const std::size_t pending = slice.pending.size();
  for (const ExtensionRecord& e : slice.extension_records) TW_FUZZ_CHECK(e.base != 0 && e.base != e.id);
  ResolvePendingRecords(slice);
  // Each pending record yields one entry at most.
  TW_FUZZ_CHECK(slice.entries.size() <= parsed + pending);
  TW_FUZZ_CHECK(slice.pending.empty() && slice.extension_records.empty());
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
