#include "views/folder_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "format/format.h"
#include "format/utf.h"
#include "support/scan_result_builder.h"
#include "views/text_compare.h"

namespace tw {
namespace {

using test::ScanResultBuilder;
using Names = std::vector<std::string>;
using Ids = FolderRowModel::IdSet;
const std::string kDirect = "[直接文件]";

std::int64_t At(std::size_t i) { return static_cast<std::int64_t>(i); }

// The names of the rows at one depth, top to bottom.
Names NamesAtDepth(const FolderRowModel& m, std::int32_t depth) {
  Names names;
  for (std::size_t i = 0; i < m.RowCount(); ++i) {
    if (m.rows()[i].depth == depth) names.push_back(Utf16ToUtf8(m.CellText(At(i), 0)));
  }
  return names;
}

std::int64_t FolderAt(const FolderRowModel& m, RecordId id) { return At(m.FolderRowIndex(id).value()); }
std::int64_t GroupAt(const FolderRowModel& m, RecordId id) { return At(m.DirectFilesRowIndex(id).value()); }

// A chain root -> 100 -> 101 -> ... of `depth` folders; the last holds a file.
void AddChain(ScanResultBuilder& b, int depth) {
  for (int i = 0; i < depth; ++i) b.AddFolder(100 + i, i == 0 ? kRootId : 99 + i, L"n" + std::to_wstring(i));
  b.AddFile(99 + depth, 1, L"leaf.txt", 1);
}

void Chain(ScanResultBuilder& b, int depth) {
  AddChain(b, depth);
  b.Finish();
}

// Gives a folder of a finished result the child list `children`, as is.
void SetChildren(ScanResult& r, std::int64_t id, const std::vector<std::int64_t>& children) {
  const DirNode* found = r.FindFolder(id);
  ASSERT_NE(found, nullptr);
  DirNode& folder = r.folders[static_cast<std::size_t>(found - r.folders.data())];
  folder.first_child = static_cast<std::uint32_t>(r.child_ids.size());
  folder.child_count = static_cast<std::uint32_t>(children.size());
  r.child_ids.insert(r.child_ids.end(), children.begin(), children.end());
}

TEST(FolderRowModel, WithoutResultOrRootHasNoRowsAndAnswersEmpty) {
  FolderRowModel model;
  EXPECT_FALSE(model.ToggleFolder(kRootId));
  model.RevealFolder(kRootId);
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_EQ(model.CellText(0, 0), L"");
  EXPECT_EQ(model.ParentPercent(0), 0.0);
  EXPECT_EQ(model.RowPath(0), L"");
  EXPECT_EQ(model.FileOfRow(0), nullptr);
  ScanResult no_root;
  ScanResultPacker packer(no_root);
  DirNode orphan;
  orphan.id = 40;
  packer.AddFolder(orphan, L"orphan");
  packer.Finish();
  ASSERT_NE(no_root.FindFolder(40), nullptr);
  model.ResetForResult(&no_root);
  EXPECT_EQ(model.RowCount(), 0u);
  EXPECT_TRUE(model.expanded_folders().empty());
}

TEST(FolderRowModel, NewResultShowsRootChildrenAndDirectFilesBySize) {
  ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"Small");
  b.AddFolder(21, kRootId, L"Large");
  b.AddFile(20, 100, L"s.bin", 100);
  b.AddFile(21, 101, L"l.bin", 300);
  b.AddFile(kRootId, 102, L"one.bin", 150, 4096);
  b.AddFile(kRootId, 103, L"two.bin", 50, 4096);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_EQ(NamesAtDepth(model, 1), (Names{"Large", kDirect, "Small"}));
  EXPECT_EQ(model.expanded_folders(), Ids{kRootId});
  EXPECT_TRUE(model.rows()[0].expandable);
  const FolderRow& group = model.rows()[2];
  EXPECT_EQ(group.id, kDirectFilesEntry);
  EXPECT_EQ(group.folder_id, 5u);
  EXPECT_TRUE(group.is_direct_files && group.expandable && !group.is_file);
  EXPECT_EQ(group.size, 200);
  EXPECT_EQ(group.alloc, 8192);
  EXPECT_EQ(group.file_count, 2);

