#include "views/folder_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "format/format.h"
#include "format/utf.h"
#include "support/rows_scan_result_builder.h"
#include "views/text_compare.h"

namespace tw {
namespace {

using test::RowsResultBuilder;

// The rows as "<depth spaces><name>", readable in a failure message.
std::vector<std::string> Outline(const FolderRowModel& model) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const auto index = static_cast<std::int64_t>(i);
    lines.push_back(std::string(static_cast<std::size_t>(model.RowAt(index)->depth) * 2, ' ') +
                    Utf16ToUtf8(model.CellText(index, kFolderColumnName)));
  }
  return lines;
}

// The names of the rows at one depth, top to bottom.
std::vector<std::string> NamesAtDepth(const FolderRowModel& model, std::int32_t depth) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const auto index = static_cast<std::int64_t>(i);
    if (model.RowAt(index)->depth == depth) {
      names.push_back(Utf16ToUtf8(model.CellText(index, kFolderColumnName)));
    }
  }
  return names;
}

std::int64_t Index(std::size_t i) { return static_cast<std::int64_t>(i); }

const std::string kDirect = "[直接文件]";

TEST(TextCompareNoCase, FoldsOnlyAsciiLettersAndComparesUnits) {
  EXPECT_EQ(CompareTextNoCase(L"Beta", L"bETA"), 0);
  EXPECT_LT(CompareTextNoCase(L"alpha", L"Beta"), 0);
  EXPECT_GT(CompareTextNoCase(L"beta", L"[x]"), 0);  // 'b' is above '[' once folded
  EXPECT_LT(CompareTextNoCase(L"ab", L"abc"), 0);
  EXPECT_NE(CompareTextNoCase(L"\u00C4", L"\u00E4"), 0);  // no folding beyond ASCII
  EXPECT_LT(CompareTextNoCase(L"z", L"\u00E4"), 0);       // units compare unsigned
}

TEST(FolderRowModel, WithoutResultHasNoRowsAndAnswersEmpty) {
  FolderRowModel model;
  model.Rebuild();
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_EQ(model.CellText(0, kFolderColumnName), L"");
  EXPECT_EQ(model.ParentPercent(0), 0.0);
  EXPECT_EQ(model.RowPath(0), L"");
  EXPECT_EQ(model.FileOfRow(0), nullptr);
  EXPECT_EQ(model.RowAt(-1), nullptr);
  EXPECT_FALSE(model.ToggleFolder(kRootId));
  EXPECT_FALSE(model.ToggleFileGroup(kRootId));
  model.RevealFolder(kRootId);
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_EQ(model.sort_column(), kFolderColumnSize);
  EXPECT_FALSE(model.sort_ascending());
}

TEST(FolderRowModel, ResultWithoutRootGivesNoRows) {
  ScanResult result;
  result.folders[40].name = L"orphan";
  FolderRowModel model;
  model.ResetForResult(&result);
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_TRUE(model.expanded_folders().empty());
}

TEST(FolderRowModel, NewResultShowsRootChildrenAndDirectFilesBySizeDescending) {
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"Small");
  b.AddFolder(21, kRootId, L"Large");
  b.AddFile(20, 100, L"s.bin", 100);
  b.AddFile(21, 101, L"l.bin", 300);
  b.AddFile(kRootId, 102, L"root1.bin", 150, 4096);
  b.AddFile(kRootId, 103, L"root2.bin", 50, 4096);
  b.Finish();

  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_EQ(Outline(model), (std::vector<std::string>{"[C:]", "  Large", "  " + kDirect, "  Small"}));
  EXPECT_EQ(model.expanded_folders(), FolderRowModel::IdSet{kRootId});

  const FolderRow& root = *model.RowAt(0);
  EXPECT_EQ(root.id, 5u);
  EXPECT_TRUE(root.expandable);
  EXPECT_FALSE(root.is_direct_files || root.is_file);

  const FolderRow& direct = *model.RowAt(2);
  EXPECT_EQ(direct.id, kDirectFilesEntry);
  EXPECT_EQ(direct.folder_id, 5u);
  EXPECT_EQ(direct.depth, 1);
  EXPECT_TRUE(direct.is_direct_files);
  EXPECT_TRUE(direct.expandable);
  EXPECT_EQ(direct.size, 200);
  EXPECT_EQ(direct.alloc, 8192);
  EXPECT_EQ(direct.file_count, 2);
  EXPECT_EQ(model.DirectFilesRowIndex(kRootId), 2u);
  EXPECT_EQ(model.FolderRowIndex(21), 1u);
  EXPECT_FALSE(model.FolderRowIndex(99).has_value());

  // Opening the group lists its files one level deeper, largest first.
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));
  EXPECT_EQ(Outline(model), (std::vector<std::string>{"[C:]", "  Large", "  " + kDirect,
                                                      "    root1.bin", "    root2.bin", "  Small"}));
  EXPECT_TRUE(model.IsRowOpen(*model.RowAt(2)));
  const FolderRow& file = *model.RowAt(4);
  EXPECT_TRUE(file.is_file);
  EXPECT_FALSE(file.expandable);
  EXPECT_EQ(file.id, 103u);
  EXPECT_EQ(file.folder_id, 5u);
  EXPECT_EQ(file.file_index, 1u);
  EXPECT_EQ(model.FileOfRow(4)->name, L"root2.bin");

  // Closing the root hides everything under it; the group stays remembered.
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  EXPECT_EQ(model.RowCount(), 1u);
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  EXPECT_EQ(model.RowCount(), 6u);
}

