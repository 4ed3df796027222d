#include "export/csv_export.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"
#include "support/scoped_time_zone.h"

namespace tw {
namespace {

using test::ScopedTimeZone;

using Row = std::vector<std::string>;

// A reader of RFC 4180 as a spreadsheet reads it: quoted fields may hold
// commas, quotes (doubled) and line ends; records end with CRLF. Fails the
// test on anything else (a bare CR or LF outside quotes, text after a
// closing quote).
std::vector<Row> ParseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  std::size_t i = 0;
  bool quoted = false;
  while (i < text.size()) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        i += 2;
      } else if (c == '"') {
        quoted = false;
        ++i;
        const char next = i < text.size() ? text[i] : '\r';
        EXPECT_TRUE(next == ',' || next == '\r') << "text after a closing quote at " << i;
      } else {
        field += c;
        ++i;
      }
    } else if (c == '"' && field.empty()) {
      quoted = true;
      ++i;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
      ++i;
    } else if (c == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "a bare CR at " << i;
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
      i += 2;
    } else {
      EXPECT_NE(c, '\n') << "a bare LF at " << i;
      EXPECT_NE(c, '"') << "a quote inside an unquoted field at " << i;
      field += c;
      ++i;
    }
  }
  EXPECT_FALSE(quoted) << "an unclosed quote";
  EXPECT_TRUE(row.empty() && field.empty()) << "the last record has no CRLF";
  return rows;
}

std::string Csv(const ScanResult& result) {
  std::ostringstream out;
  WriteCsvExport(result, out);
  return out.str();
}

const char kHeader[] = "路径,名称,类型,大小,分配,修改时间,属性";

TEST(CsvExport, ByteOrderMarkHeaderAndCrlfLineEnds) {
  test::ScanResultBuilder b(L"X");
  b.AddFile(kRootId, 64, L"a.txt", 10);
  const std::string text = Csv(b.Finish());
  ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_EQ(text.substr(3, text.find('\r') - 3), kHeader);
  // Every line ends in CRLF, and nothing else ends a line.
  std::size_t lf = 0, crlf = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lf;
      if (i > 0 && text[i - 1] == '\r') ++crlf;
    }
  }
  EXPECT_EQ(lf, 3u);
  EXPECT_EQ(crlf, 3u);
  EXPECT_EQ(text.back(), '\n');
}

// Folders in tree pre-order, each followed by its own files before its
// child folders; folders carry their totals, files their own sizes.
TEST(CsvExport, PreOrderWithEachFoldersFilesAfterIt) {
  test::ScanResultBuilder b(L"D");
  b.AddFolder(40, kRootId, L"Windows");
  b.AddFolder(30, kRootId, L"Users");
  b.AddFolder(31, 30, L"alice");
  b.AddFile(kRootId, 64, L"boot.ini", 100, 4096);
  b.AddFile(40, 65, L"big.sys", 600, 614400);
  b.AddFile(31, 66, L"照片.JPG", 250, 4096);
  b.AddFile(31, 67, L"notes", 50, 4096);
  b.AddFile(30, 68, L"desktop.ini", 7, 0);
  const std::vector<Row> rows = ParseCsv(Csv(b.Finish()).substr(3));
  ASSERT_EQ(rows.size(), 10u);
  const std::vector<std::vector<std::string>> want = {
      {"D:\\", "[D:]", "文件夹", "1007", "626688"},
      {"D:\\boot.ini", "boot.ini", "文件", "100", "4096"},
      {"D:\\Windows", "Windows", "文件夹", "600", "614400"},
      {"D:\\Windows\\big.sys", "big.sys", "文件", "600", "614400"},
      {"D:\\Users", "Users", "文件夹", "307", "8192"},
      {"D:\\Users\\desktop.ini", "desktop.ini", "文件", "7", "0"},
      {"D:\\Users\\alice", "alice", "文件夹", "300", "8192"},
      {"D:\\Users\\alice\\照片.JPG", "照片.JPG", "文件", "250", "4096"},
      {"D:\\Users\\alice\\notes", "notes", "文件", "50", "4096"},
  };
  for (std::size_t k = 0; k < want.size(); ++k) {
    ASSERT_EQ(rows[k + 1].size(), 7u) << k;
    EXPECT_EQ(std::vector<std::string>(rows[k + 1].begin(), rows[k + 1].begin() + 5), want[k]) << k;
  }
}

