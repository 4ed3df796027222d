// SOURCEs under hostile use, through the built tarnwick-scan. A crafted or
// damaged saved scan is refused with its one line and status 1 while the
// program's address space is held to 256 MiB: memory follows what a file
// holds, never what it claims. --compare checks both SOURCEs, unopened,
// before it reads either, so a FIFO on either side is refused at once. A
// partition running past the end of a disk image is read with a warning,
// and a read of the boot sector the system refuses is named as such.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/scan_source.h"
#include "store/snapshot.h"
#include "support/disk_image.h"
#include "support/process_run.h"
#include "support/scan_result_builder.h"
#include "support/snapshot_craft.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";

// The sanitizers reserve terabytes of address space: under them the runs go
// unlimited, and only what they answer is checked.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
constexpr int kAddressSpaceKiB = 256 * 1024;

class HostileSources : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("tw_hostile_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }

  // The scanner with its address space limited, under a timeout.
  static test::ProcessOutcome ScanLimited(const std::string& args) {
    const std::string limit = kLimitAddressSpace ? "ulimit -v " + std::to_string(kAddressSpaceKiB) + "; " : "";
    return test::RunShell("bash -c " + ShellQuote(limit + "exec timeout 60 " + ShellQuote(kBinary) + " -q " + args));
  }

  // Status 1 and the one line "错误: 扫描存档已损坏。 (FILE: detail)".
  static void ExpectDamaged(const test::ProcessOutcome& run, const std::string& file, const std::string& detail) {
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "错误: 扫描存档已损坏。 (" + file + ": " + detail + ")\n");
  }

  fs::path dir_;
};

// A result of `files` files with random names and sizes: its snapshot packs
// to about 20 bytes a file.
ScanResult& RandomResult(test::ScanResultBuilder& builder, int files) {
  std::mt19937 random(11);
  builder.AddFolder(40, kRootId, L"data");
  for (int i = 0; i < files; ++i) {
    std::wstring name;
    for (int k = 0; k < 10; ++k) name += static_cast<wchar_t>(L'a' + random() % 26);
    builder.AddFile(i % 2 == 0 ? 40 : kRootId, 100 + i, name + L".dat", static_cast<std::int64_t>(random() % 5000000));
  }
  return builder.Finish();
}

