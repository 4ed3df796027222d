// Prints what the treemap picture of a volume costs: scans IMAGE once, then
// opens the font, draws the picture and encodes it as a PNG (to memory)
// RUNS times each, and prints the median of each step beside the scan's
// time, with the cells the picture needed.
//
//   picture_bench IMAGE [RUNS] [WIDTHxHEIGHT]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <vector>

#include "bench_timing.h"
#include "engine/scan_driver.h"
#include "treemap/picture_text.h"
#include "treemap/png_writer.h"
#include "treemap/volume_picture.h"

using tw::bench::Median;
using tw::bench::Seconds;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: picture_bench IMAGE [RUNS] [WIDTHxHEIGHT]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 5;
  int width = tw::kPictureDefaultWidth, height = tw::kPictureDefaultHeight;
  if (argc == 4 && std::sscanf(argv[3], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "picture_bench: size WIDTHxHEIGHT\n");
    return 2;
  }
  try {
    tw::ScanResult result;
    const double scan = Seconds([&] { result = tw::ScanSourceMft(argv[1], L"X", nullptr); });
    std::vector<double> font_times, draw_times, encode_times;
    std::size_t png_bytes = 0;
    for (int i = 0; i < runs; ++i) {
      std::unique_ptr<tw::PictureFont> font;
      font_times.push_back(Seconds([&] { font = tw::OpenPictureFont(13); }));
      tw::RgbImage image;
      draw_times.push_back(Seconds([&] {
        image = tw::RenderVolumePicture(result, tw::VolumePictureOptions{width, height, font.get()});
      }));
      std::ostringstream png;
      std::string error;
      encode_times.push_back(Seconds([&] { tw::WritePng(image, png, error); }));
      png_bytes = png.str().size();
    }
    std::printf("files %d, folders %zu, picture %dx%d, PNG %zu bytes\n", result.file_count, result.folders.size(),
                width, height, png_bytes);
    std::printf("scan %.3f s; font %.3f s, draw %.3f s, encode %.3f s (medians of %d)\n", scan, Median(font_times),
                Median(draw_times), Median(encode_times), runs);
    std::printf("picture / scan %.2f\n", (Median(font_times) + Median(draw_times) + Median(encode_times)) / scan);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "picture_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
