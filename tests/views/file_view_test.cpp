#include "views/file_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tw {
namespace {

FileEntry File(std::wstring name, std::int64_t size) {
  FileEntry f;
  f.name = std::move(name);
  f.size = size;
  f.alloc = size + 4096;
  f.folder_path = L"C:\\data";
  f.extension = L".bin";
  return f;
}

std::vector<std::wstring> ShownNames(const ScanResult& r, const FileViewState& s) {
  std::vector<std::wstring> names;
  for (std::size_t row = 0; row < s.file_view.size(); ++row) {
    names.push_back(FileViewEntry(r, s, static_cast<std::int64_t>(row))->name);
  }
  return names;
}

TEST(FileView, FillsTwoHundredNonEmptyRows) {
  ScanResult r;
  // 250 entries, 30 of them empty among the first 230.
  for (int i = 0; i < 250; ++i) {
    const bool empty = i % 7 == 3 && i < 213;
    r.largest_files.push_back(File(L"f" + std::to_wstring(i), empty ? 0 : 1000 - i));
  }
  int empties = 0;
  for (int i = 0; i < 230; ++i) empties += r.largest_files[i].size == 0;
  ASSERT_EQ(empties, 30);

  FileViewState s;
  s.file_view = {7, 7};
  FillFileView(r, s);
  ASSERT_EQ(s.file_view.size(), 200u);
  EXPECT_EQ(s.file_view.back(), 229u);  // the 230th entry
  for (std::uint64_t i : s.file_view) EXPECT_NE(r.largest_files[i].size, 0);
}

TEST(FileView, FewerFilesShowAllAndNegativeSizesCount) {
  ScanResult r;
  r.largest_files = {File(L"a", 5), File(L"b", 0), File(L"c", -1)};
  FileViewState s;
  FillFileView(r, s);
  EXPECT_EQ(s.file_view, (std::vector<std::uint64_t>{0, 2}));
  EXPECT_EQ(FileViewEntry(r, s, 2), nullptr);
  EXPECT_EQ(FileViewEntry(r, s, -1), nullptr);
  EXPECT_EQ(FileViewCellText(r.largest_files[2], 3), L"0 B");
}

TEST(FileView, SortByNameBothWaysCoversTheWholeList) {
  ScanResult r;
  // 300 files; names in reverse order of size, one empty file sorts first.
  for (int i = 0; i < 300; ++i) {
    wchar_t name[16];
    swprintf(name, 16, L"%c%03d", i % 2 ? L'N' : L'n', i);
    r.largest_files.push_back(File(name, 10'000 - i));
  }
  r.largest_files.push_back(File(L"a-empty", 0));
  FileViewState s;
  RefreshFileView(r, s);
  EXPECT_EQ(FileViewEntry(r, s, 0)->name, L"n000");

  FileViewColumnClick(r, s, 0);
  EXPECT_EQ(s.sort, (ListSort{0, false}));
  auto names = ShownNames(r, s);
  ASSERT_EQ(names.size(), 200u);
  EXPECT_EQ(names.front(), L"N299");  // descending first: the last 200 by name
  EXPECT_EQ(names.back(), L"n100");

  FileViewColumnClick(r, s, 0);
  EXPECT_EQ(s.sort, (ListSort{0, true}));
  names = ShownNames(r, s);
  ASSERT_EQ(names.size(), 200u);
  EXPECT_EQ(names.front(), L"n000");  // "a-empty" is first in the list but not shown
  EXPECT_EQ(names[1], L"N001");       // case folded: n000 < N001 < n002
  EXPECT_EQ(names.back(), L"N199");
  EXPECT_EQ(r.largest_files.front().name, L"a-empty");
}

TEST(FileView, EveryColumnHasItsKeyAndANewColumnStartsDescending) {
  FileEntry a = File(L"b.TXT", 10);
  a.folder_path = L"C:\\Z";
  a.extension = L".TXT";
  a.alloc = 1;
  a.mtime = 300;
  FileEntry b = File(L"A.txt", 20);
  b.folder_path = L"c:\\y";
  b.extension = L".dat";
  b.alloc = 2;
  b.mtime = 100;
  const auto first_by = [&](std::int32_t column, bool ascending) {
    std::vector<FileEntry> files = {a, b};
    SortLargestFiles(files, ListSort{column, ascending});
    return files.front().name;
  };
  EXPECT_EQ(first_by(0, true), L"A.txt");
  EXPECT_EQ(first_by(1, true), L"A.txt");
  EXPECT_EQ(first_by(2, true), L"A.txt");
  EXPECT_EQ(first_by(3, true), L"b.TXT");
  EXPECT_EQ(first_by(4, true), L"b.TXT");
  EXPECT_EQ(first_by(5, true), L"A.txt");
  EXPECT_EQ(first_by(5, false), L"b.TXT");
  EXPECT_EQ(first_by(17, false), L"A.txt");  // unknown columns sort by size

  ListSort sort{3, false};
  ApplyColumnClick(sort, 3);
  EXPECT_EQ(sort, (ListSort{3, true}));
  ApplyColumnClick(sort, 5);
  EXPECT_EQ(sort, (ListSort{5, false}));
}

TEST(FileView, NewScanKeepsTheSortState) {
  ScanResult r;
  r.largest_files = {File(L"zeta", 30), File(L"alpha", 20), File(L"Mid", 10)};
  FileViewState s;
  FileViewColumnClick(r, s, 0);
  FileViewColumnClick(r, s, 0);  // name ascending

  ScanResult next;
  next.largest_files = {File(L"yak", 300), File(L"Bee", 200), File(L"ant", 100)};
  RefreshFileView(next, s);
  EXPECT_EQ(s.sort, (ListSort{0, true}));
  EXPECT_EQ(ShownNames(next, s), (std::vector<std::wstring>{L"ant", L"Bee", L"yak"}));
}

TEST(FileView, CellTextsAndContextMenuPath) {
  FileEntry f = File(L"boot.ini", 1536);
  f.alloc = 4096;
  f.mtime = 0;
  EXPECT_EQ(FileViewCellText(f, 0), L"boot.ini");
  EXPECT_EQ(FileViewCellText(f, 1), L"C:\\data");
  EXPECT_EQ(FileViewCellText(f, 2), L".bin");
  EXPECT_EQ(FileViewCellText(f, 3), L"1.50 KB");
  EXPECT_EQ(FileViewCellText(f, 4), L"4.00 KB");
  EXPECT_EQ(FileViewCellText(f, 5), L"");
  EXPECT_EQ(FileViewCellText(f, 6), L"");
  EXPECT_EQ(FileViewCellText(f, -1), L"");

  EXPECT_EQ(FileContextMenuPath(f), L"C:\\data\\boot.ini");
  f.folder_path = L"C:\\";
  EXPECT_EQ(FileContextMenuPath(f), L"C:\\boot.ini");
  f.folder_path = L"";
  EXPECT_EQ(FileContextMenuPath(f), L"boot.ini");
}

TEST(ExtensionSwatch, ListedExtensionsTakeTheirPositionOthersTheHash) {
  std::vector<ExtStat> extensions(14);
  for (std::size_t i = 0; i < extensions.size(); ++i) extensions[i].extension = L".e" + std::to_wstring(i);
  extensions[13].extension = L".Dll";
  EXPECT_EQ(ExtensionSwatchColour(extensions, L".e0"), TreemapPalette[0]);
  EXPECT_EQ(ExtensionSwatchColour(extensions, L".E5"), TreemapPalette[5]);
  EXPECT_EQ(ExtensionSwatchColour(extensions, L".dLL"), TreemapPalette[1]);  // position 13

  // ".txt": ((46 * 31 + 116) * 31 + 120) * 31 + 116 = 1485698, mod 12 = 2.
  EXPECT_EQ(ExtensionSwatchColour(extensions, L".txt"), TreemapPalette[2]);
  EXPECT_EQ(ExtensionSwatchColour({}, L""), TreemapPalette[0]);
  // A supplementary character hashes as its two UTF-16 units on every platform.
  const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
  const std::uint64_t h = std::uint64_t{0xD83D} * 31 + 0xDE00;
  EXPECT_EQ(ExtensionSwatchColour({}, pair), TreemapPalette[h % 12]);
  // The hash wraps in 64 bits instead of overflowing.
  const std::wstring long_text(40, L'z');
  std::uint64_t w = 0;
  for (wchar_t c : long_text) w = w * 31 + static_cast<std::uint64_t>(c);
  EXPECT_EQ(ExtensionSwatchColour({}, long_text), TreemapPalette[w % 12]);
}

TEST(ResultList, CellTextCopyTruncatesAndTerminates) {
  wchar_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  CopyCellText(L"abcdefgh", buffer, 6);
  EXPECT_EQ(std::wstring(buffer), L"abcde");
  CopyCellText(L"xy", buffer, 6);
  EXPECT_EQ(std::wstring(buffer), L"xy");
  CopyCellText(L"xy", buffer, 1);
  EXPECT_EQ(buffer[0], L'\0');
  buffer[0] = L'#';
  CopyCellText(L"xy", buffer, 0);
  EXPECT_EQ(buffer[0], L'#');
  CopyCellText(L"xy", nullptr, 4);
}

TEST(ResultList, RowColoursAndSwatchGeometry) {
  EXPECT_EQ(RowColoursFor(true), (RowColours{0xFFFFFF, 0xD77800}));
  EXPECT_EQ(RowColoursFor(false), (RowColours{0x000000, 0xFFFFFF}));
  const Rect cell{100, 24, 220, 48};
  EXPECT_EQ(LayoutSwatchCell(cell, 96), (SwatchCellLayout{{106, 29, 120, 43}, {128, 24, 220, 48}}));
  // 144 dpi: S(6) 9, S(5) 8 (7.5 rounds up), S(20) 30, S(8) 12.
  EXPECT_EQ(LayoutSwatchCell(cell, 144), (SwatchCellLayout{{109, 32, 130, 40}, {142, 24, 220, 48}}));
}

}  // namespace
}  // namespace tw
