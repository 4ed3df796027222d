// Saved and compared scans through tarnwick-scan's whole command line, run in
// this process: the sample volume saved and read back, compared with itself,
// under another drive letter, and with a copy changed through ntfs-3g.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_binary/in_process.h"
#include "support/test_images.h"

namespace tw {
namespace {

using test::Outcome;
using test::Tarnwick;

class CompareCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sample_ = new test::UnpackedImage(test::TestDataDir() + "/sample.img.gz");
    changed_ = new test::UnpackedImage(test::TestDataDir() + "/sample-changed.img.gz");
  }
  static void TearDownTestSuite() {
    delete sample_;
    delete changed_;
  }
  static std::string Temp(const std::string& name) { return ::testing::TempDir() + "/tw-compare-" + name; }

  static test::UnpackedImage* sample_;
  static test::UnpackedImage* changed_;
};
test::UnpackedImage* CompareCli::sample_ = nullptr;
test::UnpackedImage* CompareCli::changed_ = nullptr;

TEST_F(CompareCli, ASavedScanGivesTheSameDocumentAsTheScan) {
  ASSERT_FALSE(sample_->path().empty());
  const std::string saved = Temp("sample.tws");
  const Outcome scanned = Tarnwick({"-q", "--json", "--files", "--save", saved, sample_->path()});
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  const Outcome loaded = Tarnwick({"-q", "--json", "--files", saved});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_EQ(loaded.out, scanned.out);  // the scan's own duration is kept too
  // The text report too, but for the new scan's duration in its first line.
  const auto body = [](const std::string& text) { return text.substr(text.find('\n')); };
  EXPECT_EQ(body(Tarnwick({"-q", "--depth", "5", saved}).out), body(Tarnwick({"-q", "--depth", "5", sample_->path()}).out));
  // Another drive letter renames the root and every path.
  const Outcome lettered = Tarnwick({"-q", "--json", "--drive-letter", "Q", saved});
  EXPECT_NE(lettered.out.find("\"Q:\\\\"), std::string::npos);
  EXPECT_NE(lettered.out.find("[Q:]"), std::string::npos);
  std::remove(saved.c_str());
}

// A scan saved under a given time says so when it is compared, and the
// volume is the same as ever.
TEST_F(CompareCli, AScanSavedUnderAGivenTimeCarriesIt) {
  const std::string saved = Temp("dated.tws");
  const Outcome save = Tarnwick({"-q", "--save", saved, "--scan-time", "2026-11-30T09:30:05Z", sample_->path()});
  ASSERT_EQ(save.status, 0) << save.err;
  const Outcome run = Tarnwick({"-q", "--json", "--compare", saved, sample_->path()});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["old"]["scanned_at"], 1796031005);
  EXPECT_NE(doc["new"]["scanned_at"], 1796031005);
  EXPECT_EQ(doc["old"]["root_total_size"], doc["new"]["root_total_size"]);
  // Without --save the time has nowhere to go.
  EXPECT_EQ(Tarnwick({"-q", "--scan-time", "2026-11-30T09:30:05Z", sample_->path()}).status, 2);
  std::remove(saved.c_str());
}

TEST_F(CompareCli, AVolumeComparedWithItselfShowsNoChangeUnderAnyDriveLetter) {
  const std::string saved = Temp("self.tws");
  ASSERT_EQ(Tarnwick({"-q", "--drive-letter", "C", "--save", saved, sample_->path()}).status, 0);
  for (const std::vector<std::string>& sides :
       {std::vector<std::string>{saved, sample_->path()}, std::vector<std::string>{sample_->path(), sample_->path()}}) {
    const Outcome run = Tarnwick({"-q", "--json", "--compare", "--depth", "99", sides[0], sides[1]});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "the same volume: no warning";
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_TRUE(doc["added_files"].empty() && doc["removed_files"].empty() && doc["resized_files"].empty());
    EXPECT_TRUE(doc["extensions"].empty());
    for (const auto& folder : doc["folders"]) {
      EXPECT_EQ(folder["status"], "kept") << folder["path"];
      EXPECT_EQ(folder["old_size"], folder["new_size"]) << folder["path"];
      EXPECT_EQ(folder["files_added"], 0);
    }
    EXPECT_EQ(doc["folders"].size(), static_cast<std::size_t>(doc["new"]["folder_count"].get<int>() + 1));
  }
  std::remove(saved.c_str());
}

