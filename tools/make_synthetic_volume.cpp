// Writes a synthetic NTFS volume (see ntfsbuild/synthetic_volume.h) and prints
// what a scan of it must find, one "name value" pair per line.
//
//   make_synthetic_volume OUTPUT.img RECORDS [SEED] [options]
//     --free-zones N:RECORDS  N ranges of RECORDS free records each, as
//                             deleted files leave them
//     --wof-every N           every N-th file with data outside its record
//                             WOF-compressed
//     --no-mft-bitmap         record 0 without its $BITMAP
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ntfsbuild/synthetic_volume.h"

int main(int argc, char** argv) {
  const char* usage =
      "usage: make_synthetic_volume OUTPUT.img RECORDS [SEED] [--free-zones N:RECORDS] [--wof-every N] "
      "[--no-mft-bitmap]\n";
  if (argc < 3) {
    std::fprintf(stderr, "%s", usage);
    return 2;
  }
  tw::build::SyntheticVolumeSpec spec;
  spec.records = std::strtoll(argv[2], nullptr, 10);
  for (int k = 3; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--free-zones" && k + 1 < argc) {
      const char* value = argv[++k];
      char* rest = nullptr;
      spec.free_zones = std::strtoll(value, &rest, 10);
      if (rest == nullptr || *rest != ':') {
        std::fprintf(stderr, "%s", usage);
        return 2;
      }
      spec.free_zone_records = std::strtoll(rest + 1, nullptr, 10);
    } else if (arg == "--wof-every" && k + 1 < argc) {
      spec.wof_every = std::strtoll(argv[++k], nullptr, 10);
    } else if (arg == "--no-mft-bitmap") {
      spec.mft_bitmap = false;
    } else if (k == 3 && !arg.empty() && arg[0] != '-') {
      spec.seed = std::strtoull(arg.c_str(), nullptr, 10);
    } else {
      std::fprintf(stderr, "%s", usage);
      return 2;
    }
  }
  tw::build::SyntheticVolumeSummary summary;
  std::string error;
  if (!tw::build::WriteSyntheticVolume(argv[1], spec, summary, error)) {
    std::fprintf(stderr, "make_synthetic_volume: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "records %lld\nfiles %d\nfolders %d\ntotal_size %lld\nhard_links %d\nattribute_lists %d\n"
      "free_records %d\nwof_files %d\nwof_alloc %lld\nvolume_size %lld\n",
      static_cast<long long>(summary.records), summary.files, summary.folders,
      static_cast<long long>(summary.total_size), summary.hard_links, summary.attribute_lists, summary.free_records,
      summary.wof_files, static_cast<long long>(summary.wof_alloc), static_cast<long long>(summary.volume_size));
  for (const tw::build::SyntheticExtent& e : summary.mft_extents) {
    std::printf("mft_extent %lld %lld\n", static_cast<long long>(e.offset), static_cast<long long>(e.length));
  }
  return 0;
}