  ASSERT_TRUE(model.ToggleFileGroup(kRootId));
  EXPECT_EQ(NamesAtDepth(model, 2), (Names{"one.bin", "two.bin"}));
  EXPECT_TRUE(model.IsRowOpen(model.rows()[2]));
  const FolderRow& file = model.rows()[4];
  EXPECT_TRUE(file.is_file && !file.expandable);
  EXPECT_EQ(file.id, 103u);
  EXPECT_EQ(file.file_index, 1u);
  EXPECT_EQ(b.result().NameText(*model.FileOfRow(4)), L"two.bin");
  // Closing the root hides everything; the group stays remembered.
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  EXPECT_EQ(model.RowCount(), 1u);
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  EXPECT_EQ(model.RowCount(), 6u);
}

TEST(FolderRowModel, DirectFilesRowShowsBySizeOrCountButOpensOnlyByCount) {
  ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"sized");
  b.AddFolder(21, 20, L"child");
  b.AddFolder(22, kRootId, L"counted");
  b.AddFile(22, 100, L"zero.txt", 0);
  b.AddFolder(23, kRootId, L"nothing");
  b.Finish();
  b.folder(20).direct_size = b.folder(20).total_size = 700;  // bytes, but no counted file
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(20);
  model.RevealFolder(22);
  EXPECT_FALSE(model.RowAt(GroupAt(model, 20))->expandable);
  EXPECT_EQ(model.RowAt(GroupAt(model, 20))->size, 700);
  EXPECT_TRUE(model.RowAt(GroupAt(model, 22))->expandable);
  EXPECT_FALSE(model.ToggleFileGroup(20));
  EXPECT_TRUE(model.expanded_file_groups().empty());

  // A folder with neither can't be opened, and the rows are not rebuilt (a
  // rebuild would now move "nothing" to the top).
  EXPECT_FALSE(model.RowAt(FolderAt(model, 23))->expandable);
  const Names before = NamesAtDepth(model, 1);
  ASSERT_EQ(before.front(), "sized");
  b.folder(23).total_size = 1 << 20;
  EXPECT_FALSE(model.ToggleFolder(23));
  EXPECT_FALSE(model.ToggleFolder(999));
  EXPECT_EQ(NamesAtDepth(model, 1), before);
  EXPECT_EQ(model.expanded_folders(), (Ids{5, 20, 22}));
}

TEST(FolderRowOrder, EqualSizesComeInNameOrderInBothDirections) {
  ScanResultBuilder b;
  const wchar_t* names[] = {L"charlie", L"Bravo", L"alpha"};
  for (std::int64_t i = 0; i < 3; ++i) b.AddFile(b.AddFolder(20 + i, kRootId, names[i]).id, 100 + i, L"f", 64);
  b.AddFile(b.AddFolder(23, kRootId, L"delta").id, 200, L"big", 999);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  EXPECT_EQ(NamesAtDepth(model, 1), (Names{"delta", "alpha", "Bravo", "charlie"}));
  model.SetSort(kFolderColumnSize);
  EXPECT_EQ(NamesAtDepth(model, 1), (Names{"alpha", "Bravo", "charlie", "delta"}));
}

TEST(FolderRowOrder, FoldersNamedLikeThePseudoRowComeFirstUnderNameColumn) {
  // Enough equal names that the sort partitions rather than inserting.
  ScanResultBuilder b;
  b.AddFolder(19, kRootId, L"zeta");
  for (std::int64_t id = 20; id < 60; ++id) b.AddFolder(id, kRootId, L"[直接文件]");
  b.AddFile(kRootId, 100, L"f", 10);
  b.Finish();
  FolderRowModel model;
  model.SetSort(kFolderColumnName);  // descending
  model.ResetForResult(&b.result());
  EXPECT_EQ(model.CellText(1, 0), L"zeta");
  EXPECT_EQ(model.DirectFilesRowIndex(kRootId), 42u);
  model.SetSort(kFolderColumnName);  // ascending
  EXPECT_EQ(model.DirectFilesRowIndex(kRootId), 41u);
  EXPECT_EQ(model.CellText(42, 0), L"zeta");
}

struct SortCase {
  std::int32_t column;
  Names descending;
  Names ascending;
};

// Sorts by each case's column, descending then ascending, and compares the
// names at `depth`.
void ExpectOrders(FolderRowModel& model, std::int32_t depth, const std::vector<SortCase>& cases) {
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.column);
    model.SetSort(c.column);
    if (model.sort_ascending()) model.SetSort(c.column);
    EXPECT_EQ(NamesAtDepth(model, depth), c.descending);
    model.SetSort(c.column);
    EXPECT_EQ(NamesAtDepth(model, depth), c.ascending);
  }
}