TEST(CsvExport, TimesInLocalIsoFormAndAttributesAsTheFolderListShowsThem) {
  ScopedTimeZone tz("CST-8");
  test::ScanResultBuilder b(L"X");
  FileEntry& file = b.AddFile(kRootId, 64, L"a.txt", 10);
  file.mtime = (1709773501LL + 11644473600LL) * 10000000LL;  // 2024-03-07 01:05:01 UTC
  file.attributes = 0x1 | 0x2 | 0x20;
  b.AddFile(kRootId, 65, L"b.txt", 10);  // no time, no attributes
  const std::vector<Row> rows = ParseCsv(Csv(b.Finish()).substr(3));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2][5], "2024-03-07T09:05:01+08:00");
  EXPECT_EQ(rows[2][6], "RHA");
  EXPECT_EQ(rows[3][5], "");
  EXPECT_EQ(rows[3][6], "");
}

// Names are hostile: every one reads back as one cell holding the name,
// and a name a spreadsheet would take for a formula carries an apostrophe
// before it. The name column is checked: paths begin with the drive.
TEST(CsvExport, HostileNamesStayOneCellAndNeverStartAFormula) {
  struct Case {
    std::wstring name;
    std::string cell;
  };
  const std::vector<Case> cases = {
      {L"a,b.txt", "a,b.txt"},
      {L"say \"hi\".txt", "say \"hi\".txt"},
      {L"two\nlines.txt", "two\nlines.txt"},
      {L"cr\rinside.txt", "cr\rinside.txt"},
      {L"=1+2.txt", "'=1+2.txt"},
      {L"+cmd.txt", "'+cmd.txt"},
      {L"-2.txt", "'-2.txt"},
      {L"@SUM(A1).txt", "'@SUM(A1).txt"},
      {L"\tTAB.txt", "'\tTAB.txt"},
      {L"\rCR.txt", "'\rCR.txt"},
      {L"=HYPERLINK(\"http://x\",\"y\"),z", "'=HYPERLINK(\"http://x\",\"y\"),z"},
      {std::wstring{L'a', wchar_t(0xD800), L'b'},
       "a\xEF\xBF\xBD"
       "b"},
      {std::wstring{wchar_t(0xDC00), L'.', L't'}, "\xEF\xBF\xBD.t"},
      {std::wstring{L'n', L'\0', L'l'}, "n\xEF\xBF\xBDl"},
      {L"plain 名字 (1).txt", "plain 名字 (1).txt"},
      {L"a=b-c+d@e", "a=b-c+d@e"},  // only the first character matters
  };
  test::ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"=folder,\"x\"");
  for (std::size_t k = 0; k < cases.size(); ++k) {
    b.AddFile(40, 100 + static_cast<std::int64_t>(k), cases[k].name, static_cast<std::int64_t>(k));
  }
  const std::vector<Row> rows = ParseCsv(Csv(b.Finish()).substr(3));
  ASSERT_EQ(rows.size(), 3 + cases.size());
  EXPECT_EQ(rows[2][1], "'=folder,\"x\"");
  EXPECT_EQ(rows[2][0], "X:\\=folder,\"x\"");
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Row& row = rows[3 + k];
    ASSERT_EQ(row.size(), 7u) << k;
    EXPECT_EQ(row[1], cases[k].cell) << k;
    EXPECT_EQ(row[3], std::to_string(k)) << k;
    // The path holds the name as it is, after its folder's path.
    const std::string name = cases[k].cell[0] == '\'' ? cases[k].cell.substr(1) : cases[k].cell;
    EXPECT_EQ(row[0], "X:\\=folder,\"x\"\\" + name) << k;
  }
}

TEST(CsvExport, FieldsAreQuotedOnlyWhenTheyMustBe) {
  std::string row;
  AppendCsvField(row, "plain");
  EXPECT_EQ(row, "plain");
  row.clear();
  AppendCsvField(row, "a\"b");
  EXPECT_EQ(row, "\"a\"\"b\"");
  row.clear();
  AppendCsvField(row, "-1");
  EXPECT_EQ(row, "'-1");
  row.clear();
  AppendCsvField(row, "\r");
  EXPECT_EQ(row, "\"'\r\"");
  row.clear();
  AppendCsvField(row, "");
  EXPECT_EQ(row, "");
}

// Rows are written in pieces: a result larger than one piece comes out
// whole and in order, and a stream that fails stops the writer early.
TEST(CsvExport, LargeResultsComeOutWholeAndAFailedStreamStopsTheWriter) {
  test::ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"many");
  for (int i = 0; i < 20000; ++i) b.AddFile(40, 100 + i, L"file-" + std::to_wstring(i) + L".bin", i);
  const ScanResult& result = b.Finish();
  const std::vector<Row> rows = ParseCsv(Csv(result).substr(3));
  ASSERT_EQ(rows.size(), 20003u);
  EXPECT_EQ(rows[3][1], "file-0.bin");
  EXPECT_EQ(rows.back()[1], "file-19999.bin");

  std::ostringstream failed;
  failed.setstate(std::ios::badbit);
  WriteCsvExport(result, failed);
  EXPECT_TRUE(failed.str().empty());
}

}  // namespace
}  // namespace tw
