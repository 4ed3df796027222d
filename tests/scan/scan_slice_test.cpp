#include "scan/scan_slice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tw {
namespace {

MftEntry Entry(std::int64_t id, std::int64_t parent, std::wstring name, bool folder = false, std::int64_t size = 0) {
  return MftEntry{id, parent, std::move(name), folder, size, size * 2, id * 10, 0x20};
}

std::vector<std::wstring> Names(const EntryList& list) {
  std::vector<std::wstring> names;
  for (const MftEntry& entry : list.Entries()) names.push_back(entry.name);
  return names;
}

TEST(EntryList, KeepsEveryFieldAndTheNameAsUtf16Units) {
  EntryList list;
  // A surrogate pair stays two units; a lone surrogate stays as it is.
  const std::wstring odd = {L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                            static_cast<wchar_t>(0xDC00)};
  list.Add(Entry(40, 5, odd, false, 7), kSizesFromName | kWofTagged);
  list.Add(Entry(41, 0x123456789AB, L"", true));
  list.Add(Entry(42, 40, std::wstring(255, L'x')));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.file_count(), 2u);
  EXPECT_EQ(list.folder_count(), 1u);
  EXPECT_EQ(list.folder_items(), std::vector<std::uint32_t>{1});
  EXPECT_EQ(list.Name(list[0]).size(), 4u);
  const MftEntry first = list.Entry(list[0]);
  EXPECT_EQ(first.name, odd);
  EXPECT_EQ(first.id, 40);
  EXPECT_EQ(first.parent_id, 5);
  EXPECT_EQ(first.size, 7);
  EXPECT_EQ(first.alloc, 14);
  EXPECT_EQ(first.mtime, 400);
  EXPECT_EQ(first.attributes, 0x20u);
  EXPECT_FALSE(first.is_directory);
  // The flags ride above the name length and leave it alone.
  EXPECT_EQ(list[0].Flags(), kSizesFromName | kWofTagged);
  EXPECT_EQ(list[0].NameLength(), 4u);
  // A folder keeps its recorded parent in full; it has no size.
  EXPECT_TRUE(list.Entry(list[1]).is_directory);
  EXPECT_EQ(list.Entry(list[1]).parent_id, 0x123456789AB);
  EXPECT_EQ(list.Entry(list[1]).size, 0);
  EXPECT_EQ(list.Entry(list[1]).name, L"");
  EXPECT_EQ(list.Entry(list[2]).name, std::wstring(255, L'x'));

  list.Rename(list[1], L"found", 40);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{odd, L"found", std::wstring(255, L'x')}));
  EXPECT_EQ(list.Entry(list[1]).parent_id, 40);
  EXPECT_TRUE(list[1].IsFolder());
  // An item whose name lies outside the names reads as no name.
  EntryItem stray = list[0];
  stray.name_offset = 7u << kNameChunkBits;
  EXPECT_TRUE(list.Name(stray).empty());
  stray.name_offset = static_cast<std::uint32_t>(list.name_units());
  EXPECT_TRUE(list.Name(stray).empty());
}

TEST(EntryList, AFileOfAParentNoFolderCanHaveKeepsNoParent) {
  EntryList list;
  list.Add(Entry(40, 0, L"zero"));
  list.Add(Entry(41, -3, L"negative"));
  list.Add(Entry(42, std::int64_t{1} << 40, L"far"));
  list.Add(Entry(43, kMaxScanRecords, L"last"));
  EXPECT_EQ(list[0].parent, 0u);
  EXPECT_EQ(list[1].parent, 0u);
  EXPECT_EQ(list[2].parent, 0u);
  EXPECT_EQ(list[3].parent, static_cast<std::uint32_t>(kMaxScanRecords));
}

