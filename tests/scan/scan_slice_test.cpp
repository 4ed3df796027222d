#include "scan/scan_slice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
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
    list.Add(Entry(static_cast<std::int64_t>(i + 16), 5,
                   std::wstring(i % 2 ? 255 : 3, static_cast<wchar_t>(L'a' + i % 26))));
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

TEST(EntryList, ManyExtensionsMetAgainAndAgainKeepTheirSlots) {
  // More extensions than the list remembers at hand, met in turn: every
  // file's slot is its own extension's, and each slot counts its files.
  EntryList list;
  constexpr int kExtensions = 3000;
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds; ++round) {
    for (int e = 0; e < kExtensions; ++e) {
      const int k = (e * 7 + round) % kExtensions;
      list.Add(Entry(16 + round * kExtensions + e, 5, L"f." + std::to_wstring(k), false, 1));
    }
  }
  ASSERT_EQ(list.extensions().size(), static_cast<std::size_t>(kExtensions));
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::u16string_view name = list.Name(list[i]);
    ASSERT_EQ(list.extensions()[list[i].extension], name.substr(1)) << i;
  }
  for (const SlotTotal& total : list.slot_totals()) EXPECT_EQ(total.files, kRounds);
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

TEST(LargestCandidates, SortByRankIsTheComparisonSortsOrder) {
  // Few and many, with ties on size, negative and huge sizes, and record
  // numbers that use every bit.
  std::mt19937_64 rng(7);
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{50000}}) {
    std::vector<LargestCandidate> candidates(count);
    for (LargestCandidate& c : candidates) {
      switch (rng() % 4) {
        case 0:
          c.size = static_cast<std::int64_t>(rng() % 8);
          break;
        case 1:
          c.size = -static_cast<std::int64_t>(rng() % 1000);
          break;
        case 2:
          c.size = static_cast<std::int64_t>(rng() >> 1);
          break;
        default:
          c.size = static_cast<std::int64_t>(rng() % 100000) << 12;
          break;
      }
      c.id = static_cast<std::uint32_t>(rng());
      c.parent = static_cast<std::uint32_t>(rng() % 100);
    }
    std::vector<LargestCandidate> expected = candidates;
    std::sort(expected.begin(), expected.end(), RanksBefore);
    SortByRank(candidates);
    ASSERT_EQ(candidates.size(), expected.size());
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_EQ(candidates[i].size, expected[i].size) << i;
      ASSERT_EQ(candidates[i].id, expected[i].id) << i;
      ASSERT_EQ(candidates[i].parent, expected[i].parent) << i;
    }
  }
}

TEST(ParentGroups, ConsecutiveRecordNumbersWithTheRootAndEveryFolderInTheFirst) {
  const ParentGroups groups{7, 1000};
  // Each group starts at First(g), so that a parent's group and the group
  // whose range holds it agree, at every boundary.
  for (std::uint32_t g = 1; g < groups.count; ++g) {
    const auto first = static_cast<std::uint32_t>(groups.First(g));
    EXPECT_EQ(groups.Of(first), g);
    EXPECT_EQ(groups.Of(first - 1), g - 1);
  }
  EXPECT_EQ(groups.Of(0), 0u);
  EXPECT_EQ(groups.Of(999), 6u);
  EXPECT_EQ(groups.Of(5000000), 6u);  // past the span: the last group
  // With a span so small that record 5 lies in a later group, the root's
  // own files still go to the first.
  const ParentGroups tiny{64, 20};
  EXPECT_EQ(tiny.Of(5), 0u);
  EXPECT_EQ(tiny.Of(6), 19u);
  EXPECT_EQ(ParentGroups::For(1000).count, 1u);
  EXPECT_EQ(ParentGroups::For(1000000).count, 61u);
  EXPECT_EQ(ParentGroups::For(std::int64_t{1} << 31).count, 256u);
}

TEST(EntryList, EachGroupFillsChunksOfItsOwnAndEveryItemIsReached) {
  EntryList list(ParentGroups{4, 400});
  list.Add(Entry(5, 5, L".", true));
  for (std::int64_t id = 16; id < 16 + 3 * static_cast<std::int64_t>(EntryList::kItemsPerChunk); ++id) {
    list.Add(Entry(id, id % 400, L"f" + std::to_wstring(id)));
  }
  list.Add(Entry(300, 250, L"folder", true));
  std::vector<std::size_t> per_group(4, 0);
  for (std::size_t k = 0; k < list.item_chunk_count(); ++k) {
    const EntryItem* items = list.ChunkItems(k);
    for (std::uint32_t i = 0; i < list.ChunkFill(k); ++i) {
      // Folders go with the first group; files with their parent's.
      ASSERT_EQ(list.ChunkGroup(k), items[i].IsFolder() ? 0u : list.groups().Of(items[i].parent));
      ++per_group[list.ChunkGroup(k)];
    }
  }
  EXPECT_EQ(per_group[0] + per_group[1] + per_group[2] + per_group[3], list.size());
  EXPECT_GT(per_group[3], 0u);
  std::size_t reached = 0;
  list.ForEachItem([&](const EntryItem&) { ++reached; });
  EXPECT_EQ(reached, list.size());
  // Folder positions find the folders wherever their chunk lies.
  ASSERT_EQ(list.folder_items().size(), 2u);
  EXPECT_EQ(list[list.folder_items()[1]].id, 300u);
  EXPECT_EQ(list.Entry(list[list.folder_items()[1]]).name, L"folder");
  // Appended into a list grouped otherwise, the entries are grouped anew.
  EntryList one;
  one.Append(std::move(list));
  EXPECT_EQ(one.size(), reached);
  EXPECT_EQ(one.item_chunk_count(), 4u);
  EXPECT_TRUE(list.empty());
}

TEST(SlotTotal, BytesAreExactWhateverTheOrderAndHeldAtTheLimit) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  SlotTotal total;
  total.Add(kMax);
  total.Add(kMax);
  EXPECT_EQ(total.Bytes(), kMax);  // past 64 bits, held there
  total.Remove(kMax);
  EXPECT_EQ(total.Bytes(), kMax);
  total.Remove(kMax - 5);
  EXPECT_EQ(total.Bytes(), 5);  // and back, exactly
  SlotTotal other;
  other.Add(kMax - 2);
  other.files = 2;
  total.Add(other);
  EXPECT_EQ(total.Bytes(), kMax);
  total.Remove(10);
  EXPECT_EQ(total.Bytes(), kMax - 7);
  EXPECT_EQ(total.files, 2);
  // A list keeps its slots' totals as files come, and follows a size changed.
  EntryList list;
  list.Add(Entry(40, 5, L"a.txt", false, 100));
  list.Add(Entry(41, 5, L"b.txt", false, 20));
  list.Add(Entry(42, 5, L"c.dat", false, 3));
  ASSERT_EQ(list.slot_totals().size(), 2u);
  EXPECT_EQ(list.slot_totals()[list[0].extension].Bytes(), 120);
  EXPECT_EQ(list.slot_totals()[list[0].extension].files, 2);
  EXPECT_TRUE(list.largest_exact());
  list[1].size = 7;
  list.SizeChanged(list[1], 20);
  EXPECT_EQ(list.slot_totals()[list[0].extension].Bytes(), 107);
  EXPECT_FALSE(list.largest_exact());
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
