#include "engine/tree_builder.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/extension.h"
#include "support/result_invariants.h"

namespace tw {
namespace {

// Parsed entries, in the order a pass would meet them.
class SliceBuilder {
 public:
  SliceBuilder& Folder(std::int64_t id, std::int64_t parent, std::wstring name, std::int64_t mtime = 0,
                       std::uint32_t attributes = 0) {
    slice.entries.Add(MftEntry{id, parent, std::move(name), true, 0, 0, mtime, attributes});
    return *this;
  }

  SliceBuilder& File(std::int64_t id, std::int64_t parent, std::wstring name, std::int64_t size, std::int64_t alloc,
                     std::int64_t mtime = 0, std::uint32_t attributes = 0) {
    slice.entries.Add(MftEntry{id, parent, std::move(name), false, size, alloc, mtime, attributes});
    return *this;
  }

  ScanResult Build(const std::wstring& drive = L"C") { return BuildScanResult(std::move(slice), drive); }

  ScanSlice slice;
};

const DirNode& Node(const ScanResult& result, std::int64_t id) {
  const DirNode* node = result.FindFolder(id);
  if (node == nullptr) ADD_FAILURE() << "no folder " << id;
  static const DirNode kMissing;
  return node ? *node : kMissing;
}

// A folder's files, and the largest files, with their texts.
std::vector<FileEntry> Files(const ScanResult& result, std::int64_t folder) {
  std::vector<FileEntry> entries;
  for (const FileItem& file : result.FindFiles(folder)) entries.push_back(result.Entry(file));
  return entries;
}

std::vector<FileEntry> Largest(const ScanResult& result) {
  std::vector<FileEntry> entries;
  for (const std::uint32_t index : result.largest_files) entries.push_back(result.Entry(result.files.at(index)));
  return entries;
}

std::vector<std::wstring> FileNames(const ScanResult& result, std::int64_t folder) {
  std::vector<std::wstring> names;
  for (const FileEntry& f : Files(result, folder)) names.push_back(f.name);
  return names;
}

std::vector<std::int64_t> Children(const ScanResult& result, std::int64_t id) {
  const std::span<const std::int64_t> children = result.Children(Node(result, id));
  return {children.begin(), children.end()};
}

bool Contains(const std::vector<std::int64_t>& ids, std::int64_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(TreeBuilder, UnknownParentHangsUnderRootKeepingRecordedParent) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".", 133000000000000000, 0x16);
  b.Folder(40, 9999, L"Lost").Folder(41, 0, L"Zero").Folder(42, 40, L"Inner");
  const ScanResult result = b.Build(L"E");
  // A recorded root keeps its time and attributes but is named after the drive.
  EXPECT_EQ(result.NameText(Node(result, kRootId)), L"[E:]");
  EXPECT_EQ(Node(result, kRootId).mtime, 133000000000000000);
  EXPECT_EQ(Node(result, kRootId).attributes, 0x16u);

  const DirNode& lost = Node(result, 40);
  EXPECT_EQ(lost.parent_id, 9999);
  EXPECT_EQ(lost.tree_parent_id, kRootId);
  EXPECT_EQ(Node(result, 41).parent_id, 0);
  EXPECT_EQ(Node(result, 41).tree_parent_id, kRootId);
  EXPECT_EQ(Node(result, 42).tree_parent_id, 40);
  EXPECT_TRUE(Contains(Children(result, kRootId), 40));
  EXPECT_TRUE(Contains(Children(result, kRootId), 41));
  EXPECT_FALSE(Contains(Children(result, kRootId), 42));
  EXPECT_EQ(Children(result, 40), std::vector<std::int64_t>{42});
  EXPECT_EQ(Node(result, kRootId).tree_parent_id, kRootId);
  EXPECT_EQ(Node(result, kRootId).total_folder_count, 3);
}

TEST(TreeBuilder, FilesOfUnknownFoldersBecomeRootFiles) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(30, kRootId, L"Windows");
  b.File(100, kRootId, L"own.sys", 1, 4096);
  b.File(101, 9999, L"orphan.bin", 100, 4096);
  b.File(102, 0, L"zero.dat", 10, -1);
  b.File(103, 30, L"notepad.exe", 1000, 4096);
  const ScanResult result = b.Build();