TEST(FolderRowModel, DirectFilesRowIsShownBySizeButOpensOnlyByCount) {
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"sized");  // files by size, none counted
  b.AddFolder(21, kRootId, L"counted");  // counted files of size 0
  b.AddFolder(22, kRootId, L"empty");
  b.AddFolder(23, 22, L"inner");
  b.AddFile(21, 100, L"zero.txt", 0);
  b.Finish();
  b.folder(20).direct_size = 700;
  b.folder(20).direct_alloc = 4096;

  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_FALSE(model.ToggleFolder(20));  // no child, no counted file
  model.RevealFolder(20);                         // the root only; 20 cannot be opened
  EXPECT_EQ(model.expanded_folders().count(20), 0u);

  // Open the three by hand through their parents' rows.
  ASSERT_TRUE(model.ToggleFolder(21));
  ASSERT_TRUE(model.ToggleFolder(22));
  const FolderRow& sized = *model.RowAt(Index(*model.FolderRowIndex(20)));
  EXPECT_FALSE(sized.expandable);
  EXPECT_FALSE(model.DirectFilesRowIndex(20).has_value());  // shut: no rows under it

  const FolderRow& counted = *model.RowAt(Index(*model.FolderRowIndex(21)));
  EXPECT_TRUE(counted.expandable);
  ASSERT_TRUE(model.DirectFilesRowIndex(21).has_value());
  EXPECT_TRUE(model.RowAt(Index(*model.DirectFilesRowIndex(21)))->expandable);
  EXPECT_FALSE(model.DirectFilesRowIndex(22).has_value());  // neither count nor size

  // A folder with files only by size, opened because it has a child.
  b.AddFolder(24, 20, L"child");
  model.Rebuild();
  ASSERT_TRUE(model.ToggleFolder(20));
  ASSERT_TRUE(model.DirectFilesRowIndex(20).has_value());
  const FolderRow& pseudo = *model.RowAt(Index(*model.DirectFilesRowIndex(20)));
  EXPECT_FALSE(pseudo.expandable);
  EXPECT_EQ(pseudo.size, 700);
  EXPECT_EQ(pseudo.file_count, 0);
  const auto before = model.expanded_file_groups();
  EXPECT_FALSE(model.ToggleFileGroup(20));
  EXPECT_EQ(model.expanded_file_groups(), before);
}

TEST(FolderRowModel, ToggleOnFolderWithNothingNeitherChangesNorRebuilds) {
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"a");
  b.AddFolder(21, kRootId, L"b");
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_FALSE(model.RowAt(1)->expandable);
  const auto rows_before = Outline(model);

  // A rebuild would now put "b" first; the rows must stay as they were.
  b.folder(21).total_size = 10;
  EXPECT_FALSE(model.ToggleFolder(20));
  EXPECT_FALSE(model.ToggleFolder(999));
  EXPECT_EQ(Outline(model), rows_before);
  EXPECT_EQ(model.expanded_folders(), FolderRowModel::IdSet{kRootId});
  model.Rebuild();
  EXPECT_EQ(NamesAtDepth(model, 1), (std::vector<std::string>{"b", "a"}));
}

