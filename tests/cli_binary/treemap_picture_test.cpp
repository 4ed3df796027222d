// --treemap: pictures written by the built tarnwick-scan, decoded and
// measured by tests/cli/check_treemap_png.py (Python and its zlib alone)
// against the scan's own JSON document.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "store/snapshot.h"
#include "support/scan_result_builder.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";
const std::string kChecker = TARNWICK_SOURCE_DIR "/tests/cli/check_treemap_png.py";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs a command line with stdout and stderr captured in files.
Outcome RunCommand(const std::string& command) {
  static int counter = 0;
  const std::string base = (fs::path(testing::TempDir()) /
                            ("tw_pic_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
                               .string();
  const int raw = std::system((command + " >" + Quote(base + ".out") + " 2>" + Quote(base + ".err") + " </dev/null").c_str());
  Outcome run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(base + ".out");
  run.err = ReadFile(base + ".err");
  fs::remove(base + ".out");
  fs::remove(base + ".err");
  return run;
}

Outcome Scan(const std::string& args) { return RunCommand(Quote(kBinary) + " -q " + args); }

class TreemapPicture : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("tw_treemap_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Saves a hand-made result as a scan file, a SOURCE like any other.
  std::string Save(ScanResult& result, const std::string& name) {
    std::string error;
    EXPECT_TRUE(SaveSnapshotFile(Path(name), result, error)) << error;
    return Path(name);
  }

  // Scans SOURCE for its JSON and its picture, then runs the checker.
  Outcome DrawAndCheck(const std::string& source, const std::string& size, const std::string& checks) {
    const std::string png = Path("picture.png"), json = Path("scan.json");
    const std::string size_option = size.empty() ? "" : " --treemap-size " + size;
    const Outcome scan = Scan("--json --treemap " + Quote(png) + size_option + " " + Quote(source));
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.err, "");
    std::ofstream(json, std::ios::binary) << scan.out;
    return RunCommand("python3 " + Quote(kChecker) + " " + Quote(png) + " --json " + Quote(json) + " " + checks);
  }

  fs::path dir_;
};

TEST_F(TreemapPicture, BadSizesExitWithStatusTwoAndOneLine) {
  test::ScanResultBuilder builder(L"X");
  const std::string source = Save(builder.Finish(), "empty.tws");
  for (const char* bad : {"63x600", "800x16385", "800", "axb", "0x0"}) {
    const Outcome run = Scan("--treemap " + Quote(Path("bad.png")) + " --treemap-size " + bad + " " + Quote(source));
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(Path("bad.png"))) << bad;
  }
  const Outcome same = Scan("--treemap " + Quote(source) + " " + Quote(source));
  EXPECT_EQ(same.status, 2);
  EXPECT_TRUE(IsSnapshotFile(source)) << "SOURCE was overwritten";
}