  const DirNode& root = Node(result, kRootId);
  EXPECT_EQ(root.direct_size, 111);
  EXPECT_EQ(root.direct_alloc, 4096 + 4096 + 10);
  EXPECT_EQ(root.direct_file_count, 3);
  EXPECT_EQ(root.total_size, 1111);
  EXPECT_EQ(root.total_file_count, 4);
  EXPECT_EQ(result.root_total_size, 1111);

  // The root's own files first, then the absorbed ones; all at C:\ .
  const std::vector<std::wstring> names = FileNames(result, kRootId);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], L"own.sys");
  EXPECT_TRUE(std::is_permutation(names.begin() + 1, names.end(),
                                  std::vector<std::wstring>{L"orphan.bin", L"zero.dat"}.begin()));
  for (const FileEntry& f : Files(result, kRootId)) EXPECT_EQ(f.folder_id, kRootId) << f.name;
  EXPECT_EQ(result.files.size(), 4u);  // each file listed once
  EXPECT_EQ(Files(result, 30).front().folder_id, 30);
}

// The parse threads hand entries over in whatever order they took the MFT's
// windows: each folder still lists its files in record order (the root's own
// before the ones it takes in), and two names of one record in their order.
TEST(TreeBuilder, FilesGoInRecordOrderWhateverOrderTheyCameIn) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(30, kRootId, L"docs");
  b.File(300, 30, L"c", 1, 1).File(120, kRootId, L"own-late", 1, 1).File(200, 30, L"b2", 1, 1);
  b.File(110, 9999, L"orphan", 1, 1).File(200, 30, L"b1", 1, 1).File(100, 30, L"a", 1, 1);
  b.File(90, 9999, L"orphan-early", 1, 1).File(115, kRootId, L"own-early", 1, 1);
  const ScanResult result = b.Build();
  EXPECT_EQ(FileNames(result, 30), (std::vector<std::wstring>{L"a", L"b2", L"b1", L"c"}));
  EXPECT_EQ(FileNames(result, kRootId), (std::vector<std::wstring>{L"own-early", L"own-late", L"orphan-early", L"orphan"}));
}

TEST(TreeBuilder, MissingRootIsCreatedFromDriveLetter) {
  SliceBuilder b;
  b.Folder(30, kRootId, L"Windows").Folder(40, 777, L"Lost").Folder(31, 30, L"System32");
  const ScanResult result = b.Build(L"D");

  const DirNode& root = Node(result, kRootId);
  EXPECT_EQ(root.id, kRootId);
  EXPECT_EQ(result.NameText(root), L"[D:]");
  EXPECT_EQ(root.mtime, 0);
  EXPECT_EQ(root.attributes, 0u);
  EXPECT_EQ(root.tree_parent_id, kRootId);
  std::vector<std::int64_t> children = Children(result, kRootId);
  std::sort(children.begin(), children.end());
  EXPECT_EQ(children, (std::vector<std::int64_t>{30, 40}));
  EXPECT_EQ(result.drive, L"D");
  EXPECT_EQ(result.root_id, kRootId);
  EXPECT_EQ(result.folder_count, 3);
}

