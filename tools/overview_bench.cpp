// Prints what the 全景 page's picture of a volume costs off the window's
// thread: scans IMAGE once, then lays out and draws the whole volume at
// WIDTHxHEIGHT (default 1600x1000) RUNS times, keeping every cell for
// pointing, as the page's job does, and prints the median beside the
// volume picture's own drawing, with the cells kept and their memory.
//
//   overview_bench IMAGE [RUNS] [WIDTHxHEIGHT]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "bench_timing.h"
#include "engine/scan_driver.h"
#include "treemap/volume_picture.h"
#include "views/overview_picture.h"

using tw::bench::Median;
using tw::bench::Seconds;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: overview_bench IMAGE [RUNS] [WIDTHxHEIGHT]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 7;
  int width = 1600, height = 1000;
  if (argc == 4 && std::sscanf(argv[3], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "overview_bench: size WIDTHxHEIGHT\n");
    return 2;
  }
  try {
    tw::ScanResult result;
    const double scan = Seconds([&] { result = tw::ScanSourceMft(argv[1], L"X", nullptr); });
    std::vector<double> overview_times, picture_times;
    std::size_t cells = 0, merged = 0, offered = 0;
    for (int i = 0; i < runs; ++i) {
      tw::OverviewPicture picture;
      // The label font's line height at 96 DPI, as the window asks.
      const tw::OverviewRequest request{tw::kRootId, width, height, 16};
      overview_times.push_back(Seconds([&] { picture = tw::RenderOverview(result, request); }));
      cells = picture.layout.cells.size();
      merged = picture.layout.merged.size();
      offered = picture.labels.offered();
      picture_times.push_back(Seconds([&] {
        tw::RenderVolumePicture(result, tw::VolumePictureOptions{width, height, nullptr});
      }));
    }
    std::printf("files %d, folders %zu, overview %dx%d\n", result.file_count, result.folders.size(), width, height);
    std::printf(
        "scan %.3f s; overview layout and drawing %.3f s (cells %zu, of them grey %zu, %.1f MB kept; "
        "%zu offered a label); volume picture without text %.3f s (medians of %d)\n",
        scan, Median(overview_times), cells, merged,
        static_cast<double>(cells * sizeof(tw::NestedCell) + merged * sizeof(tw::MergedItems)) / 1e6, offered,
        Median(picture_times), runs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "overview_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
