#include "cli/report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/progress_line.h"
#include "cli/text_table.h"
#include "format/utf.h"
#include "support/chain_result.h"
#include "support/sample_result.h"
#include "texts/texts.h"
#include "views/folder_rows.h"

namespace tw {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(DisplayWidth, CountsCjkTwiceAndCombiningMarksNever) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("文件夹"), 6u);
  EXPECT_EQ(DisplayWidth("占父目录 %"), 10u);
  EXPECT_EQ(DisplayWidth("e\xCC\x81"), 1u);  // e + combining acute
  EXPECT_EQ(DisplayWidth("\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(DisplayWidth("·"), 1u);
  // Malformed bytes count one each and never run past the end.
  EXPECT_EQ(DisplayWidth("\xE6\x96"), 2u);
  EXPECT_EQ(DisplayWidth("\x80\xFF"), 2u);
}

TEST(TerminalText, ControlCharactersCannotReachTheTerminal) {
  const std::string safe = TerminalText(std::wstring(L"a\x1b[2Jb\x07\x9b") + L"\u6587");
  EXPECT_EQ(safe.find('\x1b'), std::string::npos);
  EXPECT_EQ(safe.find('\x07'), std::string::npos);
  EXPECT_EQ(safe, "a\xEF\xBF\xBD[2Jb\xEF\xBF\xBD\xEF\xBF\xBD\xE6\x96\x87");
}

TEST(TextTable, AlignsColumnsByDisplayWidth) {
  TextTable table({Align::kLeft, Align::kRight, Align::kLeft});
  table.AddRow({"名称", "大小", "x"});
  table.AddRow({"a", "1 B", ""});
  table.AddRow({"文件夹很长", "100.00 KB"});
  const std::vector<std::string> lines = Lines(table.Render());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "名称             大小  x");
  EXPECT_EQ(lines[1], "a                 1 B");
  EXPECT_EQ(lines[2], "文件夹很长  100.00 KB");
  EXPECT_EQ(DisplayWidth(lines[1]), DisplayWidth(lines[2]));
}

TEST(Report, SummaryLineIsTheWindowsLineWithoutItsHint) {
  ScanResult result = MakeSampleResult();
  EXPECT_EQ(SummaryLine(result), "扫描完成 1.25 秒 · MFT · 1000 B · 5 文件 · 5 文件夹");
  EXPECT_EQ(UnreadableWarning(result), "");
  result.unreadable_records = 12;
  for (std::int64_t k = 0; k < 10; ++k) result.unreadable_ranges.push_back(ByteRange{k * 8192, 1024});
  EXPECT_EQ(SummaryLine(result), "扫描完成 1.25 秒 · MFT · 1000 B · 5 文件 · 5 文件夹 · 12 条记录无法读取");
  EXPECT_EQ(UnreadableWarning(result),
            "警告: 12 条记录无法读取 (字节 0-1023, 8192-9215, 16384-17407, 24576-25599, 32768-33791, "
            "40960-41983, 49152-50175, 57344-58367, ...)");
}

TEST(Report, FolderTreeStopsAtTheDepthAndOrdersBySize) {
  const ScanResult result = MakeSampleResult();
  const std::vector<std::string> depth0 = Lines(FolderTreeTable(result, 0));
  ASSERT_EQ(depth0.size(), 2u);
  EXPECT_EQ(depth0[1].rfind("[D:]", 0), 0u);

  const std::vector<std::string> lines = Lines(FolderTreeTable(result, 2));
  ASSERT_EQ(lines.size(), 7u) << FolderTreeTable(result, 2);
  EXPECT_NE(lines[0].find("占父目录 %"), std::string::npos);
  // Windows (600) before Users (300) before the root's own files (100); the
  // rows of depth 3 (alice's own files) are left out.
  EXPECT_EQ(lines[2].rfind("  Windows ", 0), 0u);
  EXPECT_EQ(lines[3].rfind("    [直接文件] ", 0), 0u);
  EXPECT_EQ(lines[4].rfind("  Users ", 0), 0u);
  EXPECT_EQ(lines[5].rfind("    alice ", 0), 0u);
  EXPECT_EQ(lines[6].rfind("  [直接文件] ", 0), 0u);
  // Share of the parent's allocated bytes: 614400 of 626688.
  EXPECT_NE(lines[2].find("98.0%"), std::string::npos);
  EXPECT_NE(lines[1].find("100.0%"), std::string::npos);
  EXPECT_NE(lines[2].find("600 B"), std::string::npos);
  EXPECT_NE(lines[2].find("600.00 KB"), std::string::npos);
  EXPECT_NE(lines[4].find("1.3%"), std::string::npos);
  // Columns line up: every row is as wide as the header.
  for (const std::string& line : lines) EXPECT_EQ(DisplayWidth(line), DisplayWidth(lines[0]));
}

// The tree as the folder list itself shows it, opened row by row: what the
// report printed before it walked the tree on its own.
std::string FolderListTable(const ScanResult& result, std::int32_t depth) {
  FolderRowModel model;
  model.ResetForResult(&result);
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const FolderRow& row = *model.RowAt(static_cast<std::int64_t>(i));
    if (!row.is_direct_files && row.depth < depth && row.expandable && !model.IsRowOpen(row))
      model.ToggleFolder(row.id);
  }
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight, Align::kRight});
  table.AddRow({Utf16ToUtf8(text::kColumnFolder), Utf16ToUtf8(text::kColumnParentShare), Utf16ToUtf8(text::kColumnSize),
                Utf16ToUtf8(text::kColumnAllocated), Utf16ToUtf8(text::kColumnItems)});
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const auto index = static_cast<std::int64_t>(i);
    if (model.RowAt(index)->depth > depth) continue;
    std::vector<std::string> cells{std::string(static_cast<std::size_t>(model.RowAt(index)->depth) * 2, ' ') +
                                   TerminalText(model.CellText(index, kFolderColumnName))};
    for (std::int32_t column : {1, 2, 3, 4}) cells.push_back(Utf16ToUtf8(model.CellText(index, column)));
    table.AddRow(std::move(cells));
  }
  return table.Render();
}