TEST(TreeBuilder, SizesAndCountsSumBottomUp) {
  // root ─ A(10) ─ B(11) ─ C(12)
  //        │       └ E(14)
  //        └ D(13)
  // F(15) directly under the root, empty.
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(10, kRootId, L"A").Folder(11, 10, L"B").Folder(12, 11, L"C");
  b.Folder(13, 10, L"D").Folder(14, 11, L"E").Folder(15, kRootId, L"F");
  b.File(100, kRootId, L"r", 1, 8);
  b.File(101, 10, L"a1", 10, 16).File(102, 10, L"a2", 20, 32);
  b.File(103, 11, L"b", 300, 512);
  b.File(104, 12, L"c1", 4000, 4096).File(105, 12, L"c2", -5, -1, 133500000000000000, 0x21);  // sums clamp to 0
  b.File(106, 13, L"d", 50000, 53248);
  b.File(107, 14, L"e", 600000, 602112);
  const ScanResult result = b.Build();

  const DirNode& c = Node(result, 12);
  EXPECT_EQ(c.direct_alloc, 4096);
  EXPECT_EQ(c.direct_file_count, 2);
  EXPECT_EQ(c.total_size, 4000);
  EXPECT_EQ(c.total_folder_count, 0);
  const DirNode& bnode = Node(result, 11);
  EXPECT_EQ(bnode.direct_size, 300);
  EXPECT_EQ(bnode.total_size, 300 + 4000 + 600000);
  EXPECT_EQ(bnode.total_file_count, 4);
  EXPECT_EQ(bnode.total_folder_count, 2);

  const DirNode& a = Node(result, 10);
  EXPECT_EQ(a.direct_size, 30);
  EXPECT_EQ(a.total_size, 30 + 604300 + 50000);
  EXPECT_EQ(a.total_alloc, 48 + 606720 + 53248);
  EXPECT_EQ(a.total_file_count, 7);
  EXPECT_EQ(a.total_folder_count, 4);

  const DirNode& root = Node(result, kRootId);
  EXPECT_EQ(root.total_size, 1 + 654330);
  EXPECT_EQ(root.total_alloc, 8 + 48 + 606720 + 53248);
  EXPECT_EQ(root.total_file_count, 8);
  EXPECT_EQ(root.total_folder_count, 6);
  EXPECT_EQ(result.root_total_size, root.total_size);
  EXPECT_EQ(result.file_count, 8);
  EXPECT_EQ(result.folder_count, 6);

  // A folder without files has an empty list.
  EXPECT_EQ(Node(result, 15).direct_file_count, 0);
  EXPECT_TRUE(result.FindFiles(15).empty());

  // Files keep their order and their fields, and name their folder.
  EXPECT_EQ(FileNames(result, 12), (std::vector<std::wstring>{L"c1", L"c2"}));
  const FileEntry c2 = Files(result, 12).back();
  EXPECT_EQ(c2.folder_id, 12);
  EXPECT_EQ(BuildFolderPath(result, c2.folder_id, L"C"), L"C:\\A\\B\\C");
  EXPECT_EQ(c2.size, -5);
  EXPECT_EQ(c2.alloc, -1);
  EXPECT_EQ(c2.id, 105);
  EXPECT_EQ(c2.mtime, 133500000000000000);
  EXPECT_EQ(c2.attributes, 0x21u);
  EXPECT_EQ(c2.extension, L"");
}

// Parent loops away from the root, each hanging files and subfolders:
//   Self(22) names itself;                  Sub(23) inside it
//   X(20) and Y(21) name each other;        Under(24) inside Y
//   B(30) in A(32) in C(31) in B(30);       D(40) inside C, E(41) inside A
//   K(51) and L(52) name each other;        T(50) inside L, U(53) inside T
// Each is cut at its lowest-numbered folder, which hangs under the root; the
// rest hangs as recorded. T has the lowest number of its chain but is not on
// the loop.
TEST(TreeBuilder, ParentLoopsHangFromTheRootAtTheirLowestNumberedFolder) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(10, kRootId, L"A0").File(100, 10, L"a", 5, 8);
  b.Folder(22, 22, L"Self").Folder(23, 22, L"Sub").File(101, 22, L"s", 9, 9).File(102, 23, L"t", 1, 1);
  b.Folder(21, 20, L"Y").Folder(20, 21, L"X").Folder(24, 21, L"Under");
  b.File(103, 20, L"x", 700, 4096).File(104, 21, L"y", 30, 32).File(105, 24, L"u", 2, 2);
  b.Folder(32, 31, L"A").Folder(30, 32, L"B").Folder(31, 30, L"C").Folder(40, 31, L"D").Folder(41, 32, L"E");
  for (std::int64_t f : {30, 31, 32, 40, 41}) b.File(200 + f, f, L"f" + std::to_wstring(f), f, f);
  b.Folder(53, 50, L"U").Folder(50, 52, L"T").Folder(52, 51, L"L").Folder(51, 52, L"K");
  for (std::int64_t f : {50, 51, 52, 53}) b.File(200 + f, f, L"f" + std::to_wstring(f), 1000 * f, 1000 * f);
  const ScanResult result = b.Build();
  EXPECT_EQ(test::CheckResultInvariants(result), "");

  const std::map<std::int64_t, std::int64_t> tree_parents = {{22, kRootId}, {23, 22}, {20, kRootId}, {21, 20}, {24, 21},
                                                             {30, kRootId}, {31, 30}, {32, 31},      {40, 31}, {41, 32},
                                                             {51, kRootId}, {52, 51}, {50, 52},      {53, 50}};
  for (const auto& [id, parent] : tree_parents) EXPECT_EQ(Node(result, id).tree_parent_id, parent) << id;
  EXPECT_EQ(Node(result, 20).parent_id, 21);  // as recorded
  EXPECT_EQ(Children(result, 22), std::vector<std::int64_t>{23});
  EXPECT_EQ(Children(result, 30), std::vector<std::int64_t>{31});

  const DirNode& root = Node(result, kRootId);
  EXPECT_EQ(root.total_file_count, result.file_count);
  EXPECT_EQ(root.total_folder_count, result.folder_count);
  EXPECT_EQ(root.total_size, 5 + 9 + 1 + 700 + 30 + 2 + (30 + 31 + 32 + 40 + 41) + 1000 * (50 + 51 + 52 + 53));
  EXPECT_EQ(Node(result, 20).total_alloc, 4096 + 32 + 2);
  EXPECT_EQ(Node(result, 30).total_file_count, 5);
  EXPECT_EQ(Node(result, 31).total_size, 31 + 40 + 32 + 41);
  EXPECT_EQ(Node(result, 31).total_folder_count, 3);
  EXPECT_EQ(Node(result, 51).total_size, 1000 * (50 + 51 + 52 + 53));

  // Paths follow the tree; the files name their folders.
  const std::map<std::int64_t, std::wstring> paths = {
      {22, L"C:\\Self"}, {23, L"C:\\Self\\Sub"}, {20, L"C:\\X"}, {24, L"C:\\X\\Y\\Under"}, {30, L"C:\\B"},
      {31, L"C:\\B\\C"}, {40, L"C:\\B\\C\\D"},   {51, L"C:\\K"}, {53, L"C:\\K\\L\\T\\U"}};
  for (const auto& [id, path] : paths) {
    EXPECT_EQ(BuildFolderPath(result, id, L"C"), path) << id;
    EXPECT_EQ(Files(result, id).front().folder_id, id) << id;
  }
}

