// One file record, and the records its attribute list names: fix-ups, the
// base-record parse, the parse that follows the attribute list through a
// small MFT image, and the range parse of the pass over the MFT on that image.

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "scan/mft_record.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

namespace {

void CheckEntry(const tw::MftEntry& entry, std::int64_t id) {
  TW_FUZZ_CHECK(entry.id == id);
  TW_FUZZ_CHECK(!entry.name.empty() && entry.name.size() <= 255 + 16);
  TW_FUZZ_CHECK(entry.size >= 0 && entry.alloc >= 0);
  TW_FUZZ_CHECK(!entry.is_directory || (entry.size == 0 && entry.alloc == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  const ByteSpan image(data, size);
  const std::int32_t record_size = fuzz::RecordSizeOf(image);
  if (record_size <= 0) return 0;

  // Record 0 of the input, fixed up in a copy of exactly its size.
  std::vector<std::uint8_t> first(data, data + record_size);
  ApplyFixups(MutableSpan{first.data(), first.size()});
  const ByteSpan record(first.data(), first.size());
  // The record's own number (u32 at 44) as its id, so the root rules are reached.
  const std::int64_t id = ReadU32(record, 44);

  MftEntry entry;
  if (ParseBaseRecord(record, id, entry)) CheckEntry(entry, id);
  for (const std::int64_t r : CollectListedRecords(record, id)) TW_FUZZ_CHECK(r != 0 && r != id);
  // A compact copy parses as safely (its attributes are the record's, but a
  // value pointing outside its attribute reads other bytes there).
  const std::vector<std::uint8_t> compact = CompactRecord(record);
  MftEntry from_compact;
  if (ParseBaseRecord(ByteSpan(compact.data(), compact.size()), id, from_compact)) CheckEntry(from_compact, id);

  ScanSlice slice;
  const auto count = static_cast<std::int64_t>(size / static_cast<std::size_t>(record_size));
  ParseRange(image, record_size, 0, count + 1, slice);
  ResolvePendingRecords(slice);
  TW_FUZZ_CHECK(slice.entries.size() <= static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < slice.entries.size(); ++i) {
    const EntryItem& e = slice.entries[i];
    TW_FUZZ_CHECK(e.id < count);
    // Every name lies in the names, and reads back as the entry's.
    TW_FUZZ_CHECK(slice.entries.Name(e).size() == e.NameLength());
    TW_FUZZ_CHECK(slice.entries.Entry(e).name.size() == e.NameLength());
  }
  return 0;
}