TEST(FolderRowOrder, EqualSizesComeInNameOrderInBothDirections) {
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"charlie");
  b.AddFolder(21, kRootId, L"Bravo");
  b.AddFolder(22, kRootId, L"alpha");
  b.AddFolder(23, kRootId, L"delta");
  for (std::int64_t id = 20; id <= 22; ++id) b.AddFile(id, id + 100, L"f", 64);
  b.AddFile(23, 200, L"big", 999);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_EQ(NamesAtDepth(model, 1), (std::vector<std::string>{"delta", "alpha", "Bravo", "charlie"}));
  model.SetSort(kFolderColumnSize);
  ASSERT_TRUE(model.sort_ascending());
  EXPECT_EQ(NamesAtDepth(model, 1), (std::vector<std::string>{"alpha", "Bravo", "charlie", "delta"}));
}

TEST(FolderRowOrder, FoldersNamedLikeThePseudoRowComeFirstUnderNameColumn) {
  // Enough equal names that the sort partitions rather than inserting.
  RowsResultBuilder b;
  b.AddFolder(19, kRootId, L"zeta");
  for (std::int64_t id = 20; id < 60; ++id) b.AddFolder(id, kRootId, L"[直接文件]");
  b.AddFile(kRootId, 100, L"f", 10);
  b.Finish();
  FolderRowModel model;
  model.SetSort(kFolderColumnName);  // descending
  model.ResetForResult(&b.result());
  ASSERT_EQ(model.RowCount(), 43u);
  EXPECT_EQ(Utf16ToUtf8(model.CellText(1, kFolderColumnName)), "zeta");
  EXPECT_EQ(model.DirectFilesRowIndex(kRootId), 42u);

  model.SetSort(kFolderColumnName);  // ascending
  EXPECT_EQ(model.DirectFilesRowIndex(kRootId), 41u);
  EXPECT_EQ(Utf16ToUtf8(model.CellText(42, kFolderColumnName)), "zeta");
}

// Three folders and the root's own files, with keys that order differently
// under every column.
class FolderRowSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Child(20, L"alpha", 300, 100, 1, 5, 30, 0x1);   // R
    Child(21, L"Beta", 200, 300, 6, 0, 10, 0x20);   // A
    Child(22, L"gamma", 100, 200, 3, 1, 20, 0x2);   // H
    DirNode& root = b_.folder(kRootId);
    root.direct_size = 150;
    root.direct_alloc = 50;
    root.direct_file_count = 2;
    model_.ResetForResult(&b_.result());
  }

  void Child(std::int64_t id, const wchar_t* name, std::int64_t size, std::int64_t alloc,
             std::int32_t files, std::int32_t folders, std::int64_t mtime, std::uint32_t attrs) {
    DirNode& d = b_.AddFolder(id, kRootId, name);
    d.total_size = size;
    d.total_alloc = alloc;
    d.total_file_count = files;
    d.total_folder_count = folders;
    d.mtime = mtime;
    d.attributes = attrs;
  }

  // Sorts by `column` (descending first, then ascending) and returns both orders.
  std::pair<std::vector<std::string>, std::vector<std::string>> Orders(std::int32_t column) {
    model_.SetSort(column);
    if (model_.sort_ascending()) model_.SetSort(column);
    std::vector<std::string> descending = NamesAtDepth(model_, 1);
    model_.SetSort(column);
    return {descending, NamesAtDepth(model_, 1)};
  }

  RowsResultBuilder b_;
  FolderRowModel model_;
};

