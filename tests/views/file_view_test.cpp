#include "views/file_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/scan_result_builder.h"
#include "views/text_compare.h"

namespace tw {
namespace {

using Names = std::vector<std::wstring>;

// A file of a hand-made result: its name and size; allocated 4096 more.
struct Sized {
  std::wstring name;
  std::int64_t size = 0;
};

// The index in r.files of the file with record number `id`.
std::uint32_t IndexOfFile(const ScanResult& r, std::int64_t id) {
  for (std::size_t i = 0; i < r.files.size(); ++i) {
    if (r.files[i].id == id) return static_cast<std::uint32_t>(i);
  }
  ADD_FAILURE() << "no file " << id;
  return 0;
}

// Lists the files with record numbers first_id, first_id + 1, ... as the
// result's largest files, in that order.
void ListLargest(ScanResult& r, std::int64_t first_id, std::size_t count) {
  r.largest_files.clear();
  for (std::size_t i = 0; i < count; ++i) r.largest_files.push_back(IndexOfFile(r, first_id + std::int64_t(i)));
}

// A result whose files, all at the root, are its largest files in the order
// given (not necessarily by size).
ScanResult Largest(const std::vector<Sized>& files) {
  test::ScanResultBuilder builder;
  for (std::size_t i = 0; i < files.size(); ++i) {
    builder.AddFile(kRootId, 100 + std::int64_t(i), files[i].name, files[i].size, files[i].size + 4096);
  }
  ScanResult r = builder.Finish();
  ListLargest(r, 100, files.size());
  return r;
}

// The file at position k of the result's largest files.
const FileItem& LargestAt(const ScanResult& r, std::size_t k) { return r.files.at(r.largest_files.at(k)); }

Names Shown(const ScanResult& r, const FileViewState& s) {
  Names names;
  for (std::size_t row = 0; row < s.file_view.size(); ++row) {
    names.push_back(r.NameText(*FileViewEntry(r, s, static_cast<std::int64_t>(row))));
  }
  return names;
}

TEST(FileView, FillsTwoHundredNonEmptyRows) {
  std::vector<Sized> files;
  // 250 entries; 30 of the first 230 are empty (i = 3, 10, ..., 206).
  for (int i = 0; i < 250; ++i) {
    files.push_back({L"f" + std::to_wstring(i), i % 7 == 3 && i < 213 ? 0 : 1000 - i});
  }
  ScanResult r = Largest(files);
  FileViewState s;
  s.file_view = {7, 7};
  FillFileView(r, s);
  ASSERT_EQ(s.file_view.size(), 200u);
  EXPECT_EQ(s.file_view.back(), 229u);  // the 230th entry

  r = Largest({{L"a", 5}, {L"b", 0}, {L"c", -1}});
  FillFileView(r, s);
  EXPECT_EQ(s.file_view, (std::vector<std::uint64_t>{0, 2}));
  EXPECT_EQ(FileViewEntry(r, s, 2), nullptr);
  EXPECT_EQ(FileViewEntry(r, s, -1), nullptr);
  EXPECT_EQ(FileViewEntry(r, s, 1), &r.files[r.largest_files[2]]);
  // A listed index the result's files do not hold is no row.
  r.largest_files[2] = static_cast<std::uint32_t>(r.files.size());
  EXPECT_EQ(FileViewEntry(r, s, 1), nullptr);
  FillFileView(r, s);
  EXPECT_EQ(s.file_view, (std::vector<std::uint64_t>{0}));
}

TEST(FileView, SortByNameBothWaysCoversTheWholeList) {
  std::vector<Sized> files;
  // 300 files, names in the reverse order of their sizes, alternating case.
  for (int i = 0; i < 300; ++i) {
    wchar_t name[16];
    swprintf(name, 16, L"%c%03d", i % 2 ? L'N' : L'n', i);
    files.push_back({name, 10'000 - i});
  }
  files.push_back({L"a-empty", 0});
  const ScanResult r = Largest(files);
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
  EXPECT_EQ(r.NameText(LargestAt(r, s.order.front())), L"a-empty");  // sorted, not shown
  EXPECT_EQ(r.NameText(LargestAt(r, 0)), L"n000");                   // the result keeps its order
  EXPECT_EQ((Names{names[0], names[1], names[199]}), (Names{L"n000", L"N001", L"N199"}));

  // A new scan is sorted by the kept state.
  const ScanResult next = Largest({{L"yak", 300}, {L"Bee", 200}, {L"ant", 100}});
  RefreshFileView(next, s);
  EXPECT_EQ(Shown(next, s), (Names{L"ant", L"Bee", L"yak"}));
}

TEST(FileView, EachColumnSortsByItsKey) {
  test::ScanResultBuilder builder;
  builder.AddFolder(20, kRootId, L"Z");
  builder.AddFolder(21, kRootId, L"y");
  FileEntry& a = builder.AddFile(20, 100, L"b.TXT", 10, 1);  // C:\Z
  a.mtime = 300;
  FileEntry& b = builder.AddFile(21, 101, L"A.dat", 20, 2);  // C:\y
  b.mtime = 100;
  ScanResult& r = builder.Finish();
  ListLargest(r, 100, 2);
  std::wstring firsts;
  for (std::int32_t column : {0, 1, 2, 3, 4, 5, 17}) {
    std::vector<std::size_t> order = {0, 1};
    SortLargestFiles(r, order, ListSort{column, true});
    firsts += r.Name(LargestAt(r, order.front()))[0];
  }
  EXPECT_EQ(firsts, L"AAAbbAb");  // 17: any other column sorts by size

  ListSort sort{3, false};
  ApplyColumnClick(sort, 3);
  EXPECT_EQ(sort, (ListSort{3, true}));
  ApplyColumnClick(sort, 5);
  EXPECT_EQ(sort, (ListSort{5, false}));
}

// Names compare by UTF-16 units with only A-Z folded: "é" (U+00E9) sorts
// after "z" and "É" (U+00C9) is not folded to it.
TEST(FileView, NameSortFoldsOnlyAsciiLetters) {
  const ScanResult r = Largest({{L"\u00E9", 1}, {L"Z", 1}, {L"\u00C9", 1}, {L"a", 1}});
  std::vector<std::size_t> order = {0, 1, 2, 3};
  SortLargestFiles(r, order, ListSort{0, true});
  Names names;
  for (const std::size_t k : order) names.push_back(r.NameText(LargestAt(r, k)));
  EXPECT_EQ(names, (Names{L"a", L"Z", L"\u00C9", L"\u00E9"}));
}

// Many files over a few folders whose ids run against the order of their
// paths (and one whose parent is unknown, shown at the root): a sort by the
// folder column puts the files in the order of their folders' path texts,
// case-insensitively, both ways, and every file keeps its own folder.
TEST(FileView, SortByFolderFollowsThePathTexts) {
  test::ScanResultBuilder builder(L"D");
  builder.AddFolder(40, kRootId, L"alpha");
  builder.AddFolder(39, 40, L"Beta");
  builder.AddFolder(38, kRootId, L"Gamma");
  builder.AddFolder(37, 38, L"alpha");
  builder.AddFolder(36, kRootId, L"BETA2");
  constexpr std::int64_t kUnknown = 9999;
  const std::int64_t folders[] = {36, 37, 38, 39, 40, kRootId, kUnknown};
  for (int i = 0; i < 140; ++i) {
    const std::int64_t folder = folders[(i * 5) % 7];
    builder.AddFile(folder == kUnknown ? kRootId : folder, 1000 + i, L"f" + std::to_wstring(i), 1000 - i);
  }
  ScanResult& r = builder.Finish();
  ListLargest(r, 1000, 140);
  for (int i = 0; i < 140; ++i) {
    // Listed under a folder the result does not hold.
    if (folders[(i * 5) % 7] == kUnknown) r.files[IndexOfFile(r, 1000 + i)].folder = ScanResult::kNoFolder;
  }
  const auto path_of = [&r](std::size_t index) {
    return FileContextMenuPath(r, LargestAt(r, index));  // folder path + "\" + name
  };
  for (const bool ascending : {true, false}) {
    std::vector<std::size_t> order(r.largest_files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    SortLargestFiles(r, order, ListSort{1, ascending});
    std::vector<std::wstring> texts;
    for (const std::size_t index : order) texts.push_back(FileViewCellText(r, LargestAt(r, index), 1));
    EXPECT_EQ(texts.front(), ascending ? L"D:\\" : L"D:\\Gamma\\alpha") << ascending;
    EXPECT_EQ(texts.back(), ascending ? L"D:\\Gamma\\alpha" : L"D:\\") << ascending;
    for (std::size_t k = 1; k < texts.size(); ++k) {
      const int c = CompareTextNoCase(texts[k - 1], texts[k]);
      EXPECT_TRUE(ascending ? c <= 0 : c >= 0) << k;
    }
    std::vector<std::size_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i) ASSERT_EQ(sorted[i], i);  // a permutation
  }
  EXPECT_EQ(path_of(0), L"D:\\BETA2\\f0");
  EXPECT_EQ(path_of(2), L"D:\\alpha\\Beta\\f2");
  EXPECT_EQ(path_of(4), L"D:\\f4");  // unknown folder: shown at the root
}

TEST(FileView, CellTextsAndContextMenuPath) {
  test::ScanResultBuilder builder;
  builder.AddFolder(30, kRootId, L"data");
  builder.AddFile(30, 100, L"boot.ini", 1536);
  builder.AddFile(kRootId, 101, L"boot.ini", 1536);
  ScanResult& r = builder.Finish();
  FileItem& f = r.files[IndexOfFile(r, 100)];
  f.alloc = -1;
  const Names texts = {FileViewCellText(r, f, 0), FileViewCellText(r, f, 1), FileViewCellText(r, f, 2),
                       FileViewCellText(r, f, 3), FileViewCellText(r, f, 4), FileViewCellText(r, f, 5),
                       FileViewCellText(r, f, 6)};
  EXPECT_EQ(texts, (Names{L"boot.ini", L"C:\\data", L".ini", L"1.50 KB", L"0 B", L"", L""}));

  EXPECT_EQ(FileContextMenuPath(r, f), L"C:\\data\\boot.ini");
  const FileItem& at_root = r.files[IndexOfFile(r, 101)];
  EXPECT_EQ(FileViewCellText(r, at_root, 1), L"C:\\");
  EXPECT_EQ(FileContextMenuPath(r, at_root), L"C:\\boot.ini");
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