// Every file names the folder it is listed under, whatever the parents: deep
// chains, parents 0, unknown or negative, loops away from the root, a folder
// its own parent, a root that names another parent, files of unknown folders.
// A largest file names the same folder, so its path is the file list's.
TEST(TreeBuilder, EveryFileNamesTheFolderItIsListedUnder) {
  std::mt19937 rng(11);
  SliceBuilder b;
  b.Folder(kRootId, 99, L".");  // the root's recorded parent changes nothing
  for (std::int64_t id = 10; id < 400; ++id) {
    const auto roll = static_cast<std::uint32_t>(rng() % 100);
    std::int64_t parent =
        roll < 70 ? 10 + static_cast<std::int64_t>(rng() % (id - 9)) : kRootId;  // mostly older folders
    if (roll >= 90) parent = roll < 93 ? 0 : roll < 95 ? -3 : roll < 97 ? 5000 : roll < 98 ? id : id + 7;
    b.Folder(id, parent, L"f" + std::to_wstring(id));
  }
  std::int64_t file = 1000;
  for (std::int64_t folder = 0; folder < 410; ++folder) {
    b.File(file++, folder == 1 ? -1 : folder, L"x.dat", static_cast<std::int64_t>(rng() % 1000), 0);
  }
  const ScanResult result = b.Build(L"D");
  std::size_t checked = 0;
  std::map<std::int64_t, std::int64_t> listed_under;  // file id -> folder key
  for (const DirNode& folder : result.folders) {
    for (const FileEntry& f : Files(result, folder.id)) {
      EXPECT_EQ(f.folder_id, folder.id) << f.id;
      listed_under[f.id] = folder.id;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 410u);
  ASSERT_EQ(result.largest_files.size(), 410u);
  for (const FileEntry& f : Largest(result)) {
    const std::int64_t recorded = f.id - 1000 == 1 ? -1 : f.id - 1000;
    const bool known = recorded > 0 && result.FindFolder(recorded) != nullptr;
    EXPECT_EQ(f.folder_id, known ? recorded : kRootId) << f.id;
    EXPECT_EQ(f.folder_id, listed_under[f.id]) << f.id;
  }
}

TEST(TreeBuilder, RootChildrenOrderedBySizeLargestFirst) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".");
  const std::int64_t sizes[] = {10, 300, 0, 50, 7000, 1};
  for (std::int64_t i = 0; i < 6; ++i) {
    b.Folder(10 + i, kRootId, L"f" + std::to_wstring(i));
    if (sizes[i] > 0) b.File(100 + i, 10 + i, L"x", sizes[i], sizes[i]);
  }
  b.Folder(20, 13, L"under50").File(120, 20, L"big", 100000, 100000);  // lifts f3 to the top
  const ScanResult result = b.Build();
  EXPECT_EQ(Children(result, kRootId), (std::vector<std::int64_t>{13, 14, 11, 10, 15, 12}));
}

