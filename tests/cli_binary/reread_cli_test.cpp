// --reread RECORDS --reread-from SCAN: the way for tests and tools to re-read
// records of a volume over a saved scan of it, as the window does after an
// action. After a change through ntfs-3g the document equals a full scan's.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "support/process_run.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";

test::ProcessOutcome Scan(const std::string& args) { return test::RunShell(ShellQuote(kBinary) + " -q " + args); }

// The document without the one figure two runs never share.
std::string WithoutTime(std::string json) {
  nlohmann::json document = nlohmann::json::parse(json);
  document.erase("elapsed_seconds");
  return document.dump(1);
}

TEST(RereadCli, RecordsReadAgainOverASavedScanGiveWhatAFullScanGives) {
  const test::UnpackedImage sample(test::TestDataDir() + "/sample.img.gz");
  ASSERT_FALSE(sample.path().empty());
  const fs::path dir = fs::path(testing::TempDir()) / ("tw_reread_cli_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string image = (dir / "volume.img").string(), base = (dir / "base.twsnap").string();
  fs::copy_file(sample.path(), image);
  ASSERT_EQ(Scan("--save " + ShellQuote(base) + " " + ShellQuote(image)).status, 0);

  // The record of X:\Program Files\Editor, from the scan saved.
  const test::ProcessOutcome saved = Scan("--json " + ShellQuote(base));
  ASSERT_EQ(saved.status, 0);
  std::int64_t editor = 0;
  const nlohmann::json document = nlohmann::json::parse(saved.out);
  for (const auto& folder : document["folders"]) {
    if (folder["path"] == "X:\\Program Files\\Editor") editor = folder["id"].get<std::int64_t>();
  }
  ASSERT_NE(editor, 0);

  const std::string script = std::string(TARNWICK_SOURCE_DIR) + "/tools/change_volume.sh";
  const int changed = std::system((ShellQuote(script) + " " + ShellQuote(image) + " \"rm -r 'Program Files/Editor'\"").c_str());
  if (WIFEXITED(changed) && WEXITSTATUS(changed) == 77) GTEST_SKIP() << "ntfs-3g cannot mount here";
  ASSERT_EQ(changed, 0);

  const test::ProcessOutcome reread = Scan("--json --files --reread " + std::to_string(editor) + " --reread-from " +
                                           ShellQuote(base) + " " + ShellQuote(image));
  ASSERT_EQ(reread.status, 0) << reread.err;
  const test::ProcessOutcome full = Scan("--json --files " + ShellQuote(image));
  ASSERT_EQ(full.status, 0) << full.err;
  EXPECT_EQ(WithoutTime(reread.out), WithoutTime(full.out));
  EXPECT_EQ(reread.out.find("Program Files\\\\Editor"), std::string::npos);
  fs::remove_all(dir);
}

TEST(RereadCli, MisusesEndWithStatusTwoAndTheBaseIsNeverOverwritten) {
  const test::ProcessOutcome alone = Scan("--reread 40 /dev/null");
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("--reread and --reread-from go together"), std::string::npos) << alone.err;
  const test::ProcessOutcome bad = Scan("--reread 4x0 --reread-from a.twsnap b.img");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("record numbers separated by commas"), std::string::npos) << bad.err;
  const fs::path base = fs::path(testing::TempDir()) / ("tw_reread_base_" + std::to_string(getpid()));
  std::ofstream(base) << "saved\n";
  const test::ProcessOutcome over = Scan("--save " + ShellQuote(base.string()) + " --reread 40 --reread-from " +
                                         ShellQuote(base.string()) + " /dev/null");
  EXPECT_EQ(over.status, 2) << over.err;
  EXPECT_EQ(test::ReadWholeFile(base), "saved\n");
  fs::remove(base);
}

}  // namespace
}  // namespace tw