TEST(EntryList, ItemsAndNamesSpanManyChunksAndNeverMove) {
  EntryList list;
  // Enough names of 255 units to fill several chunks: none straddles two.
  const std::size_t count = 3 * EntryList::kItemsPerChunk + 5;
  for (std::size_t i = 0; i < count; ++i) {
    list.Add(Entry(static_cast<std::int64_t>(i + 16), 5, std::wstring(i % 2 ? 255 : 3, static_cast<wchar_t>(L'a' + i % 26))));
  }
  const std::u16string_view early = list.Name(list[1]);
  ASSERT_EQ(list.size(), count);
  EXPECT_GT(list.item_chunk_count(), 3u);
  EXPECT_GT(list.name_chunk_count(), 1u);
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_EQ(list[i].id, i + 16);
    ASSERT_EQ(list.Name(list[i]), std::u16string(i % 2 ? 255 : 3, static_cast<char16_t>(u'a' + i % 26)));
  }
  EXPECT_EQ(early.data(), list.Name(list[1]).data());  // written once, never moved
  std::size_t units = 0;
  for (std::size_t k = 0; k < list.name_chunk_count(); ++k) units += list.NameChunk(k).size();
  EXPECT_EQ(units, list.name_units());
  EXPECT_EQ(units, (count / 2) * 255 + (count - count / 2) * 3);
}

TEST(EntryList, EachFileHasTheSlotOfItsExtension) {
  EntryList list;
  list.Add(Entry(40, 5, L"a.txt"));
  list.Add(Entry(41, 5, L"Makefile"));
  list.Add(Entry(42, 5, L"docs", true));  // folders have no extension
  list.Add(Entry(43, 5, L"b.TXT"));
  list.Add(Entry(44, 5, L".profile"));
  list.Add(Entry(45, 5, L"c.txt"));
  const std::vector<std::u16string_view>& extensions = list.extensions();
  ASSERT_EQ(extensions.size(), 3u);
  EXPECT_EQ(extensions[list[0].extension], u".txt");
  EXPECT_EQ(extensions[list[1].extension], u"");
  EXPECT_EQ(extensions[list[3].extension], u".TXT");
  EXPECT_EQ(list[4].extension, list[1].extension);
  EXPECT_EQ(list[5].extension, list[0].extension);
}

TEST(EntryList, KeepsAtLeastTheBestFilesByLargestSizeThenRecordNumber) {
  EntryList list;
  // More than twice the candidates kept, so the list prunes; sizes repeat so
  // that ties are settled by the record number.
  const std::size_t count = 2 * kLargestCandidates + 1000;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t id = static_cast<std::int64_t>((i * 7919) % count) + 16;
    list.Add(Entry(id, 5, L"f", false, id % 50000));
  }
  std::vector<LargestCandidate> kept = list.largest();
  ASSERT_GE(kept.size(), kLargestCandidates);
  EXPECT_LT(kept.size(), 2 * kLargestCandidates);
  std::vector<LargestCandidate> all;
  for (std::size_t i = 0; i < count; ++i) all.push_back({list[i].size, list[i].id, list[i].parent});
  const auto before = [](const LargestCandidate& a, const LargestCandidate& b) { return RanksBefore(a, b); };
  std::sort(all.begin(), all.end(), before);
  std::sort(kept.begin(), kept.end(), before);
  for (std::size_t k = 0; k < kLargestCandidates; ++k) {
    ASSERT_EQ(kept[k].id, all[k].id) << k;
    ASSERT_EQ(kept[k].size, all[k].size) << k;
  }
  // Folders are never candidates.
  EntryList folders;
  folders.Add(Entry(40, 5, L"docs", true));
  EXPECT_TRUE(folders.largest().empty());
}