TEST(TreeBuilder, TotalsSaturateInsteadOfWrapping) {
  constexpr std::int64_t kHalf = std::numeric_limits<std::int64_t>::max() / 2 + 1;
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(10, kRootId, L"A").Folder(11, kRootId, L"B");
  b.File(100, 10, L"a.x", kHalf, kHalf).File(101, 11, L"b.y", kHalf, kHalf);
  const ScanResult result = b.Build();
  EXPECT_EQ(Node(result, kRootId).total_size, std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Node(result, kRootId).total_alloc, std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(result.root_total_size, std::numeric_limits<std::int64_t>::max());
}

TEST(TreeBuilder, ExtensionRowsKeepCaseAndCollectNamesWithoutExtension) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".");
  b.File(100, kRootId, L"a.JPG", 100, 100).File(101, kRootId, L"b.jpg", 200, 200);
  b.File(102, kRootId, L".gitignore", 30, 30).File(103, kRootId, L"Makefile", 120, 120);
  b.File(104, kRootId, L"archive.", 5, 5).File(105, kRootId, L"c.jpg", 1, 1);
  const ScanResult result = b.Build();

  ASSERT_EQ(result.extensions.size(), 4u);
  EXPECT_EQ(result.extensions[0].extension, L".jpg");
  EXPECT_EQ(result.extensions[0].total_size, 201);
  EXPECT_EQ(result.extensions[0].file_count, 2);
  EXPECT_EQ(result.extensions[1].extension, L"");
  EXPECT_EQ(result.extensions[1].total_size, 150);
  EXPECT_EQ(result.extensions[1].file_count, 2);
  EXPECT_EQ(result.extensions[2].extension, L".JPG");
  EXPECT_EQ(result.extensions[3].extension, L".");
  EXPECT_EQ(result.extensions[3].total_size, 5);

  for (const FileEntry& f : Files(result, kRootId)) {
    if (f.name == L".gitignore" || f.name == L"Makefile") {
      EXPECT_EQ(f.extension, L"");
    }
  }
}

TEST(TreeBuilder, LargestFilesSortedWithTheirFolders) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(30, kRootId, L"Windows").Folder(31, 30, L"System32");
  b.File(100, 31, L"kernel32.dll", 700000, 704512, 133400000000000000, 0x20);
  b.File(101, 9999, L"lost.bin", 900000, 901120);
  b.File(102, kRootId, L"empty", 0, 0);
  b.File(103, 30, L"win.ini", 92, 96);
  b.File(104, 0, L"huge.iso", 5000000000, 5000003584);
  const ScanResult result = b.Build();

  ASSERT_EQ(result.largest_files.size(), 5u);
  std::vector<std::wstring> order;
  for (const FileEntry& f : Largest(result)) order.push_back(f.name);
  EXPECT_EQ(order, (std::vector<std::wstring>{L"huge.iso", L"lost.bin", L"kernel32.dll", L"win.ini", L"empty"}));

  EXPECT_EQ(Largest(result)[0].folder_id, kRootId);  // recorded parent 0
  EXPECT_EQ(Largest(result)[1].folder_id, kRootId);  // unknown parent
  const FileEntry dll = Largest(result)[2];
  EXPECT_EQ(dll.folder_id, 31);
  EXPECT_EQ(BuildFolderPath(result, dll.folder_id, L"C"), L"C:\\Windows\\System32");
  EXPECT_EQ(dll.extension, L".dll");
  EXPECT_EQ(dll.size, 700000);
  EXPECT_EQ(dll.alloc, 704512);
  EXPECT_EQ(dll.id, 100);
  EXPECT_EQ(dll.mtime, 133400000000000000);
  EXPECT_EQ(dll.attributes, 0x20u);
  EXPECT_EQ(Largest(result)[3].folder_id, 30);
  EXPECT_EQ(Largest(result)[4].extension, L"");
}

