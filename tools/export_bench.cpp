// Prints what writing a scan out costs: scans SOURCE once (or reads it, when
// it is a saved scan), then writes the CSV table and the --json --files
// document RUNS times each into memory, and once each through the window's
// save path (a temporary file in FOLDER, flushed and renamed), and prints
// the medians beside the scan's time, with the bytes and the time per file.
//
//   export_bench SOURCE [RUNS] [FOLDER]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "engine/scan_driver.h"
#include "export/csv_export.h"
#include "export/export_file.h"
#include "export/result_json.h"
#include "store/snapshot.h"

using tw::bench::Median;
using tw::bench::Seconds;

namespace {

// Counts what is written and keeps nothing: the writer's own cost.
class CountingBuffer final : public std::streambuf {
 public:
  std::size_t bytes() const { return bytes_; }

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes_ += static_cast<std::size_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes_;
    return traits_type::not_eof(c);
  }

 private:
  std::size_t bytes_ = 0;
};

double SaveSeconds(const std::string& path, const tw::ScanResult& result, tw::ExportFormat format) {
  tw::ExportRequest request;
  request.format = format;
  std::string error;
  bool saved = false;
  const double seconds = Seconds([&] { saved = tw::SaveExport(path, result, request, error); });
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  if (!saved) throw std::runtime_error(path + ": " + error);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: export_bench SOURCE [RUNS] [FOLDER]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string folder = argc == 4 ? argv[3] : "/tmp";
  try {
    tw::ScanResult result;
    double scan = 0;
    if (tw::IsSnapshotFile(argv[1])) {
      tw::SnapshotError error;
      scan = Seconds([&] {
        if (!tw::LoadSnapshotFile(argv[1], result, error)) throw std::runtime_error("saved scan: " + error.detail);
      });
    } else {
      scan = Seconds([&] { result = tw::ScanSourceMft(argv[1], L"X", nullptr); });
    }
    std::vector<double> csv_times, json_times;
    std::size_t csv_bytes = 0, json_bytes = 0;
    for (int i = 0; i < runs; ++i) {
      CountingBuffer csv;
      std::ostream csv_out(&csv);
      csv_times.push_back(Seconds([&] { tw::WriteCsvExport(result, csv_out); }));
      csv_bytes = csv.bytes();
      CountingBuffer json;
      std::ostream json_out(&json);
      json_times.push_back(Seconds([&] { tw::WriteResultJson(result, tw::JsonReportOptions{100, true}, json_out); }));
      json_bytes = json.bytes();
    }
    const double csv_file = SaveSeconds(folder + "/export_bench.csv", result, tw::ExportFormat::kCsv);
    const double json_file = SaveSeconds(folder + "/export_bench.json", result, tw::ExportFormat::kJson);
    const double files = std::max(1, result.file_count + result.folder_count);
    std::printf("files %d, folders %d; %s %.3f s\n", result.file_count, result.folder_count,
                tw::IsSnapshotFile(argv[1]) ? "read" : "scan", scan);
    std::printf("CSV  %zu bytes: %.3f s in memory (median of %d, %.0f ns a row), %.3f s to a file\n", csv_bytes,
                Median(csv_times), runs, Median(csv_times) * 1e9 / files, csv_file);
    std::printf("JSON %zu bytes: %.3f s in memory (median of %d), %.3f s to a file\n", json_bytes, Median(json_times),
                runs, json_file);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
