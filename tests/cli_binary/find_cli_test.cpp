// tarnwick-scan --find on the committed volumes: for queries that mix name
// patterns and filters, the counts, totals and paths it reports equal those
// worked out here from the same volume's --json --files document; a saved
// scan answers as the volume does; bad queries and no matches.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_binary/in_process.h"
#include "format/format.h"
#include "format/utf.h"
#include "support/test_images.h"

namespace tw {
namespace {

using nlohmann::json;

using test::Outcome;
using test::Tarnwick;

std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return text;
}

bool Has(const std::string& name, const std::string& part) { return Lower(name).find(Lower(part)) != std::string::npos; }

// One entry of the --files document, as the checks below read it.
struct Entry {
  std::string path, name, extension;
  bool folder = false;
  std::int64_t size = 0, alloc = 0, mtime = 0;
};

std::vector<Entry> Entries(const json& doc) {
  std::vector<Entry> entries;
  std::map<std::int64_t, std::string> folder_paths;
  for (const json& f : doc["folders"]) {
    folder_paths[f["id"]] = f["path"];
    entries.push_back({f["path"], f["name"], "", true, f["total_size"], f["total_alloc"], f["mtime"]});
  }
  for (const json& f : doc["files"]) {
    std::string path = folder_paths.at(f["folder_id"]);
    if (path.back() != '\\') path += '\\';
    entries.push_back({path + f["name"].get<std::string>(), f["name"], f["extension"], false, f["size"], f["alloc"],
                       f["mtime"]});
  }
  return entries;
}

// 2020-01-01 00:00 UTC as a FILETIME: the checks run with TZ=UTC0.
constexpr std::int64_t k2020 = 132223104000000000;

struct Case {
  std::string query;
  std::function<bool(const Entry&)> holds;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"e ext:txt,LOG", [](const Entry& e) { return !e.folder && Has(e.name, "e") && (Lower(e.extension) == ".txt" || Lower(e.extension) == ".log"); }},
      {"size:>4K type:file", [](const Entry& e) { return !e.folder && e.size > 4096; }},
      {"a size:<=1M", [](const Entry& e) { return Has(e.name, "a") && e.size <= (1 << 20); }},
      {"type:folder s", [](const Entry& e) { return e.folder && Has(e.name, "s"); }},
      {"*.dll size:>=10K", [](const Entry& e) { return Lower(e.name).size() >= 4 && Lower(e.name).ends_with(".dll") && e.size >= 10240; }},
      {"ext: modified:>=2020-01-01", [](const Entry& e) { return !e.folder && e.extension.empty() && e.mtime >= k2020; }},
      {"\"$\" size:<1.5K", [](const Entry& e) { return Has(e.name, "$") && e.size < 1536; }},
      {"modified:<2020-01-01", [](const Entry& e) { return e.mtime > 0 && e.mtime < k2020; }},
  };
  return cases;
}

class FindCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr) old_tz_ = tz, had_tz_ = true;
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      setenv("TZ", old_tz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::string old_tz_;
  bool had_tz_ = false;
};

std::vector<std::string> Volumes() {
  std::vector<std::string> volumes = test::CommittedVolumes();
  volumes.push_back(test::TestDataDir() + "/sample.img.gz");
  return volumes;
}

TEST_F(FindCli, CountsTotalsAndPathsEqualThoseOfTheFileListing) {
  const std::vector<std::string> volumes = Volumes();
  ASSERT_GE(volumes.size(), 2u);
  int nonempty = 0;
  for (const std::string& volume : volumes) {
    SCOPED_TRACE(test::ImageName(volume));
    const test::UnpackedImage image(volume);
    ASSERT_FALSE(image.path().empty());
    const Outcome listing = Tarnwick({"-q", "--json", "--files", image.path()});
    ASSERT_EQ(listing.status, 0) << listing.err;
    const std::vector<Entry> entries = Entries(json::parse(listing.out));
    for (const Case& c : Cases()) {
      SCOPED_TRACE(c.query);
      std::int64_t files = 0, folders = 0, size = 0, alloc = 0;
      std::multiset<std::string> paths;
      for (const Entry& e : entries) {
        if (!c.holds(e)) continue;
        paths.insert(e.path + (e.folder ? " folder" : " file"));
        if (e.folder) {
          ++folders;
        } else {
          ++files;
          size += e.size;
          alloc += e.alloc;
        }
      }
      const Outcome found = Tarnwick({"-q", "--json", "--find", c.query, image.path()});
      ASSERT_EQ(found.status, 0) << found.err;
      const json doc = json::parse(found.out);
      EXPECT_EQ(doc["query"], c.query);
      EXPECT_EQ(doc["file_count"], files);
      EXPECT_EQ(doc["folder_count"], folders);
      EXPECT_EQ(doc["count"], files + folders);
      EXPECT_EQ(doc["total_size"], size);
      EXPECT_EQ(doc["total_alloc"], alloc);
      std::multiset<std::string> reported;
      std::int64_t previous = INT64_MAX;
      bool largest_first = true;
      for (const json& m : doc["matches"]) {
        reported.insert(m["path"].get<std::string>() + " " + m["type"].get<std::string>());
        largest_first = largest_first && m["size"].get<std::int64_t>() <= previous;
        previous = m["size"];
      }
      EXPECT_EQ(reported, paths);
      EXPECT_TRUE(largest_first);
      if (files + folders > 0) ++nonempty;

      // The lines: one per match in the document's order, then the count line.
      const Outcome lines = Tarnwick({"-q", "--find", c.query, image.path()});
      ASSERT_EQ(lines.status, 0) << lines.err;
      std::vector<std::string> text;
      std::istringstream in(lines.out);
      for (std::string line; std::getline(in, line);) text.push_back(line);
      ASSERT_EQ(text.size(), doc["matches"].size() + 1);
      for (std::size_t i = 0; i < doc["matches"].size(); ++i) {
        const std::string path = doc["matches"][i]["path"];
        EXPECT_TRUE(text[i].ends_with("  " + path)) << text[i];
      }
      EXPECT_EQ(text.back(), "找到 " + std::to_string(files) + " 个文件 (共 " +
                                 Utf16ToUtf8(FormatSize(static_cast<std::uint64_t>(size))) + ")、" +
                                 std::to_string(folders) + " 个文件夹");
    }
  }
  EXPECT_GE(nonempty, 20);  // the queries find something on most volumes
}