TEST_F(HostileSources, AValidScanReadsBackWithinTheLimit) {
  test::ScanResultBuilder builder(L"X");
  const std::string file = Write("valid.tws", EncodeSnapshot(RandomResult(builder, 50'000)));
  const test::ProcessOutcome run = ScanLimited(ShellQuote(file));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("扫描完成 ", 0), 0u);
}

TEST_F(HostileSources, NegativeSizesAreDamageAlsoWhenCompared) {
  test::ScanResultBuilder builder(L"X");
  ScanResult& result = RandomResult(builder, 10);
  const std::string valid = Write("valid.tws", EncodeSnapshot(result));
  result.folders[1].total_size = -40'000'000;  // a shrink of 40 MB would have read as +8 EB
  const std::string negative = Write("negative.tws", EncodeSnapshot(result));
  ExpectDamaged(ScanLimited(ShellQuote(negative)), negative, "a folder's size or count is negative");
  ExpectDamaged(ScanLimited("--compare " + ShellQuote(negative) + " " + ShellQuote(valid)), negative,
                "a folder's size or count is negative");
  ExpectDamaged(ScanLimited("--compare " + ShellQuote(valid) + " " + ShellQuote(negative)), negative,
                "a folder's size or count is negative");
}

TEST_F(HostileSources, AnInflatedRawSizeCostsOnlyWhatTheFileHolds) {
  // A megabyte snapshot whose files section claims 1,100 times its packed
  // size: more than its count of files allows.
  test::ScanResultBuilder builder(L"X");
  std::vector<test::CraftedSection> sections = test::SplitSnapshot(EncodeSnapshot(RandomResult(builder, 50'000)));
  test::CraftedSection& files = sections[test::kFileSection];
  files.raw_size = 1100 * files.packed.size();
  const std::vector<std::uint8_t> claimed = test::JoinSnapshot(sections);
  ASSERT_GT(claimed.size(), 500'000u);
  const std::string beyond_counts = Write("beyond-counts.tws", claimed);
  ExpectDamaged(ScanLimited(ShellQuote(beyond_counts)), beyond_counts, "the files section's header is damaged");

  // A count of 100 million files before a megabyte of random bytes: the
  // count allows the claim, so only the bytes that arrive are held.
  files.raw.clear();
  test::PutVarint(files.raw, 100'000'000);
  std::mt19937 random(3);
  for (int i = 0; i < (1 << 20); ++i) files.raw.push_back(static_cast<std::uint8_t>(random()));
  test::Repack(files);
  files.raw_size = 1100 * files.packed.size();
  const std::string beyond_data = Write("beyond-data.tws", test::JoinSnapshot(sections));
  ExpectDamaged(ScanLimited(ShellQuote(beyond_data)), beyond_data, "the files do not match their checksum");
}

TEST_F(HostileSources, ASparseFileWithTheMagicFailsAtItsHeader) {
  constexpr std::uintmax_t kSize = std::uintmax_t{3} << 30;
  const std::string magic = Write("magic.tws", {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n'});
  fs::resize_file(magic, kSize);
  ExpectDamaged(ScanLimited(ShellQuote(magic)), magic, "the header is damaged");

  test::ScanResultBuilder builder(L"X");
  const std::string padded = Write("padded.tws", EncodeSnapshot(RandomResult(builder, 100)));
  fs::resize_file(padded, kSize);
  ExpectDamaged(ScanLimited(ShellQuote(padded)), padded, "bytes follow the last section");
}

TEST_F(HostileSources, CompareRefusesAFifoOnEitherSideUnopened) {
  test::ScanResultBuilder builder(L"X");
  const std::string valid = Write("valid.tws", EncodeSnapshot(RandomResult(builder, 10)));
  const std::string fifo = Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& args :
       {ShellQuote(fifo) + " " + ShellQuote(valid), ShellQuote(valid) + " " + ShellQuote(fifo)}) {
    // Opening the FIFO would wait for a writer: the timeout would end that with 124.
    const test::ProcessOutcome run = ScanLimited("--compare " + args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err, "tarnwick-scan: " + fifo + ": is a FIFO, not a volume image or block device\n");
  }
  // Neither side is read before both are checked: a missing NEW stops a
  // damaged OLD from being reported.
  const std::string damaged = Write("damaged.tws", {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n', 0});
  const test::ProcessOutcome run = ScanLimited("--compare " + ShellQuote(damaged) + " " + ShellQuote(Path("gone")));
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.err, "tarnwick-scan: " + Path("gone") + ": no such file or device\n");
}

TEST_F(HostileSources, APartitionRunningPastTheEndIsReadWithAWarning) {
  const test::UnpackedImage volume(test::TestDataDir() + "/tree.img.xz");
  ASSERT_FALSE(volume.path().empty());
  const auto sectors = static_cast<std::uint32_t>(fs::file_size(volume.path()) / 512);
  const std::string disk = Path("disk.raw");
  ASSERT_TRUE(test::WriteDiskImage(disk, {{0, {{1, 0x07, 2048, 4 * sectors}}}}, volume.path(), 2048, 2048 + sectors));
  const test::ProcessOutcome run = ScanLimited("--json --files " + ShellQuote(disk));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "警告: 分区 1 超出源的末尾，只读取到源的末尾 (字节 1048576-" +
                         std::to_string(1048576 + std::int64_t{4} * sectors * 512 - 1) + ")\n");
  const test::ProcessOutcome bare = ScanLimited("--json --files " + ShellQuote(volume.path()));
  const auto without_time = [](std::string json) {
    const std::size_t at = json.find("\"elapsed_seconds\":");
    return json.erase(at, json.find(',', at) - at);
  };
  EXPECT_EQ(without_time(run.out), without_time(bare.out));
}

}  // namespace
}  // namespace tw
