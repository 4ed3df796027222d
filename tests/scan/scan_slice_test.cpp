#include "scan/scan_slice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tw {
namespace {

MftEntry Entry(std::int64_t id, std::int64_t parent, std::wstring name, bool folder = false, std::int64_t size = 0) {
  return MftEntry{id, parent, std::move(name), folder, size, size * 2, id * 10, 0x20};
}

std::vector<std::wstring> Names(const EntryList& list) {
  std::vector<std::wstring> names;
  for (const EntryItem& item : list.items) names.push_back(list.Entry(item).name);
  return names;
}

TEST(EntryList, KeepsEveryFieldAndTheNameAsUtf16Units) {
  EntryList list;
  // A surrogate pair stays two units; a lone surrogate stays as it is.
  const std::wstring odd = {L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                            static_cast<wchar_t>(0xDC00)};
  list.Add(Entry(40, 5, odd, false, 7));
  list.Add(Entry(41, 40, L"", true));
  list.Add(Entry(42, 40, std::wstring(255, L'x')));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.Name(list.items[0]).size(), 4u);
  const MftEntry first = list.Entry(list.items[0]);
  EXPECT_EQ(first.name, odd);
  EXPECT_EQ(first.id, 40);
  EXPECT_EQ(first.parent_id, 5);
  EXPECT_EQ(first.size, 7);
  EXPECT_EQ(first.alloc, 14);
  EXPECT_EQ(first.mtime, 400);
  EXPECT_EQ(first.attributes, 0x20u);
  EXPECT_FALSE(first.is_directory);
  EXPECT_TRUE(list.Entry(list.items[1]).is_directory);
  EXPECT_EQ(list.Entry(list.items[1]).name, L"");
  EXPECT_EQ(list.Entry(list.items[2]).name, std::wstring(255, L'x'));

  list.Rename(list.items[1], L"found");
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{odd, L"found", std::wstring(255, L'x')}));
  // An item whose name lies outside the arena reads as no name.
  EntryItem stray = list.items[0];
  stray.name_offset = static_cast<std::uint32_t>(list.names.size());
  EXPECT_TRUE(list.Name(stray).empty());
}

TEST(EntryList, AppendShiftsTheOtherNamesAndEmptiesIt) {
  EntryList first;
  first.Add(Entry(40, 5, L"one"));
  first.Add(Entry(41, 5, L"two"));
  EntryList second;
  second.Add(Entry(90, 5, L"three"));
  second.Add(Entry(91, 90, L"four", true));
  first.Append(std::move(second));
  EXPECT_EQ(Names(first), (std::vector<std::wstring>{L"one", L"two", L"three", L"four"}));
  EXPECT_EQ(first.items[3].id, 91);
  EXPECT_TRUE(second.empty());
  EXPECT_TRUE(second.names.empty());

  // Into a list that holds nothing yet the other is taken over whole.
  EntryList empty;
  empty.Append(std::move(first));
  EXPECT_EQ(Names(empty), (std::vector<std::wstring>{L"one", L"two", L"three", L"four"}));
  // Into a reserved list it is copied in, names still found.
  EntryList reserved;
  reserved.items.reserve(8);
  reserved.names.reserve(64);
  reserved.Append(std::move(empty));
  EXPECT_EQ(Names(reserved), (std::vector<std::wstring>{L"one", L"two", L"three", L"four"}));
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
  ASSERT_EQ(a.pending.size(), 2u);
  EXPECT_EQ(a.pending[1].id, 82);
  ASSERT_EQ(a.extension_records.size(), 1u);
  EXPECT_EQ(a.extension_records[0].base, 80);
  EXPECT_TRUE(b.entries.empty() && b.overflow_sizes.empty() && b.pending.empty() && b.extension_records.empty());
}

}  // namespace
}  // namespace tw