TEST_F(FindCli, ASavedScanAnswersAsTheVolume) {
  const test::UnpackedImage image(test::TestDataDir() + "/sample.img.gz");
  ASSERT_FALSE(image.path().empty());
  const std::string saved = ::testing::TempDir() + "/tw-find-sample.twsnap";
  const Outcome scanned = Tarnwick({"-q", "--save", saved, "--find", "ext:jpg", image.path()});
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  const Outcome loaded = Tarnwick({"-q", "--find", "ext:jpg", saved});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_EQ(loaded.out, scanned.out);
  // ext:jpg is every .jpg and .JPG of the extension list.
  std::int64_t jpg = 0;
  const json listing = json::parse(Tarnwick({"-q", "--json", saved}).out);
  for (const json& e : listing["extensions"]) {
    if (Lower(e["extension"].get<std::string>()) == ".jpg") jpg += e["file_count"].get<std::int64_t>();
  }
  EXPECT_GT(jpg, 90);
  EXPECT_NE(scanned.out.find("找到 " + std::to_string(jpg) + " 个文件"), std::string::npos) << scanned.out;
  // Under another drive letter every path follows it.
  const Outcome lettered = Tarnwick({"-q", "--json", "--drive-letter", "Q", "--find", "type:folder", saved});
  const json doc = json::parse(lettered.out);
  ASSERT_FALSE(doc["matches"].empty());
  for (const json& m : doc["matches"]) EXPECT_TRUE(m["path"].get<std::string>().starts_with("Q:\\")) << m["path"];
  std::filesystem::remove(saved);
}

TEST_F(FindCli, BadQueriesNoMatchesAndOptionsThatDoNotGoTogether) {
  const test::UnpackedImage image(test::TestDataDir() + "/sample.img.gz");
  Outcome run = Tarnwick({"--find", "size:>lots", image.path()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "tarnwick-scan: 查询无效: size:>lots — 大小应为数字加单位 (B, K, M, G, T)\n");
  // Refused before the scan: a source that is not there is not looked at.
  EXPECT_EQ(Tarnwick({"--find", "where:here", "/no/such/image"}).status, 2);

  run = Tarnwick({"-q", "--find", "no-such-name-anywhere", image.path()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "找到 0 个文件 (共 0 B)、0 个文件夹\n");
  run = Tarnwick({"-q", "--json", "--find", "", image.path()});  // no words: nothing
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(json::parse(run.out)["count"], 0);

  EXPECT_EQ(Tarnwick({"--find", "x", "--compare", image.path(), image.path()}).status, 2);
  EXPECT_EQ(Tarnwick({"--find", "x", "--json", "--files", image.path()}).status, 2);
  EXPECT_EQ(Tarnwick({"--find", "x", "--ncdu", "-", image.path()}).status, 2);
  EXPECT_EQ(Tarnwick({image.path(), "--find"}).status, 2);
}

TEST_F(FindCli, TheBuiltProgramTakesAQuotedQueryFromTheShell) {
  const test::UnpackedImage image(test::TestDataDir() + "/sample.img.gz");
  const std::string binary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";
  const std::string out = ::testing::TempDir() + "/tw-find-shell.out";
  // '>' and '<' would be redirections unquoted.
  const int raw = std::system(("'" + binary + "' -q --find 'size:>1M type:file' '" + image.path() + "' >'" + out +
                               "' 2>/dev/null </dev/null")
                                  .c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  std::ifstream in(out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::filesystem::remove(out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("X:\\"), std::string::npos);
  EXPECT_TRUE(lines.back().starts_with("找到 " + std::to_string(lines.size() - 1) + " 个文件")) << lines.back();
}

}  // namespace
}  // namespace tw