TEST_F(FolderRowSortTest, EveryColumnOrdersChildrenAndDirectFilesBothWays) {
  using V = std::vector<std::string>;
  struct Case {
    std::int32_t column;
    V descending;
    V ascending;
  };
  const std::string d = kDirect;
  const Case cases[] = {
      // Names fold case: "Beta" sorts as "beta", after "[".
      {0, {"gamma", "Beta", "alpha", d}, {d, "alpha", "Beta", "gamma"}},
      {1, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}},
      {2, {"alpha", "Beta", d, "gamma"}, {"gamma", d, "Beta", "alpha"}},
      {3, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}},
      // Items tie at 6: name order in both directions.
      {4, {"alpha", "Beta", "gamma", d}, {d, "gamma", "alpha", "Beta"}},
      {5, {"Beta", "gamma", d, "alpha"}, {"alpha", d, "gamma", "Beta"}},
      // The pseudo row has no folders: it ties with Beta at 0 and "[" sorts first.
      {6, {"alpha", "gamma", d, "Beta"}, {d, "Beta", "gamma", "alpha"}},
      {7, {"alpha", "gamma", "Beta", d}, {d, "Beta", "gamma", "alpha"}},
      // Attribute texts: "R", "A", "H" and the pseudo row's empty text.
      {8, {"alpha", "gamma", "Beta", d}, {d, "Beta", "gamma", "alpha"}},
      // Any other column sorts by allocated size.
      {9, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    auto [descending, ascending] = Orders(c.column);
    EXPECT_EQ(descending, c.descending);
    EXPECT_EQ(ascending, c.ascending);
  }
}

TEST(FolderRowOrder, EveryColumnOrdersFilesBothWays) {
  RowsResultBuilder b;
  auto file = [&](std::int64_t id, const wchar_t* name, std::int64_t size, std::int64_t alloc,
                  std::int64_t mtime, std::uint32_t attrs) {
    FileEntry& f = b.AddFile(kRootId, id, name, size, alloc);
    f.mtime = mtime;
    f.attributes = attrs;
  };
  file(100, L"b.log", 10, 4096, 3, 0x20);  // "A"
  file(101, L"A.log", 30, 4096, 1, 0x1);   // "R"
  file(102, L"c.log", 20, 0, 2, 0x22);     // "HA"
  file(103, L"D.log", 10, 8192, 3, 0x0);   // ""
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));

  using V = std::vector<std::string>;
  struct Case {
    std::int32_t column;
    V descending;
    V ascending;
  };
  const Case cases[] = {
      {0, {"D.log", "c.log", "b.log", "A.log"}, {"A.log", "b.log", "c.log", "D.log"}},
      // Equal keys always fall back to ascending names.
      {1, {"D.log", "A.log", "b.log", "c.log"}, {"c.log", "A.log", "b.log", "D.log"}},
      {2, {"A.log", "c.log", "b.log", "D.log"}, {"b.log", "D.log", "c.log", "A.log"}},
      {3, {"D.log", "A.log", "b.log", "c.log"}, {"c.log", "A.log", "b.log", "D.log"}},
      // Counts are the same for every file: the folder's list order, or its reverse.
      {4, {"D.log", "c.log", "A.log", "b.log"}, {"b.log", "A.log", "c.log", "D.log"}},
      {5, {"D.log", "c.log", "A.log", "b.log"}, {"b.log", "A.log", "c.log", "D.log"}},
      {6, {"D.log", "c.log", "A.log", "b.log"}, {"b.log", "A.log", "c.log", "D.log"}},
      {7, {"b.log", "D.log", "c.log", "A.log"}, {"A.log", "c.log", "b.log", "D.log"}},
      {8, {"A.log", "c.log", "b.log", "D.log"}, {"D.log", "b.log", "c.log", "A.log"}},
      {12, {"D.log", "A.log", "b.log", "c.log"}, {"c.log", "A.log", "b.log", "D.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    model.SetSort(c.column);
    if (model.sort_ascending()) model.SetSort(c.column);
    EXPECT_EQ(NamesAtDepth(model, 2), c.descending);
    model.SetSort(c.column);
    EXPECT_EQ(NamesAtDepth(model, 2), c.ascending);
  }
}

TEST(FolderRowModel, SetSortFlipsTheSameColumnAndStartsOthersDescending) {
  FolderRowModel model;
  model.SetSort(kFolderColumnSize);
  EXPECT_TRUE(model.sort_ascending());
  model.SetSort(kFolderColumnSize);
  EXPECT_FALSE(model.sort_ascending());
  model.SetSort(kFolderColumnFiles);
  EXPECT_EQ(model.sort_column(), kFolderColumnFiles);
  EXPECT_FALSE(model.sort_ascending());
  model.SetSort(kFolderColumnFiles);
  EXPECT_TRUE(model.sort_ascending());
  model.SetSort(kFolderColumnName);
  EXPECT_FALSE(model.sort_ascending());

  // The sort state survives a new result; the open sets do not.
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"x");
  b.AddFolder(21, 20, L"y");
  b.Finish();
  model.ResetForResult(&b.result());
  ASSERT_TRUE(model.ToggleFolder(20));
  model.ResetForResult(&b.result());
  EXPECT_EQ(model.sort_column(), kFolderColumnName);
  EXPECT_EQ(model.expanded_folders(), FolderRowModel::IdSet{kRootId});
  EXPECT_EQ(model.RowCount(), 2u);
}

