#include "scan/scan_slice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

namespace tw {
namespace {

MftEntry File(std::int64_t id, std::int64_t parent, std::wstring name, std::int64_t size,
              std::optional<std::int64_t> alloc = std::nullopt) {
  MftEntry e;
  e.id = id;
  e.parent_id = parent;
  e.name = std::move(name);
  e.size = size;
  e.alloc = alloc.value_or(size);
  e.mtime = id * 10;
  e.attributes = 0x20;
  return e;
}

MftEntry Folder(std::int64_t id, std::int64_t parent, std::wstring name) {
  MftEntry e;
  e.id = id;
  e.parent_id = parent;
  e.name = std::move(name);
  e.is_directory = true;
  e.size = 777;  // folder sizes are ignored
  e.alloc = 888;
  e.mtime = 42;
  e.attributes = 0x10;
  return e;
}

std::vector<std::int64_t> HeapKeys(const LargestFilesHeap& h) {
  std::vector<std::int64_t> keys;
  for (const MftEntry& e : h.heap) keys.push_back(e.size);
  return keys;
}

void ExpectMinHeap(const LargestFilesHeap& h) {
  const std::vector<std::int64_t> keys = HeapKeys(h);
  for (std::size_t i = 1; i < keys.size(); ++i) ASSERT_GE(keys[i], keys[(i - 1) / 2]) << "at " << i;
}

std::vector<std::int64_t> Ids(const std::vector<FileRecord>& files) {
  std::vector<std::int64_t> ids;
  for (const FileRecord& f : files) ids.push_back(f.id);
  return ids;
}

// ---------------------------------------------------------------- heap

TEST(LargestFilesHeap, KeepsTheLargestHundredThousandOfMoreDistinctSizes) {
  std::vector<std::int64_t> sizes(100001);
  std::iota(sizes.begin(), sizes.end(), 1);
  std::shuffle(sizes.begin(), sizes.end(), std::mt19937_64(7));
  LargestFilesHeap h;
  for (const std::int64_t s : sizes) h.Add(File(s, 5, L"f", s));
  ASSERT_EQ(h.heap.size(), 100000u);
  ExpectMinHeap(h);
  EXPECT_EQ(h.heap[0].size, 2);
  std::vector<std::int64_t> kept = HeapKeys(h);
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept.front(), 2);
  EXPECT_EQ(kept.back(), 100001);
  EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end());
}

TEST(LargestFilesHeap, ATieWithTheSmallestKeptKeyIsDropped) {
  LargestFilesHeap h;
  h.capacity = 3;
  h.Add(File(1, 5, L"a", 6000));
  h.Add(File(2, 5, L"b", 4096));
  h.Add(File(3, 5, L"c", 5000));
  ASSERT_EQ(h.heap[0].id, 2);

  h.Add(File(4, 5, L"tie", 4096));
  ASSERT_EQ(h.heap.size(), 3u);
  EXPECT_EQ(h.heap[0].id, 2);  // the entry held first stays
  h.Add(File(5, 5, L"smaller", 10));
  EXPECT_EQ(h.heap[0].id, 2);

  h.Add(File(6, 5, L"bigger", 4097));
  ExpectMinHeap(h);
  std::vector<std::int64_t> ids;
  for (const MftEntry& e : h.heap) ids.push_back(e.id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 3, 6}));
  EXPECT_EQ(h.heap[0].size, 4097);
}

TEST(LargestFilesHeap, MatchesTheTopSizesOfAnyOrder) {
  std::mt19937_64 rng(11);
  for (int round = 0; round < 50; ++round) {
    LargestFilesHeap h;
    h.capacity = 1 + static_cast<std::int32_t>(rng() % 40);
    std::vector<std::int64_t> all;
    for (int i = 0; i < 200; ++i) {
      const std::int64_t size = static_cast<std::int64_t>(rng() % 60) - 5;  // duplicates and negatives
      all.push_back(size);
      h.Add(File(i, 5, L"f", size));
    }
    ExpectMinHeap(h);
    std::sort(all.rbegin(), all.rend());
    all.resize(static_cast<std::size_t>(h.capacity));
    std::vector<std::int64_t> kept = HeapKeys(h);
    std::sort(kept.rbegin(), kept.rend());
    EXPECT_EQ(kept, all);
  }
}

TEST(LargestFilesHeap, ZeroCapacityKeepsNothing) {
  LargestFilesHeap none;
  none.capacity = 0;
  none.Add(File(1, 5, L"a", 1));
  EXPECT_TRUE(none.heap.empty());
}

// ---------------------------------------------------------------- AddEntry