TEST(EntryList, AppendAddsTheOtherEntriesAndEmptiesIt) {
  EntryList first;
  first.Add(Entry(40, 5, L"one"));
  first.Add(Entry(41, 5, L"two"), kSizesFromName);
  EntryList second;
  second.Add(Entry(90, 5, L"three"), kWofTagged | kWofAllocated);
  second.Add(Entry(91, 90, L"four", true));
  first.Append(std::move(second));
  EXPECT_EQ(Names(first), (std::vector<std::wstring>{L"one", L"two", L"three", L"four"}));
  EXPECT_EQ(first[3].id, 91u);
  EXPECT_TRUE(first[3].IsFolder());
  EXPECT_EQ(first[1].Flags(), kSizesFromName);
  EXPECT_EQ(first[2].Flags(), kWofTagged | kWofAllocated);
  EXPECT_EQ(first.folder_items(), std::vector<std::uint32_t>{3});
  EXPECT_TRUE(second.empty());
  EXPECT_EQ(second.name_units(), 0u);

  // Into a list that holds nothing yet the other is taken over whole.
  EntryList empty;
  empty.Append(std::move(first));
  EXPECT_EQ(Names(empty), (std::vector<std::wstring>{L"one", L"two", L"three", L"four"}));
  EXPECT_TRUE(first.empty());
}

TEST(ScanSliceMerge, AppendsEntriesAndKeptRecordsAndTakesOverflowMaxima) {
  ScanSlice a;
  a.entries.Add(Entry(40, 5, L"a"));
  a.overflow_sizes[70] = OverflowSizes{100, 50};
  a.overflow_sizes[71] = OverflowSizes{1, 1};
  a.pending.push_back(PendingBase{80, {1, 2}, {}});
  ScanSlice b;
  b.entries.Add(Entry(41, 5, L"b"));
  b.overflow_sizes[70] = OverflowSizes{60, 90};
  b.overflow_sizes[72] = OverflowSizes{3, 4};
  b.extension_records.push_back(ExtensionRecord{81, 80, {3}});
  b.pending.push_back(PendingBase{82, {}, {81}});

  Merge(a, std::move(b));
  EXPECT_EQ(Names(a.entries), (std::vector<std::wstring>{L"a", L"b"}));
  ASSERT_EQ(a.overflow_sizes.size(), 3u);
  EXPECT_EQ(a.overflow_sizes[70].size, 100);
  EXPECT_EQ(a.overflow_sizes[70].alloc, 90);
  EXPECT_EQ(a.overflow_sizes[72].alloc, 4);
  EXPECT_FALSE(a.overflow_sizes[70].wof_tagged);
  EXPECT_EQ(a.overflow_sizes[70].wof_alloc, -1);
  ASSERT_EQ(a.pending.size(), 2u);
  EXPECT_EQ(a.pending[1].id, 82);
  ASSERT_EQ(a.extension_records.size(), 1u);
  EXPECT_EQ(a.extension_records[0].base, 80);
  EXPECT_TRUE(b.entries.empty() && b.overflow_sizes.empty() && b.pending.empty() && b.extension_records.empty());
}

TEST(ScanSliceMerge, KeptRecordsAloneLeaveTheEntriesAndJoinTheHalvesOfAWofFile) {
  ScanSlice kept;
  ScanSlice a;
  a.entries.Add(Entry(40, 5, L"a"));
  a.overflow_sizes[70] = OverflowSizes{.wof_tagged = true};
  ScanSlice b;
  b.overflow_sizes[70] = OverflowSizes{.size = 10, .alloc = 20, .wof_alloc = 4096};
  b.pending.push_back(PendingBase{82, {}, {}});
  MergeKeptRecords(kept, a);
  MergeKeptRecords(kept, b);
  EXPECT_EQ(a.entries.size(), 1u);  // the entries stay where they are
  EXPECT_TRUE(kept.entries.empty());
  ASSERT_EQ(kept.overflow_sizes.size(), 1u);
  EXPECT_TRUE(kept.overflow_sizes[70].wof_tagged);
  EXPECT_EQ(kept.overflow_sizes[70].wof_alloc, 4096);
  EXPECT_EQ(kept.overflow_sizes[70].size, 10);
  EXPECT_EQ(kept.pending.size(), 1u);
  EXPECT_TRUE(a.overflow_sizes.empty() && b.overflow_sizes.empty() && b.pending.empty());
}

}  // namespace
}  // namespace tw
