// Smoke run of the benchmark's synthetic volumes: the generator writes a
// 20,000-record volume, the built tarnwick-scan scans it, and the scan must
// find exactly the files, folders and bytes the generator says it wrote, with
// the MFT where record 0's run list says it is.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ntfsbuild/synthetic_volume.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// Standard output of a command line (stderr left alone).
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

class SyntheticVolume : public testing::Test {
 protected:
  void SetUp() override {
    // One file per test and process: CTest runs the tests side by side.
    path_ = fs::path(testing::TempDir()) /
            ("tarnwick_synthetic_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
             std::to_string(getpid()) + ".img");
    build::SyntheticVolumeSpec spec;
    spec.records = 20000;
    spec.seed = 20240307;
    std::string error;
    ASSERT_TRUE(build::WriteSyntheticVolume(path_.string(), spec, summary_, error)) << error;
  }
  void TearDown() override { fs::remove(path_); }

  fs::path path_;
  build::SyntheticVolumeSummary summary_;
};

TEST_F(SyntheticVolume, ScanFindsExactlyWhatTheGeneratorWrote) {
  // The volume has the features the scan must get right, not only plain files.
  EXPECT_EQ(summary_.records, 20000);
  EXPECT_GT(summary_.folders, 500);
  EXPECT_GT(summary_.hard_links, 0);
  EXPECT_GT(summary_.attribute_lists, 0);
  EXPECT_GT(summary_.free_records, 0);
  EXPECT_EQ(summary_.records, summary_.files + summary_.folders + 1 + summary_.free_records + summary_.attribute_lists);

  for (const char* threads : {"1", "2"}) {
    SCOPED_TRACE(threads);
    const std::string out = Output(std::string("'" TARNWICK_BINARY_DIR "/bin/tarnwick-scan' --json --threads ") +
                                   threads + " '" + path_.string() + "' 2>/dev/null");
    const nlohmann::json doc = nlohmann::json::parse(out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << out.substr(0, 200);
    EXPECT_EQ(doc["file_count"].get<std::int64_t>(), summary_.files);
    EXPECT_EQ(doc["folder_count"].get<std::int64_t>(), summary_.folders);
    EXPECT_EQ(doc["root_total_size"].get<std::int64_t>(), summary_.total_size);
    // Every folder and file hangs somewhere below the root.
    const nlohmann::json& root = doc["folders"][0];
    EXPECT_EQ(root["total_folder_count"].get<std::int64_t>(), summary_.folders);
    EXPECT_EQ(root["total_file_count"].get<std::int64_t>(), summary_.files);
  }
}

TEST_F(SyntheticVolume, TheMftExtentsAreWhereRecordZeroSaysTheyAre) {
  ASSERT_EQ(summary_.mft_extents.size(), 2u);
  std::ostringstream expected;
  for (const build::SyntheticExtent& e : summary_.mft_extents) expected << e.offset << ' ' << e.length << '\n';
  EXPECT_EQ(Output("'" TARNWICK_BINARY_DIR "/bin/print_mft_extents' '" + path_.string() + "'"), expected.str());
}

// Standard output and standard error of a command line, apart.
struct Outputs {
  std::string out;
  std::string err;
};
Outputs BothOutputs(const std::string& command, const fs::path& err_file) {
  Outputs o;
  o.out = Output(command + " 2>'" + err_file.string() + "'");
  std::ifstream in(err_file);
  o.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  fs::remove(err_file);
  return o;
}

// The JSON document with its one time-dependent figure taken out.
std::string Steady(std::string json) {
  const std::size_t at = json.find("\"elapsed_seconds\":");
  if (at != std::string::npos) json.erase(at, json.find(',', at) - at);
  return json;
}

// A volume whose MFT is more than half free, in zones longer than a read
// window, as deleting a large tree leaves it, with WOF-compressed files.
TEST(SyntheticVolumeFreeZones, TheScanSkipsTheFreeZonesAndFindsWhatAFullReadFinds) {
  const fs::path path = fs::path(testing::TempDir()) / ("tarnwick_freezones_" + std::to_string(getpid()) + ".img");
  const fs::path err = path.string() + ".err";
  build::SyntheticVolumeSpec spec;
  spec.records = 40000;
  spec.seed = 7;
  spec.free_zones = 3;
  spec.free_zone_records = 8000;
  spec.wof_every = 5;
  build::SyntheticVolumeSummary summary;
  std::string error;
  ASSERT_TRUE(build::WriteSyntheticVolume(path.string(), spec, summary, error)) << error;
  EXPECT_GT(summary.free_records, 24000);
  EXPECT_GT(summary.wof_files, 100);

  const std::string scan = "'" TARNWICK_BINARY_DIR "/bin/tarnwick-scan' -q --timings --json --files ";
  const Outputs planned = BothOutputs(scan + "'" + path.string() + "'", err);
  const Outputs full = BothOutputs(scan + "--read-all '" + path.string() + "'", err);
  EXPECT_EQ(Steady(planned.out), Steady(full.out));
  // What each read of the MFT, by its own count.
  const auto bytes_read = [](const std::string& timings, long long& total) {
    long long read = -1;
    const std::size_t at = timings.find("mft_read");
    if (at != std::string::npos) std::sscanf(timings.c_str() + at, "mft_read %lld of %lld bytes", &read, &total);
    return read;
  };
  long long total = 0;
  const long long read = bytes_read(planned.err, total);
  EXPECT_EQ(total, spec.records * 1024);
  EXPECT_LE(read, total * 45 / 100) << planned.err;
  EXPECT_GE(read, (spec.records - summary.free_records) * 1024);
  EXPECT_EQ(bytes_read(full.err, total), total);

  // WOF-compressed files (reparse bit set) take their compressed stream's
  // allocated bytes; sizes stay the unnamed stream's.
  const nlohmann::json doc = nlohmann::json::parse(planned.out, nullptr, false);
  ASSERT_FALSE(doc.is_discarded());
  EXPECT_EQ(doc["file_count"].get<std::int64_t>(), summary.files);
  EXPECT_EQ(doc["root_total_size"].get<std::int64_t>(), summary.total_size);
  std::int64_t wof_files = 0, wof_alloc = 0;
  for (const nlohmann::json& file : doc["files"]) {
    if ((file["attributes"].get<std::int64_t>() & 0x400) == 0) continue;
    ++wof_files;
    wof_alloc += file["alloc"].get<std::int64_t>();
  }
  EXPECT_EQ(wof_files, summary.wof_files);
  EXPECT_EQ(wof_alloc, summary.wof_alloc);
  fs::remove(path);
}

}  // namespace
}  // namespace tw
