// Prints what saving and reading back a scan costs: scans IMAGE (median of
// --runs scans with the engine), encodes the result and decodes it again the
// same number of times, and prints the snapshot's bytes per file, the
// median times, and reading back as a share of scanning. Then what the
// window adds to each scan by remembering it: the first remembered scan of
// a volume (encode and write) and every later one (read the previous,
// compare, encode and write), in a temporary folder.
//
//   snapshot_bench IMAGE [RUNS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <vector>

#include "bench_timing.h"
#include "engine/scan_driver.h"
#include "model/result_generation.h"
#include "store/scan_memory.h"
#include "store/snapshot.h"

using tw::bench::Median;
using tw::bench::Seconds;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: snapshot_bench IMAGE [RUNS]\n");
    return 2;
  }
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
  try {
    tw::ScanResult result;
    std::vector<double> scan, encode, decode;
    for (int i = 0; i < runs; ++i) scan.push_back(Seconds([&] { result = tw::ScanSourceMft(argv[1], L"X", nullptr); }));
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < runs; ++i) encode.push_back(Seconds([&] { bytes = tw::EncodeSnapshot(result); }));
    for (int i = 0; i < runs; ++i) {
      tw::ScanResult back;
      tw::SnapshotError error;
      decode.push_back(Seconds([&] {
        if (!tw::DecodeSnapshot(bytes, back, error)) {
          std::fprintf(stderr, "decode failed: %s\n", error.detail.c_str());
          std::exit(1);
        }
      }));
    }
    const double files = result.file_count > 0 ? result.file_count : 1;
    std::printf("files %d, folders %zu\n", result.file_count, result.folders.size());
    std::printf("snapshot %zu bytes, %.1f bytes per file\n", bytes.size(), static_cast<double>(bytes.size()) / files);
    std::printf("scan %.3f s, encode %.3f s, decode %.3f s (medians of %d)\n", Median(scan), Median(encode),
                Median(decode), runs);
    std::printf("decode / scan %.2f\n", Median(decode) / Median(scan));

    if (result.volume_serial == 0) result.volume_serial = 0x5EED;
    // What a change to the result costs when it is made by copying the
    // whole result into a new generation.
    std::vector<double> copy;
    tw::ResultGeneration generation;
    for (int i = 0; i < runs; ++i) copy.push_back(Seconds([&] { generation = tw::MakeGeneration(result); }));
    std::printf("a new generation by copy %.3f s (median of %d)\n", Median(copy), runs);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarnwick-remember-bench";
    std::filesystem::remove_all(folder);
    std::vector<double> first, later;
    for (int i = 0; i < runs; ++i) {
      std::filesystem::remove_all(folder);
      first.push_back(Seconds([&] { tw::RememberScan(folder.string(), generation, 200); }));
      later.push_back(Seconds([&] {
        const tw::RememberedScan remembered = tw::RememberScan(folder.string(), generation, 200);
        if (remembered.previous_scan != tw::PreviousScan::kCompared || !remembered.saved) {
          std::fprintf(stderr, "remember failed: %s\n", remembered.problem.c_str());
          std::exit(1);
        }
      }));
    }
    std::filesystem::remove_all(folder);
    std::printf("remember: first %.3f s, later (read, compare, write) %.3f s (medians of %d); later / scan %.2f\n",
                Median(first), Median(later), runs, Median(later) / Median(scan));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "snapshot_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
