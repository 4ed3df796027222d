#include "export/ncdu_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "support/chain_result.h"
#include "support/sample_result.h"

namespace tw {
namespace {

std::string Export(const ScanResult& result) {
  std::ostringstream out;
  WriteNcduExport(result, NcduExportOptions{"tarnwick-scan", "9.8.7", 1700000000}, out);
  return out.str();
}

// Every item of a parsed export by its path ("D:/Users/alice/notes"), folders
// with a trailing "/".
void Collect(const nlohmann::json& folder, const std::string& parent, std::map<std::string, nlohmann::json>& items) {
  const std::string path = parent + folder[0]["name"].get<std::string>() + "/";
  items[path] = folder[0];
  for (std::size_t k = 1; k < folder.size(); ++k) {
    if (folder[k].is_array()) {
      Collect(folder[k], path, items);
    } else {
      items[path + folder[k]["name"].get<std::string>()] = folder[k];
    }
  }
}

TEST(NcduExport, HoldsTheTreeTheSizesAndEachRecordOnce) {
  const ScanResult result = MakeSampleResult();
  const nlohmann::json doc = nlohmann::json::parse(Export(result));
  ASSERT_EQ(doc.size(), 4u);
  EXPECT_EQ(doc[0], 1);
  EXPECT_EQ(doc[2], nlohmann::json::parse(R"({"progname":"tarnwick-scan","progver":"9.8.7","timestamp":1700000000})"));
  std::map<std::string, nlohmann::json> items;
  Collect(doc[3], "", items);
  // The root, Windows, Users, alice and four files; the loop 50 <-> 51 that
  // the tree never reaches is left out with its file.
  EXPECT_EQ(items.size(), 8u);
  EXPECT_EQ(items.count("D:/"), 1u);
  EXPECT_EQ(items["D:/"]["ino"], 5);
  EXPECT_EQ(items["D:/Windows/big.sys"], nlohmann::json::parse(R"({"name":"big.sys","asize":600,"dsize":614400,
      "ino":71,"mtime":1709682301})"));
  EXPECT_EQ(items["D:/Users/alice/照片.JPG"]["asize"], 250);
  EXPECT_EQ(items["D:/Users/alice/"]["ino"], 31);
  std::int64_t asize = 0, dsize = 0;
  std::set<std::int64_t> inos;
  for (const auto& [path, item] : items) {
    asize += item.value("asize", 0);
    dsize += item.value("dsize", 0);
    EXPECT_TRUE(inos.insert(item["ino"].get<std::int64_t>()).second) << path;
  }
  EXPECT_EQ(asize, result.root_total_size);
  EXPECT_EQ(dsize, result.FindFolder(kRootId)->total_alloc);
}

TEST(NcduExport, HostileNamesSizesAndTimesStayReadable) {
  test::ScanResultBuilder b(L"Q");
  const auto add = [&b](std::int64_t id, std::wstring name, std::int64_t size, std::int64_t mtime) {
    b.AddFile(kRootId, id, std::move(name), size).mtime = mtime;
  };
  add(20, std::wstring{L'a', wchar_t(0xD800), L'b'}, 1, 0);    // lone high surrogate
  add(21, std::wstring{L'x', wchar_t(0xDC00)}, 1, -5);         // lone low surrogate, time before 1601
  add(22, std::wstring(L"n\0l", 3), 1, 116444736000000000);    // NUL; exactly 1970-01-01
  add(23, L"", 1, 116444736010000000);                         // no name; one second past
  add(24, L"del\x7f\"q\\\n", -7, 133542471010000000);          // 2024-03-07 01:05:01 UTC
  const std::string text = Export(b.Finish());
  // No raw control character but the line breaks between entries, no DEL.
  EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7F; }));
  std::map<std::string, nlohmann::json> items;
  Collect(nlohmann::json::parse(text)[3], "", items);
  ASSERT_EQ(items.size(), 6u) << text;
  const std::string fffd = "\xEF\xBF\xBD";
  // Times before 1970, and its first second, are left out; the next one is 1.
  for (const std::string& name : {"a" + fffd + "b", "x" + fffd, "n" + fffd + "l"}) {
    EXPECT_EQ(items.at("Q:/" + name).count("mtime"), 0u) << name;
  }
  EXPECT_EQ(items.at("Q:/" + fffd).at("mtime"), 1);
  const nlohmann::json& odd = items.at("Q:/del\x7f\"q\\\n");
  EXPECT_EQ(odd.at("asize"), 0);  // a negative size is none
  EXPECT_EQ(odd.at("mtime"), 1709773501);
}

TEST(NcduExport, AChainOfAnyDepthIsOneUnindentedLineAFolder) {
  const std::string deep = Export(MakeChainResult(100'000));
  const std::string half = Export(MakeChainResult(50'000));
  // The header, the metadata line and one line per folder and file.
  EXPECT_EQ(std::count(deep.begin(), deep.end(), '\n'), 2 + 100'001 + 1);
  EXPECT_EQ(deep.find("\n "), std::string::npos);
  EXPECT_EQ(std::count(deep.begin(), deep.end(), '['), std::count(deep.begin(), deep.end(), ']'));
  EXPECT_NE(deep.find("\n{\"name\":\"bottom.bin\",\"asize\":4096,\"dsize\":4096,\"ino\":64}]]"), std::string::npos);
  EXPECT_LT(deep.size() * 10, half.size() * 21);  // twice the folders, a little longer names
}

}  // namespace
}  // namespace tw