TEST(FolderRowOrder, EveryColumnOrdersChildrenAndDirectFilesBothWays) {
  ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"alpha");
  b.AddFolder(21, kRootId, L"Beta");
  b.AddFolder(22, kRootId, L"gamma");
  b.Finish();
  auto child = [&](std::int64_t id, std::int64_t size, std::int64_t alloc, std::int32_t files, std::int32_t folders,
                   std::int64_t mtime, std::uint32_t attrs) {
    DirNode& d = b.folder(id);
    d.total_size = size, d.total_alloc = alloc, d.mtime = mtime, d.attributes = attrs;
    d.total_file_count = files, d.total_folder_count = folders;
  };
  child(20, 300, 100, 1, 5, 30, 0x1);   // alpha, R
  child(21, 200, 300, 6, 0, 10, 0x20);  // Beta, A
  child(22, 100, 200, 3, 1, 20, 0x2);   // gamma, H
  DirNode& root = b.folder(kRootId);
  root.direct_size = 150, root.direct_alloc = 50, root.direct_file_count = 2;
  FolderRowModel model;
  model.ResetForResult(&b.result());
  const std::string d = kDirect;
  ExpectOrders(model, 1,
               {// Names fold case: "Beta" sorts as "beta", after "[".
                {0, {"gamma", "Beta", "alpha", d}, {d, "alpha", "Beta", "gamma"}},
                {1, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}},
                {2, {"alpha", "Beta", d, "gamma"}, {"gamma", d, "Beta", "alpha"}},
                {3, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}},
                // alpha and Beta tie at 6 items: name order both ways.
                {4, {"alpha", "Beta", "gamma", d}, {d, "gamma", "alpha", "Beta"}},
                {5, {"Beta", "gamma", d, "alpha"}, {"alpha", d, "gamma", "Beta"}},
                // The pseudo row counts no folders and ties with Beta.
                {6, {"alpha", "gamma", d, "Beta"}, {d, "Beta", "gamma", "alpha"}},
                {7, {"alpha", "gamma", "Beta", d}, {d, "Beta", "gamma", "alpha"}},
                {8, {"alpha", "gamma", "Beta", d}, {d, "Beta", "gamma", "alpha"}},
                {9, {"Beta", "gamma", "alpha", d}, {d, "alpha", "gamma", "Beta"}}});
}

TEST(FolderRowOrder, EveryColumnOrdersFilesBothWays) {
  ScanResultBuilder b;
  auto file = [&](std::int64_t id, const wchar_t* name, std::int64_t size, std::int64_t alloc, std::int64_t mtime,
                  std::uint32_t attrs) {
    FileEntry& f = b.AddFile(kRootId, id, name, size, alloc);
    f.mtime = mtime, f.attributes = attrs;
  };
  file(100, L"b.log", 10, 4096, 3, 0x20);  // A
  file(101, L"A.log", 30, 4096, 1, 0x1);   // R
  file(102, L"c.log", 20, 0, 2, 0x22);     // HA
  file(103, L"D.log", 10, 8192, 3, 0x0);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));
  const Names by_alloc{"D.log", "A.log", "b.log", "c.log"}, by_alloc_up{"c.log", "A.log", "b.log", "D.log"};
  const Names listed{"b.log", "A.log", "c.log", "D.log"}, reversed{"D.log", "c.log", "A.log", "b.log"};
  ExpectOrders(model, 2,
               {{0, {"D.log", "c.log", "b.log", "A.log"}, {"A.log", "b.log", "c.log", "D.log"}},
                {1, by_alloc, by_alloc_up},  // equal keys: ascending names both ways
                {2, {"A.log", "c.log", "b.log", "D.log"}, {"b.log", "D.log", "c.log", "A.log"}},
                {3, by_alloc, by_alloc_up},
                // Every file counts the same: the list order or its reverse.
                {4, reversed, listed},
                {5, reversed, listed},
                {6, reversed, listed},
                {7, {"b.log", "D.log", "c.log", "A.log"}, {"A.log", "c.log", "b.log", "D.log"}},
                {8, {"A.log", "c.log", "b.log", "D.log"}, {"D.log", "b.log", "c.log", "A.log"}},
                {12, by_alloc, by_alloc_up}});
}