TEST_F(CompareCli, AChangeMadeThroughNtfs3gIsReportedExactly) {
  ASSERT_FALSE(changed_->path().empty());
  const Outcome run = Tarnwick({"-q", "--json", "--compare", "--depth", "99", "--top", "1000", sample_->path(),
                            changed_->path()});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  const auto paths = [&doc](const char* key) {
    std::set<std::string> found;
    for (const auto& file : doc[key]) {
      const std::string path = file["path"];
      // The MFT itself grows with the records the change took; that is the
      // volume's own bookkeeping, not the user's.
      if (path != "X:\\$MFT") found.insert(path);
    }
    return found;
  };
  std::set<std::string> moved_in, moved_out;
  for (const auto& file : doc["removed_files"]) {
    const std::string path = file["path"];
    if (path.rfind("X:\\Program Files\\Editor\\", 0) == 0) moved_out.insert(path.substr(std::string("X:\\Program Files\\").size()));
  }
  for (const auto& file : doc["added_files"]) {
    const std::string path = file["path"];
    if (path.rfind("X:\\projects\\Editor\\", 0) == 0) moved_in.insert(path.substr(std::string("X:\\projects\\").size()));
  }
  EXPECT_EQ(moved_in, moved_out);
  EXPECT_EQ(moved_in.size(), 27u);
  std::set<std::string> added = paths("added_files"), removed = paths("removed_files");
  for (const std::string& rest : moved_in) added.erase("X:\\projects\\" + rest);
  for (const std::string& rest : moved_out) removed.erase("X:\\Program Files\\" + rest);
  EXPECT_EQ(added, (std::set<std::string>{"X:\\Users\\alice\\Documents\\new-report.docx",
                                          "X:\\projects\\tarnwick\\added.txt"}));
  EXPECT_EQ(removed, (std::set<std::string>{"X:\\Windows\\Temp\\tmp3.tmp"}));
  EXPECT_EQ(paths("resized_files"), (std::set<std::string>{"X:\\Windows\\Logs\\setup-5.log"}));
  for (const auto& file : doc["resized_files"]) {
    if (file["path"] == "X:\\Windows\\Logs\\setup-5.log") {
      EXPECT_EQ(file["new_size"].get<std::int64_t>() - file["old_size"].get<std::int64_t>(), 102400);
    }
  }
  std::map<std::string, std::string> status;
  for (const auto& folder : doc["folders"]) {
    if (folder["status"] != "kept") status[folder["path"]] = folder["status"];
  }
  EXPECT_EQ(status, (std::map<std::string, std::string>{{"X:\\Program Files\\Editor", "removed"},
                                                        {"X:\\Program Files\\Editor\\lang", "removed"},
                                                        {"X:\\Program Files\\Editor\\plugins", "removed"},
                                                        {"X:\\projects\\Editor", "added"},
                                                        {"X:\\projects\\Editor\\lang", "added"},
                                                        {"X:\\projects\\Editor\\plugins", "added"}}));
  // The largest growth comes first among the root's folders.
  EXPECT_EQ(doc["folders"][1]["path"], "X:\\projects");

  // The text report: the summary line and the moved folder marked.
  const Outcome text = Tarnwick({"-q", "--compare", sample_->path(), changed_->path()});
  EXPECT_EQ(text.out.rfind("变化: 大小 +", 0), 0u) << text.out.substr(0, 200);
  EXPECT_NE(text.out.find("Editor (新增)"), std::string::npos);
  EXPECT_NE(text.out.find("Editor (已删除)"), std::string::npos);
  EXPECT_NE(text.out.find("+100.00 KB"), std::string::npos);
}

TEST_F(CompareCli, MisuseAndDamageEndWithAReason) {
  EXPECT_EQ(Tarnwick({"--compare", sample_->path()}).status, 2);
  EXPECT_EQ(Tarnwick({"--compare", "--save", Temp("x.tws"), sample_->path(), sample_->path()}).status, 2);
  EXPECT_EQ(Tarnwick({"--save", "", sample_->path()}).status, 2);
  const Outcome unsaved = Tarnwick({"-q", "--save", Temp("no-such-folder/x.tws"), sample_->path()});
  EXPECT_EQ(unsaved.status, 1);
  EXPECT_EQ(unsaved.err.rfind("错误: 无法保存扫描存档。", 0), 0u) << unsaved.err;

  const std::string saved = Temp("cut.tws");
  ASSERT_EQ(Tarnwick({"-q", "--save", saved, sample_->path()}).status, 0);
  {
    std::FILE* f = std::fopen(saved.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    ASSERT_EQ(truncate(saved.c_str(), size / 2), 0);
  }
  const Outcome cut = Tarnwick({"-q", saved});
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err.rfind("错误: 扫描存档不完整。 (", 0), 0u) << cut.err;
  EXPECT_EQ(std::count(cut.err.begin(), cut.err.end(), '\n'), 1);
  EXPECT_EQ(Tarnwick({"-q", "--compare", saved, sample_->path()}).status, 1);
  // Two saved scans are read at once; the damaged one is named, and only once.
  const std::string good = Temp("good.tws");
  ASSERT_EQ(Tarnwick({"-q", "--save", good, sample_->path()}).status, 0);
  for (const auto& [older, newer] : {std::pair{saved, good}, std::pair{good, saved}}) {
    const Outcome both = Tarnwick({"-q", "--compare", older, newer});
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.err.rfind("错误: 扫描存档不完整。 (" + saved + ": cut short", 0), 0u) << both.err;
    EXPECT_EQ(std::count(both.err.begin(), both.err.end(), '\n'), 1);
  }
  EXPECT_EQ(Tarnwick({"-q", "--compare", good, good}).status, 0);
  std::remove(good.c_str());
  std::remove(saved.c_str());
}

}  // namespace
}  // namespace tw