TEST(ScanSliceAddEntry, FoldersAreRecordedOnlyAndTheRootIsNotCounted) {
  ScanSlice s;
  AddEntry(s, Folder(5, 5, L"."));
  AddEntry(s, Folder(30, 5, L"docs"));
  AddEntry(s, Folder(30, 6, L"renamed"));  // a repeated record replaces
  EXPECT_EQ(s.folder_count, 2);
  ASSERT_EQ(s.folder_records.size(), 2u);
  const FolderRecord& r = s.folder_records.at(30);
  EXPECT_EQ(r.name + L" ^" + std::to_wstring(r.parent_id), L"renamed ^6");
  EXPECT_EQ(r.mtime, 42);
  EXPECT_EQ(r.attributes, 0x10u);
  // No size, no extension, no largest-file entry for folders.
  EXPECT_EQ(s.file_count + s.file_size_sum + s.file_alloc_sum, 0);
  EXPECT_TRUE(s.folder_file_totals.empty() && s.folder_files.empty() && s.extension_totals.empty());
  EXPECT_TRUE(s.largest.heap.empty());
}

TEST(ScanSliceAddEntry, OrphanFilesAreSummedUnderTheRootButListedUnderTheirOwnKey) {
  ScanSlice s;
  AddEntry(s, File(40, 0, L"a.txt", 100, 4096));
  AddEntry(s, File(41, -3, L"b.txt", 10));
  AddEntry(s, File(42, 5, L"c.txt", 1));
  AddEntry(s, File(43, 30, L"d.txt", 7));
  ASSERT_EQ(s.folder_file_totals.count(5), 1u);
  EXPECT_EQ(s.folder_file_totals.at(5).size, 111);
  EXPECT_EQ(s.folder_file_totals.at(5).alloc, 4096 + 10 + 1);
  EXPECT_EQ(s.folder_file_totals.at(5).count, 3);
  EXPECT_EQ(s.folder_file_totals.count(0), 0u);
  EXPECT_EQ(Ids(s.folder_files.at(0)), std::vector<std::int64_t>{40});
  EXPECT_EQ(Ids(s.folder_files.at(-3)), std::vector<std::int64_t>{41});
  EXPECT_EQ(Ids(s.folder_files.at(5)), std::vector<std::int64_t>{42});
  EXPECT_EQ(s.folder_file_totals.at(30).count, 1);
  EXPECT_EQ(s.file_count, 4);
  EXPECT_EQ(s.folder_count, 0);
  EXPECT_EQ(s.file_size_sum, 118);
  EXPECT_EQ(s.file_alloc_sum, 4096 + 10 + 1 + 7);
  const FileRecord& a = s.folder_files.at(0)[0];
  EXPECT_EQ(a.name, L"a.txt");
  EXPECT_EQ(a.size + a.alloc + a.mtime, 100 + 4096 + 400);
  EXPECT_EQ(a.attributes, 0x20u);
}

TEST(ScanSliceAddEntry, NegativeSizesAreClampedInFolderTotalsOnly) {
  ScanSlice s;
  AddEntry(s, File(40, 30, L"x.bin", -5, -1));
  AddEntry(s, File(41, 30, L"y.bin", 100, -1));
  EXPECT_EQ(s.folder_file_totals.at(30).size, 100);
  EXPECT_EQ(s.folder_file_totals.at(30).alloc, 0 + 100);  // a negative alloc counts as the size
  EXPECT_EQ(s.file_size_sum, 95);                         // the volume sums take values as they are
  EXPECT_EQ(s.file_alloc_sum, -2);
  EXPECT_EQ(s.extension_totals.at(L".bin").size, 95);
  EXPECT_EQ(s.folder_files.at(30)[0].size, -5);
}

TEST(ScanSliceAddEntry, ExtensionsKeepCaseAndStartAtTheLastNonLeadingDot) {
  ScanSlice s;
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"a.JPG", L".JPG"}, {L"b.jpg", L".jpg"}, {L"archive.tar.gz", L".gz"}, {L"a.", L"."},
      {L".profile", L""},  {L"README", L""},    {L"c.jpg", L".jpg"},
  };
  std::int64_t id = 100;
  for (const auto& [name, ext] : cases) {
    const std::size_t before =
        s.extension_totals.count(ext) ? static_cast<std::size_t>(s.extension_totals.at(ext).count) : 0;
    AddEntry(s, File(id++, 5, name, 10, 16));
    EXPECT_EQ(static_cast<std::size_t>(s.extension_totals.at(ext).count), before + 1) << name;
  }
  EXPECT_EQ(s.extension_totals.size(), 5u);
  EXPECT_EQ(s.extension_totals.at(L".jpg").size, 20);
  EXPECT_EQ(s.extension_totals.at(L".jpg").alloc, 32);
  EXPECT_EQ(s.extension_totals.at(L"").count, 2);
}