// A parent chain of 100,000 folders, each inside the previous one, built on a
// thread with a 256 KiB stack: a recursive walk or a recursive sum over that
// depth would overflow it.
TEST(TreeBuilder, LargestFilesKeepTheLargestAndAtATieTheLowerRecordNumbers) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".");
  // Sizes 11..kept in descending record order, then kept+9 files of size 10
  // in scrambled record order (7919 is prime to kept+9): the cut falls among
  // the tens, and the ten lowest-numbered of them are kept, by number.
  const auto kept = static_cast<std::int64_t>(kLargestFilesKept);
  std::int64_t id = 1000000;
  for (std::int64_t size = 11; size <= kept; ++size) b.File(id--, kRootId, L"s", size, size);
  for (std::int64_t k = 0; k < kept + 9; ++k) b.File(2000000 + (k * 7919) % (kept + 9), kRootId, L"t", 10, 10);
  const ScanResult result = b.Build();
  ASSERT_EQ(result.largest_files.size(), kLargestFilesKept);
  EXPECT_EQ(result.files[result.largest_files.front()].size, kept);
  EXPECT_EQ(result.files[result.largest_files[kLargestFilesKept - 11]].size, 11);
  for (std::size_t k = kLargestFilesKept - 10; k < kLargestFilesKept; ++k) {
    const FileItem& file = result.files[result.largest_files[k]];
    EXPECT_EQ(file.size, 10) << k;
    EXPECT_EQ(file.id, 2000000u + (k - (kLargestFilesKept - 10))) << k;
  }
}

TEST(TreeBuilder, ALaterEntryOfAFolderReplacesTheEarlierOne) {
  SliceBuilder b;
  b.Folder(kRootId, kRootId, L".").Folder(30, kRootId, L"dir_30").Folder(40, kRootId, L"Other");
  b.Folder(30, 40, L"Found");  // named from its extension records after the pass
  b.File(100, 30, L"a.txt", 5, 5);
  const ScanResult result = b.Build();
  EXPECT_EQ(result.folders.size(), 3u);
  EXPECT_EQ(result.folder_count, 2);  // counted once
  EXPECT_EQ(result.NameText(Node(result, 30)), L"Found");
  EXPECT_EQ(Node(result, 30).tree_parent_id, 40);
  EXPECT_EQ(Node(result, 40).total_size, 5);
  EXPECT_EQ(test::CheckResultInvariants(result), "");
}

TEST(TreeBuilder, DeepChainBuildsOnASmallStack) {
  constexpr std::int64_t kDepth = 100000;
  constexpr std::int64_t kFirst = 1000;
  struct Job {
    SliceBuilder builder;
    ScanResult result;
  } job;
  job.builder.Folder(kRootId, kRootId, L".");
  for (std::int64_t i = 0; i < kDepth; ++i) job.builder.Folder(kFirst + i, i == 0 ? kRootId : kFirst + i - 1, L"d");
  job.builder.File(1, kFirst + kDepth - 1, L"leaf.txt", 4096, 4096);

  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    auto* j = static_cast<Job*>(arg);
    j->result = j->builder.Build();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &job), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attr);

  const ScanResult& result = job.result;
  const DirNode& root = Node(result, kRootId);
  EXPECT_EQ(root.total_folder_count, kDepth);
  EXPECT_EQ(root.total_size, 4096);
  EXPECT_EQ(Node(result, kFirst).total_folder_count, kDepth - 1);
  EXPECT_EQ(Node(result, kFirst + kDepth / 2).total_file_count, 1);
  EXPECT_EQ(Node(result, kFirst + kDepth - 1).direct_file_count, 1);
  const FileEntry leaf = Files(result, kFirst + kDepth - 1).front();
  EXPECT_EQ(leaf.folder_id, kFirst + kDepth - 1);
  const std::wstring path = BuildFolderPath(result, leaf.folder_id, L"C");
  // Deeper than any path: "C:\\" and the innermost "d" folders that fit.
  EXPECT_EQ(path.size(), kMaxPathLength - 1);
  EXPECT_EQ(static_cast<std::size_t>(std::count(path.begin(), path.end(), L'\\')), (kMaxPathLength - 3) / 2);
}

}  // namespace
}  // namespace tw
