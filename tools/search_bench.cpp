// Prints how fast the search answers on a volume: scans SOURCE (a volume
// image, or a scan saved with --save) once, then runs each query RUNS times
// with one and with two threads and prints the matches, their share of the
// volume's files and folders, and the median time of the whole search
// (parsing, matching, counting and ordering, as the window's worker and
// tarnwick-scan --find run it) and of the matching alone. The targets on
// the 1,000,000-file volume: a one-word name query matching about 1 % of
// the names within 50 ms and a filter-only query within 20 ms, both on two
// threads, the order included. The processor time of the two-thread runs
// (both threads) is printed too: on a busy machine the wall time says more
// about the others than about the search. The load average comes first.
//
//   search_bench SOURCE [RUNS] [QUERY...]
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "engine/scan_driver.h"
#include "format/utf.h"
#include "store/snapshot.h"
#include "search/query.h"
#include "search/search.h"

using tw::bench::Median;
using tw::bench::Seconds;

namespace {

double ProcessSeconds() {
  std::timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Case {
  std::string query;
  double target_ms;  // 0: no target
  tw::SearchOrder order;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: search_bench SOURCE [RUNS] [QUERY...]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 9;
  try {
    tw::ScanResult result;
    const std::string source = argv[1];
    if (tw::IsSnapshotFile(source)) {
      tw::SnapshotError error;
      if (!tw::LoadSnapshotFile(source, result, error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", source.c_str(), error.detail.c_str());
        return 1;
      }
    } else {
      result = tw::ScanSourceMft(source, L"X", nullptr);
    }
    const double entries = static_cast<double>(result.files.size() + result.folders.size());
    if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
      char line[128] = {};
      if (std::fgets(line, sizeof line, load) != nullptr) std::printf("load average %s", line);
      std::fclose(load);
    }
    std::printf("files %zu, folders %zu\n", result.files.size(), result.folders.size());

    std::vector<Case> cases;
    if (argc > 3) {
      for (int i = 3; i < argc; ++i) cases.push_back({argv[i], 0, {}});
    } else {
      cases = {
          {"_12", 50, {}},                                  // one word, about 1 % of the names
          {"ext:mp4,mp3 size:>1M", 20, {}},                 // filters only
          {"ext:jpg size:>100K", 20, {}},                   // filters only
          {"photo*.JPG", 0, {}},                            // wildcards
          {"项目", 0, {}},                                  // a Chinese word, about 4 %
          {"_12", 0, {tw::kSearchColumnName, true}},        // by name
          {"_12", 0, {tw::kSearchColumnFolder, true}},      // by folder
          {"size:<=0", 0, {}},                              // many ties by path
          {"type:file", 0, {}},                             // every file
      };
    }
    static const char* const kColumns[] = {"name", "folder", "size", "alloc", "modified"};
    std::printf("%-26s %-10s %9s %7s %11s %11s %11s %11s  %s\n", "query", "order", "matches", "share", "1 thread",
                "2 threads", "2 thr. cpu", "match only", "target (2 threads)");
    for (const Case& c : cases) {
      const std::wstring text = tw::Utf8ToUtf16(c.query);
      const tw::ParsedQuery parsed = tw::ParseQuery(text);
      if (!parsed.ok()) {
        std::printf("%-26s %s\n", c.query.c_str(), tw::Utf16ToUtf8(tw::QueryProblemLine(parsed)).c_str());
        continue;
      }
      std::vector<double> one, two, cpu, match;
      std::size_t matches = 0;
      for (int i = 0; i < runs; ++i) {
        one.push_back(Seconds([&] { matches = tw::RunSearch(result, text, c.order, 1).hits.size(); }));
        const double cpu_before = ProcessSeconds();
        two.push_back(Seconds([&] { tw::RunSearch(result, text, c.order, 2); }));
        cpu.push_back(ProcessSeconds() - cpu_before);
        match.push_back(Seconds([&] { tw::FindMatches(result, parsed.query, tw::SearchOptions{2, nullptr}); }));
      }
      const double ms = Median(two) * 1000.0;
      char order[32];
      std::snprintf(order, sizeof order, "%s %s", kColumns[std::clamp(c.order.column, 0, 4)],
                    c.order.ascending ? "up" : "down");
      char target[48] = "";
      if (c.target_ms > 0) std::snprintf(target, sizeof target, "%.0f ms %s", c.target_ms, ms <= c.target_ms ? "PASS" : "MISS");
      std::printf("%-26s %-10s %9zu %6.2f%% %8.1f ms %8.1f ms %8.1f ms %8.1f ms  %s\n", c.query.c_str(), order,
                  matches, 100.0 * static_cast<double>(matches) / std::max(entries, 1.0), Median(one) * 1000.0, ms,
                  Median(cpu) * 1000.0, Median(match) * 1000.0, target);
    }
    std::printf("(medians of %d runs)\n", runs);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "search_bench: %s\n", error.what());
    return 1;
  }
}
