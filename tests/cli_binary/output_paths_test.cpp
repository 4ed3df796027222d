// Outputs that never destroy: --save, --ncdu and --treemap are refused with
// status 2 and one line, before anything is scanned or written, when they
// name a SOURCE (directly, through a symbolic or a hard link), another output
// of the same run, or an existing file that is not a regular one. A save's
// temporary file leaves room for any name the target may have, and a save cut
// short is cleaned up by the next save to the same target.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/output_paths.h"
#include "store/snapshot.h"
#include "support/process_run.h"
#include "support/scan_result_builder.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";

class Outputs : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("tw_outputs_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // A saved scan of a few hundred files with names of random letters (a few
    // KiB even packed): a SOURCE read back in no time.
    test::ScanResultBuilder builder(L"X");
    builder.AddFolder(40, kRootId, L"data");
    std::mt19937 random(25);
    for (int i = 0; i < 400; ++i) {
      std::wstring name;
      for (int k = 0; k < 12; ++k) name += static_cast<wchar_t>(L'a' + random() % 26);
      builder.AddFile(40, 100 + i, name + L".bin", static_cast<std::int64_t>(random() % 100000));
    }
    std::string error;
    ASSERT_TRUE(SaveSnapshotFile(Path("source.tws"), builder.Finish(), error)) << error;
    source_bytes_ = test::ReadWholeFile(Path("source.tws"));
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs the scanner (under a timeout: nothing here may wait on a FIFO).
  test::ProcessOutcome Scan(const std::string& args) const {
    return test::RunShell("timeout 20 " + ShellQuote(kBinary) + " -q " + args);
  }

  // Refused as a usage error, in one line naming the reason, with nothing
  // written to stdout and the SOURCE as it was.
  void ExpectRefused(const std::string& args, const std::string& reason) const {
    SCOPED_TRACE(args);
    const test::ProcessOutcome run = Scan(args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(test::ReadWholeFile(Path("source.tws")), source_bytes_);
  }

  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  std::string source_bytes_;
};

const std::pair<const char*, const char*> kOutputs[] = {
    {"--save", "the saved scan"}, {"--ncdu", "the ncdu export"}, {"--treemap", "the treemap picture"}};

TEST_F(Outputs, NoOutputOverwritesTheSourceDirectlyOrThroughALink) {
  fs::create_symlink(Path("source.tws"), Path("link"));
  fs::create_hard_link(Path("source.tws"), Path("hard"));
  for (const auto& [option, what] : kOutputs) {
    for (const char* name : {"source.tws", "link", "hard"}) {
      ExpectRefused(std::string(option) + " " + ShellQuote(Path(name)) + " " + ShellQuote(Path("source.tws")),
                    std::string(what) + " would overwrite SOURCE");
    }
  }
  EXPECT_EQ(Listing(), (std::vector<std::string>{"hard", "link", "source.tws"}));
}

// The case that lost a whole image: --save onto the volume it scans.
TEST_F(Outputs, SavingOntoTheScannedImageLeavesTheImageAlone) {
  const test::UnpackedImage volume(test::TestDataDir() + "/cluster512.img.xz");
  ASSERT_FALSE(volume.path().empty());
  const std::string before = test::ReadWholeFile(volume.path());
  fs::create_symlink(volume.path(), Path("image-link"));
  for (const std::string& target : {volume.path(), Path("image-link")}) {
    const test::ProcessOutcome run = Scan("--save " + ShellQuote(target) + " " + ShellQuote(volume.path()));
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("the saved scan would overwrite SOURCE"), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::ReadWholeFile(volume.path()), before);
}

TEST_F(Outputs, DeviceNodesFifosSocketsAndFoldersAreNeverWrittenOrReplaced) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("folder"));
  std::vector<std::pair<std::string, std::string>> targets = {{"fifo", "it is a FIFO"}, {"folder", "it is a folder"}};
  // A copy of /dev/null: what a save renamed over it would have replaced.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    targets.push_back({"null", "it is a character device"});
  }
  for (const auto& [option, what] : kOutputs) {
    for (const auto& [name, kind] : targets) {
      ExpectRefused(std::string(option) + " " + ShellQuote(Path(name)) + " " + ShellQuote(Path("source.tws")),
                    std::string(what) + " cannot go to " + Path(name) + ": " + kind);
    }
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_directory(Path("folder")));
  EXPECT_TRUE(fs::is_empty(Path("folder")));
  if (root) {
    struct stat st {};
    ASSERT_EQ(::stat(Path("null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
  } else {
    GTEST_LOG_(INFO) << "not root: no device node made";
  }
  // The saving code itself never replaces one either.
  std::string error;
  EXPECT_FALSE(SaveSnapshotFile(Path("fifo"), test::ScanResultBuilder(L"X").Finish(), error));
  EXPECT_EQ(error, "not a regular file");
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
}

TEST_F(Outputs, TwoOutputsOfOneRunNeverShareAFile) {
  const std::string source = ShellQuote(Path("source.tws"));
  fs::create_directory(Path("sub"));
  ExpectRefused("--save " + ShellQuote(Path("x")) + " --ncdu " + ShellQuote(Path("x")) + " " + source,
                "the saved scan and the ncdu export would be written to the same file");
  ExpectRefused("--ncdu " + ShellQuote(Path("y")) + " --treemap " + ShellQuote(Path("sub/../y")) + " " + source,
                "the ncdu export and the treemap picture would be written to the same file");
  fs::create_symlink(Path("z.png"), Path("to-z"));
  ExpectRefused("--save " + ShellQuote(Path("z.png")) + " --treemap " + ShellQuote(Path("to-z")) + " " + source,
                "the saved scan and the treemap picture would be written to the same file");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"source.tws", "sub", "to-z"}));
  // Apart, all three are written; --ncdu - is stdout, no file.
  const test::ProcessOutcome run = Scan("--save " + ShellQuote(Path("a.tws")) + " --treemap " +
                                        ShellQuote(Path("a.png")) + " --treemap-size 64x64 --ncdu - " + source);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("[1,", 0), 0u) << run.out.substr(0, 40);
  EXPECT_TRUE(IsSnapshotFile(Path("a.tws")));
  EXPECT_GT(fs::file_size(Path("a.png")), 0u);
}