// A hundred folders in a random tree with files here and there, every folder
// and every file group opened: each folder and file appears exactly once, in
// depth-first order, with siblings in size order.
TEST(FolderRowModel, FullyOpenedTreeListsEverythingOnceInOrder) {
  RowsResultBuilder b;
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  std::vector<std::int64_t> ids{kRootId};
  std::int64_t file_id = 10000;
  int files = 0;
  for (std::int64_t id = 100; id < 200; ++id) {
    const std::int64_t parent = ids[next(static_cast<std::uint32_t>(ids.size()))];
    b.AddFolder(id, parent, L"d" + std::to_wstring(next(20)));  // names repeat
    ids.push_back(id);
    for (std::uint32_t k = next(4); k > 0; --k, ++files) {
      b.AddFile(id, file_id++, L"f" + std::to_wstring(next(50)), next(5) * 100);
    }
  }
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  for (std::int64_t id : ids) {
    if (id != kRootId) model.ToggleFolder(static_cast<std::uint64_t>(id));
    model.ToggleFileGroup(static_cast<std::uint64_t>(id));
  }

  int folder_rows = 0, file_rows = 0;
  std::vector<const FolderRow*> ancestors;  // the folder row open at each depth
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const FolderRow& row = *model.RowAt(Index(i));
    ASSERT_LE(static_cast<std::size_t>(row.depth), ancestors.size());
    ancestors.resize(static_cast<std::size_t>(row.depth));
    if (row.is_file) {
      ++file_rows;
      ASSERT_GE(ancestors.size(), 2u);
      EXPECT_EQ(ancestors[ancestors.size() - 2]->id, row.folder_id);
      continue;
    }
    if (row.is_direct_files) {
      ASSERT_FALSE(ancestors.empty());
      EXPECT_EQ(ancestors.back()->id, row.folder_id);
      ancestors.push_back(&row);
      continue;
    }
    ++folder_rows;
    const DirNode& node = b.folder(static_cast<std::int64_t>(row.id));
    if (row.depth > 0) {
      EXPECT_EQ(ancestors.back()->id, static_cast<std::uint64_t>(node.tree_parent_id));
    }
    ancestors.push_back(&row);
  }
  EXPECT_EQ(folder_rows, 101);
  EXPECT_EQ(file_rows, files);

  // Siblings: non-increasing size, ties by ascending name.
  for (std::int64_t id : ids) {
    const DirNode& node = b.folder(id);
    const std::size_t start = *model.FolderRowIndex(static_cast<std::uint64_t>(id));
    const std::int32_t depth = model.RowAt(Index(start))->depth;
    std::vector<std::pair<std::int64_t, std::wstring>> shown;
    for (std::size_t i = start + 1; i < model.RowCount() && model.RowAt(Index(i))->depth > depth; ++i) {
      const FolderRow& row = *model.RowAt(Index(i));
      if (row.depth != depth + 1) continue;
      shown.emplace_back(row.is_direct_files ? node.direct_size
                                             : b.folder(static_cast<std::int64_t>(row.id)).total_size,
                         model.CellText(Index(i), kFolderColumnName));
    }
    for (std::size_t k = 1; k < shown.size(); ++k) {
      EXPECT_TRUE(shown[k - 1].first > shown[k].first ||
                  (shown[k - 1].first == shown[k].first &&
                   CompareTextNoCase(shown[k - 1].second, shown[k].second) <= 0))
          << "under folder " << id << " at " << k;
    }
  }
}

