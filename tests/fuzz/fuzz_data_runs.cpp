// Record 0's run list: finding the unnamed $DATA, decoding its runs, placing
// them in an MFT image, and the MFT length the boot-sector path reads from it.

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "scan/boot_sector.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  if (size > kMaxRecordSize) return 0;
  std::vector<std::uint8_t> record(data, data + size);
  ApplyFixups(MutableSpan{record.data(), record.size()});
  const ByteSpan span(record.data(), record.size());
  const auto record_size = static_cast<std::int32_t>(size);

  std::vector<DataRun> runs;
  const bool found = ParseDataRuns(span, record_size, runs);
  TW_FUZZ_CHECK(found == !runs.empty());
  // Runs follow each other; one whose end passes the 64-bit range ends the list.
  std::int64_t vcn = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    TW_FUZZ_CHECK(runs[i].length > 0);
    TW_FUZZ_CHECK(runs[i].vcn == vcn);
    if (__builtin_add_overflow(runs[i].vcn, runs[i].length, &vcn)) TW_FUZZ_CHECK(i + 1 == runs.size());
  }

  std::int64_t length = 0;
  if (MftLengthFromRecord0(span, length)) TW_FUZZ_CHECK(length > 0);

  // Place the runs in an image as large as the record claims, held to 1 GiB.
  const std::int64_t image_size = length > 0 && length <= (std::int64_t{1} << 30) ? length : 1 << 20;
  for (const std::int64_t cluster : {std::int64_t{512}, std::int64_t{4096}, std::int64_t{2} << 20}) {
    std::vector<RunPlacement> placements;
    if (!PlaceRuns(runs, cluster, image_size, placements)) continue;
    for (const RunPlacement& p : placements) {
      TW_FUZZ_CHECK(p.length > 0 && p.image_offset >= 0 && p.volume_offset >= 0);
      TW_FUZZ_CHECK(p.image_offset + p.length <= image_size);
    }
  }
  return 0;
}