TEST(ScanSliceAddEntry, MovingAnEntryInGivesTheSameAggregate) {
  std::vector<MftEntry> entries = {Folder(5, 5, L"."), Folder(30, 5, L"a long folder name beyond small strings"),
                                   File(40, 30, L"a rather long file name.extension", 5000),
                                   File(41, 30, L"second.extension", 10)};
  ScanSlice copied, moved;
  moved.largest.capacity = copied.largest.capacity = 1;
  for (const MftEntry& e : entries) AddEntry(copied, e);
  for (MftEntry e : entries) AddEntry(moved, std::move(e));
  EXPECT_EQ(moved.folder_records.at(30).name, copied.folder_records.at(30).name);
  ASSERT_EQ(moved.folder_files.at(30).size(), 2u);
  EXPECT_EQ(moved.folder_files.at(30)[0].name, L"a rather long file name.extension");
  EXPECT_EQ(moved.folder_files.at(30)[1].name, L"second.extension");
  ASSERT_EQ(moved.largest.heap.size(), 1u);
  EXPECT_EQ(moved.largest.heap[0].name, L"a rather long file name.extension");  // the heap kept its own copy
  EXPECT_EQ(moved.extension_totals.at(L".extension").count, 2);
  EXPECT_EQ(moved.file_size_sum, copied.file_size_sum);
  EXPECT_EQ(moved.folder_count, copied.folder_count);
}

// A random mix of what a scan folds in: runs of files of one folder (which
// the list fold answers from its cached slots), folders interleaved with
// them, a folder replaced, parents 0 and unknown, negative sizes, a heap small
// enough to keep replacing. The list fold must equal AddEntry one by one.
TEST(ScanSliceAddEntries, FoldsExactlyLikeAddEntryOneAtATime) {
  std::mt19937 rng(7);
  std::vector<MftEntry> entries = {Folder(5, 5, L".")};
  std::int64_t parent = 5;
  for (std::int64_t id = 16; id < 3000; ++id) {
    const auto roll = static_cast<unsigned>(rng() % 100);
    if (roll < 8) {
      entries.push_back(Folder(id % 500 == 0 ? 20 : id, static_cast<std::int64_t>(rng() % 40), L"dir"));
    } else {
      if (roll < 20) parent = roll < 11 ? 0 : static_cast<std::int64_t>(rng() % 60);  // 0: no parent at all
      const std::int64_t size = roll % 17 == 0 ? -5 : static_cast<std::int64_t>(rng() % 100000);
      entries.push_back(File(id, parent, L"file" + std::to_wstring(id) + (roll % 3 ? L".dat" : L".TXT"), size,
                             roll % 13 == 0 ? std::optional<std::int64_t>(-1) : std::nullopt));
    }
  }
  ScanSlice one_by_one, listed;
  one_by_one.largest.capacity = listed.largest.capacity = 50;
  for (const MftEntry& e : entries) AddEntry(one_by_one, e);
  std::vector<MftEntry> list = entries;
  AddEntries(listed, std::move(list));
  EXPECT_TRUE(list.empty());

  EXPECT_EQ(listed.file_count, one_by_one.file_count);
  EXPECT_EQ(listed.folder_count, one_by_one.folder_count);
  EXPECT_EQ(listed.file_size_sum, one_by_one.file_size_sum);
  EXPECT_EQ(listed.file_alloc_sum, one_by_one.file_alloc_sum);
  ASSERT_EQ(listed.folder_records.size(), one_by_one.folder_records.size());
  for (const auto& [id, record] : one_by_one.folder_records) {
    EXPECT_EQ(listed.folder_records.at(id).parent_id, record.parent_id) << id;
  }
  ASSERT_EQ(listed.folder_file_totals.size(), one_by_one.folder_file_totals.size());
  for (const auto& [id, totals] : one_by_one.folder_file_totals) {
    const FolderFileTotals& other = listed.folder_file_totals.at(id);
    EXPECT_EQ(std::tie(other.size, other.alloc, other.count), std::tie(totals.size, totals.alloc, totals.count)) << id;
  }
  ASSERT_EQ(listed.folder_files.size(), one_by_one.folder_files.size());
  for (const auto& [id, files] : one_by_one.folder_files) EXPECT_EQ(Ids(listed.folder_files.at(id)), Ids(files)) << id;
  ASSERT_EQ(listed.extension_totals.size(), one_by_one.extension_totals.size());
  for (const auto& [ext, totals] : one_by_one.extension_totals) {
    const ExtensionTotals& other = listed.extension_totals.at(ext);
    EXPECT_EQ(std::tie(other.size, other.alloc, other.count), std::tie(totals.size, totals.alloc, totals.count));
  }
  std::vector<std::int64_t> heap_ids, expected_ids;
  for (const MftEntry& e : listed.largest.heap) heap_ids.push_back(e.id);
  for (const MftEntry& e : one_by_one.largest.heap) expected_ids.push_back(e.id);
  EXPECT_EQ(heap_ids, expected_ids);  // the same entries in the same storage order
}