TEST_F(Outputs, ASaveTakesAnyNameTheTargetMayHave) {
  for (const std::size_t length : {250u, 255u}) {
    const std::string name(length, 'n');
    const test::ProcessOutcome run = Scan("--save " + ShellQuote(Path(name)) + " " + ShellQuote(Path("source.tws")));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(IsSnapshotFile(Path(name))) << length;
    // Nothing else is left in the folder: the temporary file became the target.
    EXPECT_EQ(Listing(), (std::vector<std::string>{name, "source.tws"}));
    fs::remove(Path(name));
  }
  EXPECT_EQ(fs::path(SaveTemporaryPath(Path(std::string(255, 'n')))).filename().string().size(), 23u);
}

TEST_F(Outputs, ASaveCutShortIsCleanedUpByTheNextSaveToTheSameTarget) {
  const std::string target = Path("kept.tws");
  const std::string temporary = SaveTemporaryPath(target);
  EXPECT_EQ(fs::path(temporary).parent_path(), dir_);
  // Killed while writing: the file-size limit ends the save with SIGXFSZ.
  const test::ProcessOutcome killed = test::RunShell(
      "bash -c " + ShellQuote("ulimit -c 0; ulimit -f 1; exec " + ShellQuote(kBinary) + " -q --save " +
                              ShellQuote(target) + " " + ShellQuote(Path("source.tws")) + " >/dev/null"));
  EXPECT_NE(killed.status, 0);
  ASSERT_TRUE(fs::exists(temporary)) << "the kill should leave the temporary file";
  ASSERT_GT(fs::file_size(temporary), 0u);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(IsSnapshotFile(temporary));

  const test::ProcessOutcome saved = Scan("--save " + ShellQuote(target) + " " + ShellQuote(Path("source.tws")));
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_FALSE(fs::exists(temporary));
  ScanResult back;
  SnapshotError error;
  EXPECT_TRUE(LoadSnapshotFile(target, back, error)) << error.detail;
  EXPECT_EQ(back.files.size(), 400u);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"kept.tws", "source.tws"}));

  // A file of someone else's that happens to carry the name stays as it is.
  std::ofstream(temporary) << "not a saved scan";
  EXPECT_EQ(Scan("--save " + ShellQuote(target) + " " + ShellQuote(Path("source.tws"))).status, 0);
  EXPECT_EQ(test::ReadWholeFile(temporary), "not a saved scan");
  EXPECT_TRUE(LoadSnapshotFile(target, back, error)) << error.detail;
  EXPECT_EQ(Listing().size(), 3u);
}

TEST(ThreadsOption, TooManyThreadsEndTheRunWithStatusTwo) {
  const test::ProcessOutcome run = test::RunShell(ShellQuote(kBinary) + " --threads 2147483647 /dev/null");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("from 0 to 1024"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tw
