// What the command line checks before it runs: outputs told apart from the
// sources and from each other by what the files are, the thread bound, and
// the line a failed read ends in.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/output_paths.h"
#include "cli/scan_source.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

TEST(CheckOutputs, TellsFilesApartByWhatTheyAreNotHowTheyAreNamed) {
  const fs::path dir = fs::path(testing::TempDir()) / ("tw_check_outputs_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  const std::string source = (dir / "source.img").string(), other = (dir / "other.json").string();
  std::ofstream(source) << "volume";
  std::ofstream(other) << "{}";
  fs::create_symlink(source, dir / "link");
  fs::create_hard_link(source, dir / "hard");
  fs::create_symlink(dir / "later.json", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const auto check = [&](std::vector<PlannedOutput> outputs) { return CheckOutputs(outputs, {source}); };

  EXPECT_EQ(check({{"a", other}, {"b", (dir / "new.png").string()}}), "");
  EXPECT_EQ(check({{"a", source}}), "a would overwrite SOURCE");
  EXPECT_EQ(check({{"a", (dir / "link").string()}}), "a would overwrite SOURCE");
  EXPECT_EQ(check({{"a", (dir / "hard").string()}}), "a would overwrite SOURCE");
  EXPECT_EQ(check({{"a", (dir / "sub/../source.img").string()}}), "a would overwrite SOURCE");
  EXPECT_EQ(check({{"a", (dir / "sub").string()}}), "a cannot go to " + (dir / "sub").string() + ": it is a folder");
  EXPECT_EQ(check({{"a", (dir / "fifo").string()}}), "a cannot go to " + (dir / "fifo").string() + ": it is a FIFO");
  // Two outputs: the same existing file, or the same new name in the same folder.
  EXPECT_EQ(check({{"a", other}, {"b", other}}), "a and b would be written to the same file");
  EXPECT_EQ(check({{"a", (dir / "new.png").string()}, {"b", (dir / "sub/../new.png").string()}}),
            "a and b would be written to the same file");
  EXPECT_EQ(check({{"a", (dir / "dangling").string()}, {"b", (dir / "later.json").string()}}),
            "a and b would be written to the same file");
  EXPECT_EQ(check({{"a", (dir / "new.png").string()}, {"b", (dir / "sub/new.png").string()}}), "");
  // A missing SOURCE is never the same file as anything.
  EXPECT_EQ(CheckOutputs({{"a", (dir / "gone").string()}}, {(dir / "gone").string()}), "");
  fs::remove_all(dir);
}

TEST(ThreadsOption, MoreThanAThousandTwentyFourIsAUsageError) {
  EXPECT_EQ(ParseCommandLine({"--threads", "1024", "x"}).options.threads, 1024);
  for (const char* bad : {"1025", "2147483647"}) {
    const ParsedCommandLine parsed = ParseCommandLine({"--threads", bad, "x"});
    EXPECT_EQ(parsed.error, std::string("option --threads needs a whole number from 0 to 1024, not '") + bad + "'");
  }
}

TEST(ScanFailureLine, AReadTheSystemRefusedIsNamedWithItsReason) {
  const ResolvedSource source{"disk.img", L"", ""};
  const std::string reason = std::strerror(EIO);
  EXPECT_EQ(ScanFailureLine(ScanError::kCannotRead, EIO, source, 0), "错误: 无法读取源。 (disk.img: " + reason + ")");
  EXPECT_EQ(ScanFailureLine(ScanError::kCannotReadMft, EIO, source, 0),
            "错误: 无法读取 MFT。 (disk.img: " + reason + ")");
  EXPECT_EQ(ScanFailureLine(ScanError::kCannotReadMft, 0, source, 0), "错误: 无法读取 MFT。 (disk.img)");
  EXPECT_EQ(ScanFailureLine(ScanError::kNotNtfs, 0, source, 0), "错误: 没有找到 NTFS 卷。 (disk.img)");
}

}  // namespace
}  // namespace tw