// ---------------------------------------------------------------- Merge

TEST(ScanSliceMerge, FoldsEveryMemberByItsRule) {
  ScanSlice a;
  AddEntry(a, Folder(30, 5, L"old"));
  AddEntry(a, Folder(31, 5, L"kept"));
  AddEntry(a, File(40, 30, L"a.txt", 100));
  AddEntry(a, File(41, 32, L"b.log", 7));
  a.overflow_sizes[900] = {50, 60};
  a.overflow_sizes[901] = {5, 5};
  a.entries.push_back(File(1, 5, L"e1", 1));

  ScanSlice b;
  AddEntry(b, Folder(30, 6, L"new"));
  AddEntry(b, Folder(5, 5, L"."));
  AddEntry(b, File(42, 30, L"c.txt", 1000));
  AddEntry(b, File(43, 33, L"d", 3));
  b.overflow_sizes[900] = {70, 20};
  b.overflow_sizes[902] = {-4, 9};
  b.entries.push_back(File(2, 5, L"e2", 2));
  b.entries.push_back(File(3, 5, L"e3", 3));

  Merge(a, std::move(b));
  EXPECT_EQ(a.folder_records.at(30).name, L"new");
  EXPECT_EQ(a.folder_records.at(31).name, L"kept");
  EXPECT_EQ(a.folder_records.count(5), 1u);
  EXPECT_EQ(a.folder_file_totals.at(30).size, 1100);
  EXPECT_EQ(a.folder_file_totals.at(30).count, 2);
  EXPECT_EQ(a.folder_file_totals.at(33).size, 3);
  EXPECT_EQ(Ids(a.folder_files.at(30)), (std::vector<std::int64_t>{40, 42}));
  EXPECT_EQ(Ids(a.folder_files.at(33)), std::vector<std::int64_t>{43});
  EXPECT_EQ(a.extension_totals.at(L".txt").size, 1100);
  EXPECT_EQ(a.extension_totals.at(L".txt").count, 2);
  EXPECT_EQ(a.extension_totals.at(L"").count, 1);
  EXPECT_EQ(a.overflow_sizes.at(900).size, 70);
  EXPECT_EQ(a.overflow_sizes.at(900).alloc, 60);
  EXPECT_EQ(a.overflow_sizes.at(901).size, 5);
  EXPECT_EQ(a.overflow_sizes.at(902).size, 0);  // a new entry starts at zero
  EXPECT_EQ(a.overflow_sizes.at(902).alloc, 9);
  ASSERT_EQ(a.entries.size(), 3u);
  EXPECT_EQ(a.entries[1].name, L"e2");
  EXPECT_EQ(a.entries[2].name, L"e3");
  EXPECT_EQ(a.file_size_sum, 1110);
  EXPECT_EQ(a.file_alloc_sum, 1110);
  EXPECT_EQ(a.file_count, 4);
  EXPECT_EQ(a.folder_count, 3);  // 30 twice and 31; the root is not counted
  EXPECT_EQ(a.largest.heap.size(), 4u);
  ExpectMinHeap(a.largest);
}

TEST(ScanSliceMerge, OffersTheOtherHeapInStorageOrderUnderTheTieRule) {
  ScanSlice a;
  a.largest.capacity = 2;
  AddEntry(a, File(1, 5, L"a", 500));
  AddEntry(a, File(2, 5, L"b", 100));
  ScanSlice b;
  AddEntry(b, File(3, 5, L"c", 100));  // ties with a's smallest: dropped
  AddEntry(b, File(4, 5, L"d", 300));
  Merge(a, std::move(b));
  ASSERT_EQ(a.largest.heap.size(), 2u);
  std::vector<std::int64_t> ids = {a.largest.heap[0].id, a.largest.heap[1].id};
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 4}));
}

}  // namespace
}  // namespace tw