TEST(Report, FolderTreeIsTheFolderListsRows) {
  // Equal sizes (ties go by name, case-insensitively), empty folders, a
  // folder with files by size but none by count, several levels deep.
  test::ScanResultBuilder b(L"E");
  for (std::int64_t id = 10; id < 130; ++id) {
    const std::int64_t parent = id < 16 ? kRootId : 10 + (id * 7) % (id - 10);
    b.AddFolder(id, parent, (id % 3 == 0 ? L"Dir" : L"dir") + std::to_wstring(id % 11));
    if (id % 4 != 0) b.AddFile(id, 1000 + id, L"f" + std::to_wstring(id), (id % 5) * 1000, (id % 6) * 4096);
  }
  b.Finish();
  b.folder(76).direct_size = 5;
  const ScanResult& tree = b.result();
  const ScanResult sample = MakeSampleResult();
  for (const ScanResult* r : {&tree, &sample}) {
    for (std::int32_t depth : {0, 1, 3, 40}) EXPECT_EQ(FolderTreeTable(*r, depth), FolderListTable(*r, depth)) << depth;
  }
}

TEST(Report, ADeepChainGrowsTheTreeByARowAFolder) {
  const std::string deep = FolderTreeTable(MakeChainResult(100'000), 1'000'000);
  const std::vector<std::string> lines = Lines(deep);
  ASSERT_EQ(lines.size(), 1u + 100'001u + 1u);  // header, folders, the bottom's [直接文件]
  // Indented two blanks a level down to level 32, then by the level's number.
  const std::string indent(64, ' ');
  EXPECT_EQ(lines[1 + 31].rfind(std::string(62, ' ') + "d31 ", 0), 0u);
  EXPECT_EQ(lines[1 + 32].rfind(indent + "d32 ", 0), 0u);
  EXPECT_EQ(lines[1 + 33].rfind(indent + "[33] d33 ", 0), 0u);
  EXPECT_EQ(lines[1 + 100'000].rfind(indent + "[100000] d100000 ", 0), 0u);
  EXPECT_EQ(lines.back().rfind(indent + "[100001] [直接文件] ", 0), 0u);
  // Every row as wide as the widest name cell needs, not the depth.
  for (const std::string& line : lines) ASSERT_EQ(DisplayWidth(line), DisplayWidth(lines.back()));
  // Twice the folders, twice the text (and a little for longer names).
  EXPECT_LT(deep.size() * 10, FolderTreeTable(MakeChainResult(50'000), 1'000'000).size() * 21);
}

TEST(Report, ExtensionAndFileTablesUseTheFormatters) {
  const ScanResult result = MakeSampleResult();
  const std::vector<std::string> ext = Lines(ExtensionTable(result));
  ASSERT_EQ(ext.size(), 6u);
  EXPECT_EQ(ext[1].rfind(".sys ", 0), 0u);
  EXPECT_NE(ext[1].find("60.0%"), std::string::npos);
  const std::vector<std::string> files = Lines(LargestFilesTable(result));
  ASSERT_EQ(files.size(), 6u);
  EXPECT_EQ(files[1].rfind("big.sys ", 0), 0u);
  EXPECT_NE(files[2].find("D:\\Users\\alice"), std::string::npos);
}

TEST(Report, TablesKeepTwentyRowsAndSkipEmptyFiles) {
  ScanResult result = MakeSampleResult();
  result.extensions.assign(30, ExtStat{L".x", 1, 1});
  const std::uint32_t first = result.largest_files.front();
  result.files[first].size = 5;
  result.largest_files.assign(25, first);
  FileItem zero = result.files[first];
  zero.size = zero.alloc = 0;
  zero.name_offset = result.names.Append(std::u16string_view(u"zero.bin"));
  zero.name_length = 8;
  result.largest_files.insert(result.largest_files.begin(), static_cast<std::uint32_t>(result.files.size()));
  result.files.push_back(zero);
  EXPECT_EQ(Lines(ExtensionTable(result)).size(), kReportExtensions + 1);
  const std::string files = LargestFilesTable(result);
  EXPECT_EQ(Lines(files).size(), kReportFiles + 1);
  EXPECT_EQ(files.find("zero.bin"), std::string::npos);
}

TEST(ProgressLine, BarFollowsTheValue) {
  EXPECT_EQ(ProgressLine(0, L"x"), "[------------------------]   0% x");
  EXPECT_EQ(ProgressLine(50, L"正在读取 MFT..."), "[############------------]  50% 正在读取 MFT...");
  EXPECT_EQ(ProgressLine(250, L""), "[########################] 100% ");
  EXPECT_EQ(ProgressLine(-3, L""), "[------------------------]   0% ");
}

TEST(ProgressPrinter, RedrawsInPlaceAndErasesAtTheEnd) {
  std::ostringstream out;
  ProgressPrinter printer(out);
  printer.Finish();
  EXPECT_EQ(out.str(), "");  // nothing drawn, nothing to erase
  printer.Report(10, L"long text here");
  printer.Report(0, L"short");  // keeps 10
  printer.Finish();
  const std::string text = out.str();
  EXPECT_NE(text.find("\r[##----------------------]  10% short         "), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\r');
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace tw