TEST(FolderRowModel, LargeOpenFolderListsEveryFileSorted) {
  RowsResultBuilder b;
  constexpr int kFiles = 200000;
  for (int i = 0; i < kFiles; ++i) {
    b.AddFile(kRootId, 1000 + i, L"f" + std::to_wstring(i % 997), (i * 7919) % 5003);
  }
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));
  ASSERT_EQ(model.RowCount(), static_cast<std::size_t>(kFiles) + 2);
  const std::vector<FileEntry>& files = b.result().files_by_folder.at(kRootId);
  for (std::size_t i = 3; i < model.RowCount(); ++i) {
    const FileEntry& a = files[model.RowAt(Index(i - 1))->file_index];
    const FileEntry& c = files[model.RowAt(Index(i))->file_index];
    ASSERT_TRUE(a.size > c.size || (a.size == c.size && CompareTextNoCase(a.name, c.name) <= 0)) << i;
  }
}

// A chain root -> 100 -> 101 -> ... with `depth` folders; the last holds a file.
void Chain(RowsResultBuilder& b, int depth) {
  std::int64_t parent = kRootId;
  for (int i = 0; i < depth; ++i) {
    b.AddFolder(100 + i, parent, L"n" + std::to_wstring(i));
    parent = 100 + i;
  }
  b.AddFile(parent, 1, L"leaf.txt", 1);
  b.Finish();
}

TEST(FolderRowReveal, OpensExactlyThePathFiveLevelsDown) {
  RowsResultBuilder b;
  Chain(b, 5);
  b.AddFolder(50, kRootId, L"side");
  b.AddFolder(51, 50, L"under side");
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(104);
  EXPECT_EQ(model.expanded_folders(), (FolderRowModel::IdSet{5, 100, 101, 102, 103, 104}));
  ASSERT_TRUE(model.FolderRowIndex(104).has_value());
  EXPECT_EQ(model.RowAt(Index(*model.FolderRowIndex(104)))->depth, 5);
  EXPECT_TRUE(model.DirectFilesRowIndex(104).has_value());

  // A leaf is shown but not opened; an unknown id opens nothing.
  FolderRowModel other;
  other.ResetForResult(&b.result());
  other.RevealFolder(51);
  EXPECT_EQ(other.expanded_folders(), (FolderRowModel::IdSet{5, 50}));
  EXPECT_TRUE(other.FolderRowIndex(51).has_value());
  other.RevealFolder(777);
  EXPECT_EQ(other.expanded_folders(), (FolderRowModel::IdSet{5, 50}));
}

TEST(FolderRowReveal, WalksAtMost512FoldersUp) {
  RowsResultBuilder b;
  Chain(b, 600);  // folder 100 + k is k + 1 levels deep
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(699);
  // The 512 nearest: 699 down to 188. The rest of the path stays shut.
  EXPECT_EQ(model.expanded_folders().size(), 1u + 512u);
  EXPECT_TRUE(model.expanded_folders().count(188));
  EXPECT_FALSE(model.expanded_folders().count(187));
  EXPECT_FALSE(model.FolderRowIndex(699).has_value());
  EXPECT_EQ(model.RowCount(), 2u);

  // 511 folders deep plus the root is 512 records: the root is opened again.
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  model.RevealFolder(610);  // 511 levels deep
  EXPECT_TRUE(model.expanded_folders().count(kRootId));
  model.ResetForResult(&b.result());
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  model.RevealFolder(611);  // 512 levels deep: the root is the 513th
  EXPECT_FALSE(model.expanded_folders().count(kRootId));
  EXPECT_EQ(model.RowCount(), 1u);
}

TEST(FolderRowReveal, DeepOpenChainAndLoopingParentsDoNotBreakRebuild) {
  RowsResultBuilder b;
  Chain(b, 3000);
  FolderRowModel model;
  model.ResetForResult(&b.result());
  for (int depth = 500; depth < 3000; depth += 500) model.RevealFolder(100 + depth - 1);
  model.RevealFolder(100 + 2999);
  ASSERT_TRUE(model.FolderRowIndex(3099).has_value());
  EXPECT_EQ(model.RowAt(Index(*model.FolderRowIndex(3099)))->depth, 3000);
  EXPECT_EQ(model.RowCount(), 3002u);  // root, 3000 folders, the leaf's "[直接文件]"

  // Tree parents that loop without reaching the root; a child list that
  // names an ancestor again.
  b.AddFolder(9000, kRootId, L"loop a").tree_parent_id = 9001;
  b.AddFolder(9001, 9000, L"loop b").tree_parent_id = 9000;
  b.folder(9001).children.push_back(9000);
  b.folder(9001).children.push_back(kRootId);
  model.RevealFolder(9001);
  EXPECT_TRUE(model.expanded_folders().count(9000));
  EXPECT_TRUE(model.expanded_folders().count(9001));
  EXPECT_EQ(model.RowCount(), 3002u + 2u);  // each folder once
  const std::wstring path = model.RowPath(Index(*model.FolderRowIndex(9001)));
  EXPECT_EQ(path.rfind(L"C:\\loop", 0), 0u);
}