TEST_F(TreemapPicture, AnEmptyVolumeGivesAValidPictureOfTheSizeAsked) {
  test::ScanResultBuilder builder(L"X");
  const std::string source = Save(builder.Finish(), "empty.tws");
  const std::string png = Path("empty.png");
  const Outcome scan = Scan("--treemap " + Quote(png) + " --treemap-size 64x80 " + Quote(source));
  ASSERT_EQ(scan.status, 0) << scan.err;
  EXPECT_NE(scan.out.find("[X:]"), std::string::npos) << "the report still goes to stdout";
  const Outcome check = RunCommand("python3 " + Quote(kChecker) + " " + Quote(png) + " --size 64x80");
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST_F(TreemapPicture, DefaultSizeAndAnotherDecoderAgree) {
  const std::string image = TARNWICK_SOURCE_DIR "/tests/data/sample.img.gz";
  test::UnpackedImage sample(image);
  ASSERT_FALSE(sample.path().empty());
  const std::string png = Path("sample.png");
  ASSERT_EQ(Scan("--treemap " + Quote(png) + " " + Quote(sample.path())).status, 0);
  const Outcome identify = RunCommand("identify -format '%w %h %[channels]' " + Quote(png));
  if (identify.status == 127) GTEST_SKIP() << "ImageMagick's identify is not installed";
  EXPECT_EQ(identify.status, 0) << identify.err;
  EXPECT_EQ(identify.out.substr(0, 9), "1600 1000") << identify.out;
}

TEST_F(TreemapPicture, ColoursFollowTheBytesOfTheSampleVolume) {
  test::UnpackedImage sample(TARNWICK_SOURCE_DIR "/tests/data/sample.img.gz");
  ASSERT_FALSE(sample.path().empty());
  const Outcome check = DrawAndCheck(sample.path(), "", "--size 1600x1000");
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST_F(TreemapPicture, ColoursFollowTheBytesOfAWindowsDisk) {
  const std::vector<std::string> fixtures = test::FixtureImages();
  if (fixtures.empty()) GTEST_SKIP() << "no fixtures at " << test::FixturesDir();
  test::UnpackedImage disk(fixtures.front());
  ASSERT_FALSE(disk.path().empty());
  const Outcome check = DrawAndCheck(disk.path(), "900x700", "--size 900x700");
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

// One folder of 10,000 files of fifteen extensions and sizes from 1 KB to
// 200 KB: each file gets a cell of its own, so nearly every pixel is coloured.
TEST_F(TreemapPicture, AFolderOfTenThousandFilesIsNearlyAllColour) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFolder(40, kRootId, L"tiny");
  const wchar_t* extensions[] = {L".txt", L".jpg", L".log", L".dll", L".JPG", L".png", L".mp3", L".c",
                                 L".h",   L".zip", L".xml", L".json", L".7z", L".bin", L""};
  for (int i = 0; i < 10000; ++i) {
    const std::int64_t size = 1024 + (static_cast<std::int64_t>(i) * 7919) % (200 * 1024);
    builder.AddFile(40, 100 + i, L"f" + std::to_wstring(i) + extensions[i % 15], size);
  }
  const std::string source = Save(builder.Finish(), "tiny.tws");
  const Outcome check = DrawAndCheck(source, "", "--size 1600x1000 --min-coloured 0.95");
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

// A scan read back from a saved file draws the same picture as the scan.
TEST_F(TreemapPicture, ASavedScanDrawsTheSamePicture) {
  test::UnpackedImage sample(TARNWICK_SOURCE_DIR "/tests/data/sample.img.gz");
  ASSERT_FALSE(sample.path().empty());
  const std::string saved = Path("sample.tws");
  ASSERT_EQ(Scan("--save " + Quote(saved) + " --treemap " + Quote(Path("a.png")) + " --treemap-size 500x300 " +
                 Quote(sample.path()))
                .status,
            0);
  ASSERT_EQ(Scan("--treemap " + Quote(Path("b.png")) + " --treemap-size 500x300 " + Quote(saved)).status, 0);
  const std::string a = ReadFile(Path("a.png"));
  EXPECT_GT(a.size(), 1000u);
  EXPECT_EQ(a, ReadFile(Path("b.png")));
}

TEST_F(TreemapPicture, AFileThatCannotBeWrittenFailsTheRunWithStatusOne) {
  test::ScanResultBuilder builder(L"X");
  const std::string source = Save(builder.Finish(), "empty.tws");
  const Outcome missing = Scan("--treemap " + Quote(Path("no/such/folder/x.png")) + " " + Quote(source));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("错误: ", 0), 0u) << missing.err;
  EXPECT_NE(missing.err.find("no/such/folder/x.png"), std::string::npos) << missing.err;
  // A write the system cuts short (here at the file-size limit) fails the run
  // with its reason, and the picture begun is removed.
  const std::string cut = Path("cut.png");
  const Outcome limited =
      RunCommand("bash -c " + Quote("trap '' XFSZ; ulimit -f 1; exec " + Quote(kBinary) + " -q --treemap " +
                                    Quote(cut) + " " + Quote(source) + " >/dev/null"));
  EXPECT_EQ(limited.status, 1);
  EXPECT_NE(limited.err.find("(" + cut + ": " + std::strerror(EFBIG) + ")"), std::string::npos) << limited.err;
  EXPECT_FALSE(fs::exists(cut));
  // A device is no file to write a picture into: refused before the scan.
  if (fs::exists("/dev/full")) {
    const Outcome full = Scan("--treemap /dev/full " + Quote(source));
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find("/dev/full: it is a character device"), std::string::npos) << full.err;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
  }
}

}  // namespace
}  // namespace tw