TEST(FolderRowModel, SetSortFlipsTheSameColumnAndStartsOthersDescending) {
  FolderRowModel model;
  EXPECT_EQ(model.sort_column(), kFolderColumnSize);
  EXPECT_FALSE(model.sort_ascending());
  model.SetSort(kFolderColumnSize);
  EXPECT_TRUE(model.sort_ascending());
  model.SetSort(kFolderColumnSize);
  EXPECT_FALSE(model.sort_ascending());
  model.SetSort(kFolderColumnFiles);
  model.SetSort(kFolderColumnFiles);
  model.SetSort(kFolderColumnName);
  EXPECT_FALSE(model.sort_ascending());
  ScanResultBuilder b;
  model.ResetForResult(&b.Finish());  // the sort state survives a new result
  EXPECT_EQ(model.sort_column(), kFolderColumnName);
}

// A hundred records, folders and files in a random tree; everything opened:
// each folder and file appears once, under its own parent, with its path,
// and siblings come by size, ties by name.
TEST(FolderRowModel, HundredRecordResultFullyOpenedListsEverythingOnceInOrder) {
  ScanResultBuilder builder;
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) { return ((seed = seed * 1103515245u + 12345u) >> 16) % n; };
  std::vector<std::int64_t> folders{kRootId};
  for (std::int64_t id = 100; id < 200; ++id) {
    const std::int64_t parent = folders[next(static_cast<std::uint32_t>(folders.size()))];
    const std::wstring name = (id % 2 ? L"f" : L"d") + std::to_wstring(next(20));  // names repeat
    if (id % 2 == 0) {
      builder.AddFolder(id, parent, name);
      folders.push_back(id);
      continue;
    }
    builder.AddFile(parent, id, name, next(5) * 100);
  }
  const ScanResult& result = builder.Finish();
  FolderRowModel model;
  model.ResetForResult(&result);
  for (std::int64_t id : folders) {
    if (id != kRootId) model.ToggleFolder(id);
    model.ToggleFileGroup(id);
  }
  int folder_rows = 0, file_rows = 0;
  std::vector<const FolderRow*> open;                            // the row open at each depth above
  std::vector<std::pair<std::int64_t, std::wstring>> last(128);  // previous sibling per depth
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const FolderRow& row = model.rows()[i];
    const auto depth = static_cast<std::size_t>(row.depth);
    ASSERT_LE(depth, open.size());
    open.resize(depth);
    if (row.is_file) {
      ++file_rows;
      EXPECT_EQ(open.at(depth - 2)->id, row.folder_id);
      std::wstring folder_path = model.RowPath(At(*model.FolderRowIndex(row.folder_id)));
      if (folder_path.back() != L'\\') folder_path += L'\\';
      EXPECT_EQ(model.RowPath(At(i)), folder_path + result.NameText(*model.FileOfRow(row)));
      continue;
    }
    const DirNode* node = row.is_direct_files ? nullptr : result.FindFolder(static_cast<std::int64_t>(row.id));
    ASSERT_TRUE(row.is_direct_files || node != nullptr) << i;
    if (depth > 0) {
      EXPECT_EQ(open.back()->id, node ? node->tree_parent_id : row.folder_id);
    }
    if (node) {
      EXPECT_EQ(model.RowPath(At(i)), BuildFolderPath(result, node->id, L"C"));
    }
    const std::pair<std::int64_t, std::wstring> key{node ? node->total_size : row.size, model.CellText(At(i), 0)};
    if (i > 0 && model.rows()[i - 1].depth >= row.depth && row.depth > 0) {
      EXPECT_TRUE(last[depth].first > key.first ||
                  (last[depth].first == key.first && CompareTextNoCase(last[depth].second, key.second) <= 0));
    }
    last[depth] = key;
    folder_rows += node ? 1 : 0;
    open.push_back(&row);
  }
  EXPECT_EQ(folder_rows, 51);
  EXPECT_EQ(file_rows, 50);
}

TEST(FolderRowModel, LargeOpenFolderListsEveryFileSorted) {
  ScanResultBuilder b;
  constexpr int kFiles = 200000;
  for (int i = 0; i < kFiles; ++i) b.AddFile(kRootId, i, L"f" + std::to_wstring(i % 997), (i * 7919) % 5003);
  const ScanResult& r = b.Finish();
  FolderRowModel model;
  model.ResetForResult(&r);
  ASSERT_TRUE(model.ToggleFileGroup(kRootId));
  ASSERT_EQ(model.RowCount(), kFiles + 2u);
  for (std::size_t i = 3; i < model.RowCount(); ++i) {
    const FileItem& a = *model.FileOfRow(At(i - 1));
    const FileItem& c = *model.FileOfRow(At(i));
    ASSERT_TRUE(a.size > c.size || (a.size == c.size && CompareTextNoCase(r.Name(a), r.Name(c)) <= 0)) << i;
  }
}