TEST(FolderRowModel, ParentPercentIsTheShareOfTheParentsAllocatedBytes) {
  RowsResultBuilder b;
  b.AddFolder(20, kRootId, L"half");
  b.AddFolder(21, kRootId, L"nothing");
  b.AddFolder(22, 21, L"under nothing");
  b.AddFile(20, 100, L"a", 10, 4096);
  b.AddFile(kRootId, 101, L"b", 10, 3072);
  b.AddFile(kRootId, 102, L"c", 10, 1024);
  b.AddFile(22, 103, L"d", 0, 0);
  b.Finish();  // root allocated 8192
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(22);
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));

  EXPECT_DOUBLE_EQ(model.ParentPercent(0), 100.0);  // the root's tree parent is itself
  EXPECT_DOUBLE_EQ(model.ParentPercent(Index(*model.FolderRowIndex(20))), 50.0);
  EXPECT_DOUBLE_EQ(model.ParentPercent(Index(*model.DirectFilesRowIndex(kRootId))), 50.0);
  const std::size_t direct = *model.DirectFilesRowIndex(kRootId);
  EXPECT_DOUBLE_EQ(model.ParentPercent(Index(direct + 1)), 37.5);
  EXPECT_EQ(model.CellText(Index(direct + 1), kFolderColumnParentPercent), L"37.5%");
  EXPECT_EQ(model.ParentPercent(Index(*model.FolderRowIndex(22))), 0.0);  // parent allocated 0
  EXPECT_EQ(model.ParentPercent(Index(*model.DirectFilesRowIndex(22))), 0.0);
  EXPECT_EQ(model.ParentPercent(Index(model.RowCount())), 0.0);

  // Not clamped here; a root hung under a missing parent is whole.
  b.folder(20).total_alloc = 12288;
  EXPECT_DOUBLE_EQ(model.ParentPercent(Index(*model.FolderRowIndex(20))), 150.0);
  b.folder(kRootId).tree_parent_id = 0;
  EXPECT_DOUBLE_EQ(model.ParentPercent(0), 100.0);
  b.folder(kRootId).total_alloc = 0;
  EXPECT_EQ(model.ParentPercent(Index(*model.FolderRowIndex(20))), 0.0);
}

TEST(FolderRowModel, RowPathJoinsTreeNamesUnderTheDrive) {
  RowsResultBuilder b(L"D");
  b.AddFolder(20, kRootId, L"Windows");
  b.AddFolder(21, 20, L"System32");
  b.AddFile(21, 100, L"cmd.exe", 10);
  b.AddFile(kRootId, 101, L"pagefile.sys", 10);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(21);
  model.ToggleFileGroup(21);
  model.ToggleFileGroup(kRootId);

  EXPECT_EQ(model.RowPath(0), L"D:\\");
  EXPECT_EQ(model.RowPath(Index(*model.FolderRowIndex(21))), L"D:\\Windows\\System32");
  EXPECT_EQ(model.RowPath(Index(*model.DirectFilesRowIndex(21))), L"D:\\Windows\\System32");
  EXPECT_EQ(model.RowPath(Index(*model.DirectFilesRowIndex(21) + 1)), L"D:\\Windows\\System32\\cmd.exe");
  const std::size_t root_file = *model.DirectFilesRowIndex(kRootId) + 1;
  EXPECT_EQ(model.RowPath(Index(root_file)), L"D:\\pagefile.sys");  // folder_path is D:\ .
  b.result().files_by_folder.at(kRootId)[0].folder_path.clear();
  EXPECT_EQ(model.RowPath(Index(root_file)), L"pagefile.sys");
  EXPECT_EQ(model.RowPath(-3), L"");

  // The path follows the tree parent, not the recorded parent, and stops at
  // a folder that is gone.
  b.folder(21).parent_id = 999;
  EXPECT_EQ(model.RowPath(Index(*model.FolderRowIndex(21))), L"D:\\Windows\\System32");
  b.folder(20).tree_parent_id = 999;
  EXPECT_EQ(model.RowPath(Index(*model.FolderRowIndex(21))), L"D:\\Windows\\System32");
  b.result().folders.erase(20);
  EXPECT_EQ(model.RowPath(Index(*model.FolderRowIndex(21))), L"D:\\System32");
}

