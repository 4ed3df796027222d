// Writes a synthetic NTFS volume (see ntfsbuild/synthetic_volume.h) and prints
// what a scan of it must find, one "name value" pair per line.
//
//   make_synthetic_volume OUTPUT.img RECORDS [SEED]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ntfsbuild/synthetic_volume.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_synthetic_volume OUTPUT.img RECORDS [SEED]\n");
    return 2;
  }
  tw::build::SyntheticVolumeSpec spec;
  spec.records = std::strtoll(argv[2], nullptr, 10);
  if (argc > 3) spec.seed = std::strtoull(argv[3], nullptr, 10);
  tw::build::SyntheticVolumeSummary summary;
  std::string error;
  if (!tw::build::WriteSyntheticVolume(argv[1], spec, summary, error)) {
    std::fprintf(stderr, "make_synthetic_volume: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "records %lld\nfiles %d\nfolders %d\ntotal_size %lld\nhard_links %d\nattribute_lists %d\n"
      "free_records %d\nvolume_size %lld\n",
      static_cast<long long>(summary.records), summary.files, summary.folders,
      static_cast<long long>(summary.total_size), summary.hard_links, summary.attribute_lists, summary.free_records,
      static_cast<long long>(summary.volume_size));
  for (const tw::build::SyntheticExtent& e : summary.mft_extents) {
    std::printf("mft_extent %lld %lld\n", static_cast<long long>(e.offset), static_cast<long long>(e.length));
  }
  return 0;
}
