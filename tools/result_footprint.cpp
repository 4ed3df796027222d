// Prints the heap memory held by a finished scan result: scans IMAGE with
// the engine, then reads what malloc still has in use while only the result
// is alive, and divides by the files of the result; then the same split into
// the names' UTF-16 bytes and the rest.
//
//   result_footprint IMAGE
//
// glibc only (mallinfo2); every allocation is kept in one arena so that the
// figure includes what the slice threads allocated.
#include <malloc.h>

#include <cstdio>
#include <exception>
#include <string>

#include "engine/scan_driver.h"

namespace {

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: result_footprint IMAGE\n");
    return 2;
  }
  mallopt(M_ARENA_MAX, 1);
  const std::size_t before = HeapInUse();
  try {
    const tw::ScanResult result = tw::ScanSourceMft(argv[1], L"X", nullptr);
    const std::size_t held = HeapInUse() - before;
    const double files = result.file_count > 0 ? result.file_count : 1;
    // The names' UTF-16 units, folders' names included, and what is left for
    // everything else; the goal is at most 64 bytes per file beyond its name.
    const double name_bytes = static_cast<double>(result.names.units() * sizeof(char16_t));
    std::printf("%.1f MiB held by the finished result, %.0f bytes per file (%d files, %zu folders)\n",
                static_cast<double>(held) / 1048576.0, static_cast<double>(held) / files, result.file_count,
                result.folders.size());
    std::printf("%.1f bytes per file of UTF-16 names, %.1f bytes per file beyond the names\n", name_bytes / files,
                (static_cast<double>(held) - name_bytes) / files);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "result_footprint: %s\n", e.what());
    return 1;
  }
  return 0;
}