TEST(FolderRowReveal, OpensExactlyThePathFiveLevelsDown) {
  ScanResultBuilder b;
  b.AddFolder(50, kRootId, L"side");
  b.AddFolder(51, 50, L"leaf");
  Chain(b, 5);
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(104);
  EXPECT_EQ(model.expanded_folders(), (Ids{5, 100, 101, 102, 103, 104}));
  EXPECT_EQ(model.RowAt(FolderAt(model, 104))->depth, 5);
  model.RevealFolder(51);  // a leaf is shown, not opened
  model.RevealFolder(777);
  EXPECT_EQ(model.expanded_folders(), (Ids{5, 50, 100, 101, 102, 103, 104}));
  EXPECT_TRUE(model.FolderRowIndex(51).has_value());
}

TEST(FolderRowReveal, WalksAtMost512FoldersUp) {
  ScanResultBuilder b;
  Chain(b, 600);  // folder 100 + k is k + 1 levels deep
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(699);  // records 699 down to 188
  EXPECT_EQ(model.expanded_folders().size(), 513u);
  EXPECT_TRUE(model.expanded_folders().count(188));
  EXPECT_FALSE(model.expanded_folders().count(187));
  EXPECT_EQ(model.RowCount(), 2u);
  ASSERT_TRUE(model.ToggleFolder(kRootId));
  model.RevealFolder(611);  // 512 levels deep: the root would be the 513th
  EXPECT_FALSE(model.expanded_folders().count(kRootId));
  model.RevealFolder(610);  // 511 deep: the root is the 512th
  EXPECT_TRUE(model.expanded_folders().count(kRootId));
  // The whole chain is open now; its deepest path keeps 512 names.
  const std::wstring path = model.RowPath(FolderAt(model, 699));
  EXPECT_EQ(path.rfind(L"C:\\n88\\n89\\", 0), 0u);
  EXPECT_EQ(path.substr(path.size() - 5), L"\\n599");
}

TEST(FolderRowReveal, DeepOpenChainAndLoopingParentsDoNotBreakRebuild) {
  ScanResultBuilder b;
  Chain(b, 3000);
  FolderRowModel model;
  model.ResetForResult(&b.result());
  for (int depth = 500; depth <= 3000; depth += 500) model.RevealFolder(99 + depth);
  EXPECT_EQ(model.RowAt(FolderAt(model, 3099))->depth, 3000);
  EXPECT_EQ(model.RowCount(), 3002u);  // root, 3000 folders, the leaf's "[直接文件]"
  // The same chain, with tree parents that loop away from the root and a
  // child list naming ancestors.
  ScanResultBuilder looped;
  AddChain(looped, 3000);
  looped.AddFolder(9000, kRootId, L"loop a");
  looped.AddFolder(9001, 9000, L"loop b");
  looped.Finish();
  looped.folder(9000).tree_parent_id = 9001;
  SetChildren(looped.result(), 9001, {9000, kRootId});
  model.ResetForResult(&looped.result());
  for (int depth = 500; depth <= 3000; depth += 500) model.RevealFolder(99 + depth);
  EXPECT_EQ(model.RowCount(), 3003u);  // and "loop a", shut
  model.RevealFolder(9001);
  EXPECT_TRUE(model.expanded_folders().count(9000) && model.expanded_folders().count(9001));
  EXPECT_EQ(model.RowCount(), 3004u);  // each folder once
  EXPECT_EQ(model.RowPath(FolderAt(model, 9001)).rfind(L"C:\\loop a\\loop b\\loop a", 0), 0u);
}

TEST(FolderRowModel, ParentPercentIsTheShareOfTheParentsAllocatedBytes) {
  ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"half");
  b.AddFolder(21, kRootId, L"nothing");
  b.AddFolder(22, 21, L"under nothing");
  b.AddFile(20, 100, L"a", 10, 4096);
  b.AddFile(kRootId, 101, L"b", 10, 3072);
  b.AddFile(kRootId, 102, L"c", 10, 1024);
  b.AddFile(22, 103, L"d", 0, 0);
  b.Finish();  // the root allocates 8192
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(22);
  model.ToggleFileGroup(kRootId);
  EXPECT_DOUBLE_EQ(model.ParentPercent(0), 100.0);  // the root's tree parent is itself
  EXPECT_DOUBLE_EQ(model.ParentPercent(FolderAt(model, 20)), 50.0);
  EXPECT_DOUBLE_EQ(model.ParentPercent(GroupAt(model, kRootId)), 50.0);
  EXPECT_DOUBLE_EQ(model.ParentPercent(GroupAt(model, kRootId) + 1), 37.5);  // file b
  EXPECT_EQ(model.ParentPercent(FolderAt(model, 22)), 0.0);                  // the parent allocates 0
  EXPECT_EQ(model.ParentPercent(GroupAt(model, 22)), 0.0);
  b.folder(20).total_alloc = 12288;  // not clamped
  EXPECT_DOUBLE_EQ(model.ParentPercent(FolderAt(model, 20)), 150.0);
  b.folder(kRootId).tree_parent_id = 0;  // a missing parent: the whole
  EXPECT_DOUBLE_EQ(model.ParentPercent(0), 100.0);
}

