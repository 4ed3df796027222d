#include "views/file_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tw {
namespace {

using Names = std::vector<std::wstring>;

FileEntry File(std::wstring name, std::int64_t size) {
  FileEntry f;
  f.name = std::move(name);
  f.size = size;
  f.alloc = size + 4096;
  f.folder_path = L"C:\\data";
  f.extension = L".bin";
  return f;
}

Names Shown(const ScanResult& r, const FileViewState& s) {
  Names names;
  for (std::size_t row = 0; row < s.file_view.size(); ++row) {
    names.push_back(FileViewEntry(r, s, static_cast<std::int64_t>(row))->name);
  }
  return names;
}

TEST(FileView, FillsTwoHundredNonEmptyRows) {
  ScanResult r;
  // 250 entries; 30 of the first 230 are empty (i = 3, 10, ..., 206).
  for (int i = 0; i < 250; ++i) {
    r.largest_files.push_back(File(L"f" + std::to_wstring(i), i % 7 == 3 && i < 213 ? 0 : 1000 - i));
  }
  FileViewState s;
  s.file_view = {7, 7};
  FillFileView(r, s);
  ASSERT_EQ(s.file_view.size(), 200u);
  EXPECT_EQ(s.file_view.back(), 229u);  // the 230th entry

  r.largest_files = {File(L"a", 5), File(L"b", 0), File(L"c", -1)};
  FillFileView(r, s);
  EXPECT_EQ(s.file_view, (std::vector<std::uint64_t>{0, 2}));
  EXPECT_EQ(FileViewEntry(r, s, 2), nullptr);
  EXPECT_EQ(FileViewEntry(r, s, -1), nullptr);
}

TEST(FileView, SortByNameBothWaysCoversTheWholeList) {
  ScanResult r;
  // 300 files, names in the reverse order of their sizes, alternating case.
  for (int i = 0; i < 300; ++i) {
    wchar_t name[16];
    swprintf(name, 16, L"%c%03d", i % 2 ? L'N' : L'n', i);
    r.largest_files.push_back(File(name, 10'000 - i));
  }
  r.largest_files.push_back(File(L"a-empty", 0));
  FileViewState s;
  FileViewColumnClick(r, s, 0);
  EXPECT_EQ(s.sort, (ListSort{0, false}));
  Names names = Shown(r, s);
  ASSERT_EQ(names.size(), 200u);
  EXPECT_EQ(names.front(), L"N299");  // the last 200 by name, descending
  EXPECT_EQ(names.back(), L"n100");

  FileViewColumnClick(r, s, 0);
  EXPECT_EQ(s.sort, (ListSort{0, true}));
  names = Shown(r, s);
  EXPECT_EQ(r.largest_files[s.order.front()].name, L"a-empty");  // sorted, not shown
  EXPECT_EQ(r.largest_files.front().name, L"n000");               // the result keeps its order
  EXPECT_EQ((Names{names[0], names[1], names[199]}), (Names{L"n000", L"N001", L"N199"}));

  // A new scan is sorted by the kept state.
  ScanResult next;
  next.largest_files = {File(L"yak", 300), File(L"Bee", 200), File(L"ant", 100)};
  RefreshFileView(next, s);
  EXPECT_EQ(Shown(next, s), (Names{L"ant", L"Bee", L"yak"}));
}

TEST(FileView, EachColumnSortsByItsKey) {
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
  std::wstring firsts;
  const std::vector<FileEntry> files = {a, b};
  for (std::int32_t column : {0, 1, 2, 3, 4, 5, 17}) {
    std::vector<std::size_t> order = {0, 1};
    SortLargestFiles(files, order, ListSort{column, true});
    firsts += files[order.front()].name[0];
  }
  EXPECT_EQ(firsts, L"AAAbbAb");  // 17: any other column sorts by size

  ListSort sort{3, false};
  ApplyColumnClick(sort, 3);
  EXPECT_EQ(sort, (ListSort{3, true}));
  ApplyColumnClick(sort, 5);
  EXPECT_EQ(sort, (ListSort{5, false}));
}

TEST(FileView, CellTextsAndContextMenuPath) {
  FileEntry f = File(L"boot.ini", 1536);
  f.alloc = -1;
  const Names texts = {FileViewCellText(f, 0), FileViewCellText(f, 1), FileViewCellText(f, 2), FileViewCellText(f, 3),
                       FileViewCellText(f, 4), FileViewCellText(f, 5), FileViewCellText(f, 6)};
  EXPECT_EQ(texts, (Names{L"boot.ini", L"C:\\data", L".bin", L"1.50 KB", L"0 B", L"", L""}));

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
  std::vector<std::size_t> order(extensions.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  EXPECT_EQ(ExtensionSwatchColour(extensions, order, L".E5"), TreemapPalette[5]);
  EXPECT_EQ(ExtensionSwatchColour(extensions, order, L".dLL"), TreemapPalette[1]);  // position 13
  std::swap(order[0], order[13]);
  EXPECT_EQ(ExtensionSwatchColour(extensions, order, L".dLL"), TreemapPalette[0]);  // the list's position

  // ".txt": ((46 * 31 + 116) * 31 + 120) * 31 + 116 = 1485698, mod 12 = 2.
  EXPECT_EQ(ExtensionSwatchColour(extensions, order, L".txt"), TreemapPalette[2]);
  // A supplementary character hashes as its two UTF-16 units on every
  // platform: (0xD83D * 31 + 0xDE00) mod 12 = 7 (the code point would give 4).
  const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
  EXPECT_EQ(ExtensionSwatchColour({}, {}, pair), TreemapPalette[7]);
  // The hash wraps in 64 bits: forty "z" give 0 (unwrapped, or wrapped in 32 bits, 8).
  EXPECT_EQ(ExtensionSwatchColour({}, {}, std::wstring(40, L'z')), TreemapPalette[0]);
}

TEST(ResultList, CellCopyAndSwatchGeometry) {
  wchar_t buffer[6] = {L'#', L'#', L'#', L'#', L'#', L'#'};
  CopyCellText(L"abcdefgh", buffer, 6);
  EXPECT_EQ(std::wstring(buffer), L"abcde");
  CopyCellText(L"xy", buffer, 1);
  EXPECT_EQ(buffer[0], L'\0');
  buffer[0] = L'#';
  CopyCellText(L"xy", buffer, 0);
  EXPECT_EQ(buffer[0], L'#');

  const Rect cell{100, 24, 220, 48};
  EXPECT_EQ(LayoutSwatchCell(cell, 96), (SwatchCellLayout{{106, 29, 120, 43}, {128, 24, 220, 48}}));
  // 144 dpi: S(6) 9, S(5) 8 (7.5 rounds up), S(20) 30, S(8) 12.
  EXPECT_EQ(LayoutSwatchCell(cell, 144), (SwatchCellLayout{{109, 32, 130, 40}, {142, 24, 220, 48}}));
}

}  // namespace
}  // namespace tw
