#include "cli/options.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tw {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLine, DefaultsWithSourceOnly) {
  const ParsedCommandLine p = Parse({"disk.img"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.source, "disk.img");
  EXPECT_EQ(p.options.depth, 2);
  EXPECT_EQ(p.options.top, 100);
  EXPECT_EQ(p.options.partition, 0);
  EXPECT_EQ(p.options.threads, 0);
  EXPECT_TRUE(p.options.drive_letter.empty());
  EXPECT_FALSE(p.options.json || p.options.files || p.options.quiet || p.options.timings);
}

TEST(CommandLine, ValuesSeparateOrAfterEqualsSign) {
  const ParsedCommandLine p = Parse({"--depth", "4", "--top=2147483647", "--partition", "2", "--threads=3", "--json",
                                     "--files", "--timings", "-q", "--drive-letter=d:", "--ncdu", "-x.json", "/dev/sdb"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.depth, 4);
  EXPECT_EQ(p.options.top, 2147483647);
  EXPECT_EQ(p.options.partition, 2);
  EXPECT_EQ(p.options.threads, 3);
  EXPECT_TRUE(p.options.json && p.options.files && p.options.timings && p.options.quiet);
  EXPECT_EQ(p.options.drive_letter, L"D");
  EXPECT_EQ(p.options.source, "/dev/sdb");
  EXPECT_EQ(p.options.ncdu, "-x.json");
}

TEST(CommandLine, DoubleDashLetsSourceStartWithDash) {
  const ParsedCommandLine p = Parse({"--quiet", "--", "--odd-name.img"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.source, "--odd-name.img");
}

TEST(CommandLine, HelpAndVersionNeedNoSource) {
  EXPECT_EQ(Parse({"--help"}).error, "");
  EXPECT_TRUE(Parse({"-h"}).options.help);
  EXPECT_TRUE(Parse({"--version"}).options.version);
  EXPECT_NE(UsageText().find("--drive-letter"), std::string::npos);
  EXPECT_EQ(VersionText().rfind("tarnwick-scan ", 0), 0u);
}

TEST(CommandLine, RejectsWhatItCannotUse) {
  struct Case {
    std::vector<std::string> args;
    const char* message_part;
  };
  const Case cases[] = {
      {{}, "no SOURCE"},
      {{"a.img", "b.img"}, "one SOURCE expected, got 2"},
      {{""}, "SOURCE is empty"},
      {{"--bogus", "a.img"}, "unknown option --bogus"},
      {{"a.img", "--depth"}, "--depth needs a value"},
      {{"--depth", "-1", "a.img"}, "--depth needs a whole number"},
      {{"--depth", "2x", "a.img"}, "not '2x'"},
      {{"--top", "99999999999", "a.img"}, "--top needs a whole number"},
      {{"--top", "2147483648", "a.img"}, "--top needs a whole number"},
      {{"--partition", "0", "a.img"}, "of at least 1"},
      {{"--threads=", "a.img"}, "--threads needs a whole number"},
      {{"--drive-letter", "CD", "a.img"}, "one letter A-Z"},
      {{"--drive-letter", "1", "a.img"}, "one letter A-Z"},
      {{"--json=yes", "a.img"}, "--json takes no value"},
      {{"--files", "a.img"}, "--files needs --json"},
      {{"--ncdu=", "a.img"}, "--ncdu needs a file name"},
      {{"--json", "--ncdu", "-", "a.img"}, "--ncdu - and --json both write to stdout"},
  };
  for (const Case& c : cases) {
    const ParsedCommandLine p = Parse(c.args);
    EXPECT_NE(p.error.find(c.message_part), std::string::npos) << "error was: " << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
  }
}

// Every name --help shows is one the parser takes, with a value exactly
// when --help shows one, and --help shows no option twice.
TEST(CommandLine, HelpAndParserShareOneTable) {
  std::istringstream usage(UsageText());
  std::set<std::string> seen;
  int options = 0;
  for (std::string line; std::getline(usage, line);) {
    if (line.rfind("  -", 0) != 0) continue;
    std::istringstream words(line);
    std::vector<std::string> names;
    std::string word, value;
    while (words >> word) {
      const bool more = !word.empty() && word.back() == ',';
      if (more) word.pop_back();
      if (word.rfind("-", 0) != 0) break;
      names.push_back(word);
      if (!more) {
        // A value's name is a short word in capitals (L, N, FILE, WxH).
        if (words >> value && !std::regex_match(value, std::regex("[A-Z][A-Za-z]{0,3}"))) value.clear();
        break;
      }
    }
    for (const std::string& name : names) {
      ++options;
      EXPECT_TRUE(seen.insert(name).second) << name;
      std::vector<std::string> args{name};
      if (!value.empty()) args.push_back(name == "--treemap-size" ? "64x64" : name == "--drive-letter" ? "C" : "1");
      const std::string error = Parse(args).error;
      EXPECT_EQ(error.find("unknown option"), std::string::npos) << name << ": " << error;
      EXPECT_EQ(error.find("takes no value"), std::string::npos) << name << ": " << error;
      EXPECT_EQ(Parse({name}).error.find("needs a value") != std::string::npos, !value.empty()) << name;
    }
  }
  EXPECT_EQ(options, 18);
}

}  // namespace
}  // namespace tw