TEST(FolderRowModel, RowPathStopsAfter512Names) {
  RowsResultBuilder b;
  Chain(b, 600);
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(610);
  model.RevealFolder(699);
  const std::wstring path = model.RowPath(Index(*model.FolderRowIndex(699)));
  EXPECT_EQ(path.rfind(L"C:\\n88\\n89\\", 0), 0u);
  EXPECT_EQ(path.substr(path.size() - 5), L"\\n599");
}

TEST(FolderRowModel, CellTextOfEveryKindOfRow) {
  RowsResultBuilder b;
  DirNode& docs = b.AddFolder(20, kRootId, L"Docs");
  docs.mtime = 133000000000000000;
  docs.attributes = 0x10 | 0x1 | 0x2;  // directory bit is not printed
  b.AddFolder(21, 20, L"Old");
  constexpr std::int64_t kFileTime = 132000000000000000;
  FileEntry& f = b.AddFile(20, 100, L"report.pdf", 1536, 4096);
  f.mtime = kFileTime;
  f.attributes = 0x20;
  b.AddFile(20, 101, L"empty", 0);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(20);
  model.ToggleFileGroup(20);
  const std::int64_t folder = Index(*model.FolderRowIndex(20));
  const std::int64_t direct = Index(*model.DirectFilesRowIndex(20));
  const std::int64_t file = direct + 1;
  ASSERT_EQ(model.FileOfRow(file)->name, L"report.pdf");

  const std::vector<std::wstring> folder_cells{
      L"Docs", L"100.0%", L"1.50 KB", L"4.00 KB", L"3", L"2", L"1",
      FormatFileTime(docs.mtime), L"RH"};
  const std::vector<std::wstring> direct_cells{L"[直接文件]", L"100.0%", L"1.50 KB", L"4.00 KB",
                                               L"2", L"2", L"0", L"", L""};
  const std::vector<std::wstring> file_cells{
      L"report.pdf", L"100.0%", L"1.50 KB", L"4.00 KB", L"1", L"1", L"0",
      FormatFileTime(kFileTime), L"A"};
  for (std::int32_t c = 0; c < kFolderColumnCount; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(model.CellText(folder, c), folder_cells[static_cast<std::size_t>(c)]);
    EXPECT_EQ(model.CellText(direct, c), direct_cells[static_cast<std::size_t>(c)]);
    EXPECT_EQ(model.CellText(file, c), file_cells[static_cast<std::size_t>(c)]);
  }
  EXPECT_NE(model.CellText(folder, kFolderColumnModified), L"");
  EXPECT_EQ(model.CellText(folder, 9), L"");
  EXPECT_EQ(model.CellText(folder, -1), L"");
  EXPECT_EQ(model.CellText(Index(model.RowCount()), 0), L"");

  // Counts of a folder whose sum exceeds 32 bits are held, not wrapped.
  b.folder(20).total_file_count = 2147483647;
  EXPECT_EQ(model.CellText(folder, kFolderColumnItems), L"2147483647");

  // A file row whose file has gone answers nothing.
  b.result().files_by_folder.at(20).pop_back();
  b.result().files_by_folder.at(20).pop_back();
  EXPECT_EQ(model.FileOfRow(file), nullptr);
  for (std::int32_t c = 0; c < kFolderColumnCount; ++c) EXPECT_EQ(model.CellText(file, c), L"");
  EXPECT_EQ(model.ParentPercent(file), 0.0);
  EXPECT_EQ(model.RowPath(file), L"");
  EXPECT_EQ(model.FileOfRow(folder), nullptr);
}

}  // namespace
}  // namespace tw