TEST(FolderRowModel, RowPathJoinsTreeNamesUnderTheDrive) {
  ScanResultBuilder b(L"D");
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
  EXPECT_EQ(model.RowPath(FolderAt(model, 21)), L"D:\\Windows\\System32");
  EXPECT_EQ(model.RowPath(GroupAt(model, 21)), L"D:\\Windows\\System32");
  EXPECT_EQ(model.RowPath(GroupAt(model, 21) + 1), L"D:\\Windows\\System32\\cmd.exe");
  EXPECT_EQ(model.RowPath(GroupAt(model, kRootId) + 1), L"D:\\pagefile.sys");  // in the root, D:\ .
  EXPECT_EQ(model.RowPath(-3), L"");
  // The tree parent counts, not the recorded parent; a missing folder ends the walk.
  b.folder(21).parent_id = 999;
  b.result().folder_index[20] = ScanResult::kNoFolder;  // folder 20 gone
  EXPECT_EQ(model.RowPath(FolderAt(model, 21)), L"D:\\System32");
}

TEST(FolderRowModel, CellTextOfEveryKindOfRow) {
  constexpr std::int64_t kFolderTime = 133000000000000000, kFileTime = 132000000000000000;
  ScanResultBuilder b;
  DirNode& docs = b.AddFolder(20, kRootId, L"Docs");
  docs.mtime = kFolderTime;
  docs.attributes = 0x10 | 0x1 | 0x2;  // the directory bit has no letter
  b.AddFolder(21, 20, L"Old");
  FileEntry& f = b.AddFile(20, 100, L"report.pdf", 1536, 4096);
  f.mtime = kFileTime, f.attributes = 0x20;
  b.AddFile(20, 101, L"empty", 0);
  b.Finish();
  FolderRowModel model;
  model.ResetForResult(&b.result());
  model.RevealFolder(20);
  model.ToggleFileGroup(20);
  const std::int64_t folder = FolderAt(model, 20), group = GroupAt(model, 20), file = group + 1;
  const std::vector<std::vector<std::wstring>> expected{
      {L"Docs", L"100.0%", L"1.50 KB", L"4.00 KB", L"3", L"2", L"1", FormatFileTime(kFolderTime), L"RH"},
      {L"[直接文件]", L"100.0%", L"1.50 KB", L"4.00 KB", L"2", L"2", L"0", L"", L""},
      {L"report.pdf", L"100.0%", L"1.50 KB", L"4.00 KB", L"1", L"1", L"0", FormatFileTime(kFileTime), L"A"}};
  for (std::int32_t c = 0; c < kFolderColumnCount; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(model.CellText(folder, c), expected[0][static_cast<std::size_t>(c)]);
    EXPECT_EQ(model.CellText(group, c), expected[1][static_cast<std::size_t>(c)]);
    EXPECT_EQ(model.CellText(file, c), expected[2][static_cast<std::size_t>(c)]);
  }
  EXPECT_NE(model.CellText(folder, kFolderColumnModified), L"");
  EXPECT_EQ(model.CellText(folder, 9), L"");
  EXPECT_EQ(model.CellText(At(model.RowCount()), 0), L"");
  b.folder(20).total_file_count = 2147483647;  // the item sum is held, not wrapped
  EXPECT_EQ(model.CellText(folder, kFolderColumnItems), L"2147483647");
  // A file row whose file has gone answers nothing.
  b.folder(20).file_count = 0;
  EXPECT_EQ(model.FileOfRow(file), nullptr);
  for (std::int32_t c = 0; c < kFolderColumnCount; ++c) EXPECT_EQ(model.CellText(file, c), L"");
  EXPECT_EQ(model.ParentPercent(file), 0.0);
  EXPECT_EQ(model.RowPath(file), L"");
}

}  // namespace
}  // namespace tw
