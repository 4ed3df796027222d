// Prints where the MFT of a bare NTFS volume image lies, as the engine's
// loader reads it: one "OFFSET LENGTH" line (bytes from the start of the
// volume) per extent of record 0's run list, cut to the MFT's valid length.
// The benchmark reads exactly these bytes with dd as the I/O floor.
//
//   print_mft_extents IMAGE
#include <cstdio>
#include <vector>

#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/raw_volume.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: print_mft_extents IMAGE\n");
    return 2;
  }
  std::unique_ptr<tw::RawVolume> volume = tw::OpenSourceVolume(argv[1], 0);
  tw::NtfsVolumeData data;
  if (!volume || !volume->QueryVolumeData(data) || !tw::VolumeDataIsSane(data)) {
    std::fprintf(stderr, "print_mft_extents: %s: not an NTFS volume\n", argv[1]);
    return 1;
  }
  const std::int64_t cluster = data.bytes_per_cluster;
  std::vector<std::uint8_t> record(data.bytes_per_record);
  if (!volume->ReadAt(cluster * data.mft_start_lcn, record.data(), record.size())) return 1;
  tw::ApplyFixups(tw::MutableSpan{record.data(), record.size()});
  std::vector<tw::DataRun> runs;
  std::vector<tw::RunPlacement> placements;
  if (!tw::ParseDataRuns(tw::ByteSpan(record.data(), record.size()), static_cast<std::int32_t>(data.bytes_per_record),
                         runs) ||
      !tw::PlaceRuns(runs, cluster, data.mft_valid_data_length, placements)) {
    std::fprintf(stderr, "print_mft_extents: %s: record 0 has no run list\n", argv[1]);
    return 1;
  }
  for (const tw::RunPlacement& p : placements) {
    std::printf("%lld %lld\n", static_cast<long long>(p.volume_offset), static_cast<long long>(p.length));
  }
  return 0;
}
