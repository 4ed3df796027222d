// Extension records over a small MFT image: kept while the records are
// parsed, then searched by the records without a name of their own (through
// their attribute lists and by base number), their sizes applied to the
// parsed entries, and the entries built into a result.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "engine/tree_builder.h"
#include "scan/mft_record.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"
#include "support/result_invariants.h"

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
  std::vector<EntryItem> before;
  for (std::size_t i = 0; i < slice.entries.size(); ++i) before.push_back(slice.entries[i]);
  const IdMap<OverflowSizes> overflow = slice.overflow_sizes;
  ApplyOverflowSizes(slice);
  // The entries stay, in order, each raised to its overflow sizes and never lowered.
  TW_FUZZ_CHECK(slice.overflow_sizes.empty());
  TW_FUZZ_CHECK(slice.entries.size() == entries);
  for (std::size_t i = 0; i < entries; ++i) {
    const EntryItem& was = before[i];
    const EntryItem& now = slice.entries[i];
    TW_FUZZ_CHECK(now.id == was.id && now.ParentId() == was.ParentId() && now.IsFolder() == was.IsFolder());
    TW_FUZZ_CHECK(now.name_offset == was.name_offset && now.name_length == was.name_length);
    const auto found = overflow.find(was.id);
    const OverflowSizes raise = found == overflow.end() ? OverflowSizes{} : found->second;
    const bool raised = raise.size > 0 || raise.alloc > 0;
    if (was.IsFolder() || !raised) {
      TW_FUZZ_CHECK(now.size == was.size);
    } else if ((was.Flags() & kSizesFromName) != 0) {
      TW_FUZZ_CHECK(now.size == raise.size);
    } else {
      TW_FUZZ_CHECK(now.size == std::max(was.size, raise.size));
    }
    const bool wof = ((was.Flags() & kWofTagged) != 0 || raise.wof_tagged) && raise.wof_alloc >= 0;
    if (!was.IsFolder() && wof) {
      TW_FUZZ_CHECK(now.alloc == raise.wof_alloc);
    } else if (!was.IsFolder() && raised && (was.Flags() & (kSizesFromName | kWofAllocated)) == 0) {
      TW_FUZZ_CHECK(now.alloc == std::max(was.alloc, raise.alloc));
    }
    TW_FUZZ_CHECK(now.size >= 0 && now.alloc >= 0);
  }
  const ScanResult result = BuildScanResult(slice, L"C");
  TW_FUZZ_CHECK(static_cast<std::size_t>(result.file_count + result.folder_count) <= entries);
  TW_FUZZ_CHECK(result.root_total_size >= 0);
  TW_FUZZ_CHECK(test::CheckResultInvariants(result).empty());
  return 0;
}
