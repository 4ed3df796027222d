// Tree building from the lists of several parse threads, their files in
// groups by parent record number, on several threads: the result must be the
// one a single list of the same entries gives, whatever the split, the
// grouping and the thread count, for every file and folder, the extension
// statistics and the largest files.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tree_builder.h"
#include "support/result_invariants.h"

namespace tw {
namespace {

// A volume's parsed entries in record order, with the overflow sizes of some.
struct Volume {
  std::vector<MftEntry> entries;
  IdMap<OverflowSizes> overflow;
  std::vector<std::uint32_t> flags;  // by entry
};

// Folders in a tree over record numbers up to `records`, files under them and
// under the root, and files whose parent is unknown: no folder, 0, or past
// every record. Sizes repeat so that ties are settled by record number.
Volume MakeVolume(std::uint32_t seed, std::int64_t records, std::int64_t folders_every) {
  std::mt19937 rng(seed);
  Volume v;
  std::vector<std::int64_t> folders{kRootId};
  const wchar_t* extensions[] = {L".txt", L".JPG", L"", L".jpg", L".dll", L".tar.gz"};
  for (std::int64_t id = 0; id < records; ++id) {
    if (id == kRootId) {
      v.entries.push_back(MftEntry{id, kRootId, L".", true, 0, 0, 7, 0x16});
      v.flags.push_back(0);
      continue;
    }
    if (id % folders_every == 3) {
      const std::int64_t parent = folders[rng() % folders.size()];
      v.entries.push_back(MftEntry{id, parent, L"d" + std::to_wstring(id), true, 0, 0, id, 0x10});
      v.flags.push_back(0);
      folders.push_back(id);
      continue;
    }
    if (rng() % 9 == 0) continue;  // not in use
    std::int64_t parent = folders[rng() % folders.size()];
    switch (rng() % 40) {
      case 0:
        parent = 0;
        break;
      case 1:
        parent = id + 1;
        break;  // a file, not a folder
      case 2:
        parent = records + 1000;
        break;
      case 3:
        parent = kRootId;
        break;
      default:
        break;
    }
    const std::int64_t size = static_cast<std::int64_t>(rng() % 5000) * 512;
    v.entries.push_back(MftEntry{id, parent, L"f" + std::to_wstring(id) + extensions[rng() % 6], false, size,
                                 size + 512, id * 3, 0x20});
    v.flags.push_back(rng() % 17 == 0 ? kSizesFromName : 0);
    if (rng() % 23 == 0) {
      // Raised, or (for a file whose sizes were its name's) lowered.
      v.overflow[id] =
          OverflowSizes{.size = size / 3 + static_cast<std::int64_t>(rng() % 900000), .alloc = size + 4096};
    }
  }
  return v;
}

// The entries in one list, as one thread would have them.
std::vector<EntryList> OneList(const Volume& v) {
  std::vector<EntryList> lists(1);
  for (std::size_t i = 0; i < v.entries.size(); ++i) lists[0].Add(v.entries[i], v.flags[i]);
  return lists;
}

// The entries in `count` lists grouped as given, windows of `window` records
// dealt out in record order as parse threads take them, and a last list
// (the records named from their extension records) holding every
// `late_every`-th entry, out of order.
std::vector<EntryList> Split(const Volume& v, std::size_t count, std::int64_t window, const ParentGroups& groups,
                             std::size_t late_every) {
  std::vector<EntryList> lists;
  for (std::size_t k = 0; k <= count; ++k) lists.emplace_back(groups);
  std::mt19937 rng(99);
  std::vector<std::size_t> late;
  for (std::size_t i = 0; i < v.entries.size(); ++i) {
    if (late_every > 0 && i % late_every == 1) {
      late.push_back(i);
      continue;
    }
    lists[static_cast<std::size_t>(v.entries[i].id / window + rng() % 2) % count].Add(v.entries[i], v.flags[i]);
  }
  std::reverse(late.begin(), late.end());
  for (const std::size_t i : late) lists[count].Add(v.entries[i], v.flags[i]);
  return lists;
}

ScanResult Build(std::vector<EntryList>& lists, const Volume& v, std::int32_t threads) {
  TreeInput input;
  for (EntryList& list : lists) input.lists.push_back(&list);
  input.overflow = &v.overflow;
  input.threads = threads;
  return BuildScanResult(input, L"D");
}

// The test's names are ASCII.
template <typename View>
std::string Text(const View& units) {
  std::string text;
  for (const auto unit : units) text.push_back(static_cast<char>(unit));
  return text;
}

// Everything a result says, names as text (their places in the arena depend
// on the lists).
std::string Digest(const ScanResult& r) {
  std::ostringstream out;
  for (const DirNode& d : r.folders) {
    out << d.id << ' ' << d.parent_id << ' ' << d.tree_parent_id << ' ' << Text(r.Name(d)) << ' ' << d.mtime << ' '
        << d.attributes << ' ' << d.direct_size << ' ' << d.direct_alloc << ' ' << d.direct_file_count << ' '
        << d.total_size << ' ' << d.total_alloc << ' ' << d.total_file_count << ' ' << d.total_folder_count << ' '
        << d.first_file << ' ' << d.file_count << " [";
    for (const std::int64_t child : r.Children(d)) out << child << ' ';
    out << "]\n";
  }
  for (const FileItem& f : r.files) {
    out << f.id << ' ' << f.folder << ' ' << f.size << ' ' << f.alloc << ' ' << f.mtime << ' ' << f.attributes << ' '
        << f.extension << ' ' << Text(r.Name(f)) << '\n';
  }
  for (const ExtStat& e : r.extensions) out << Text(e.extension) << ' ' << e.total_size << ' ' << e.file_count << '\n';
  for (const std::uint32_t k : r.largest_files) out << r.files.at(k).id << '\n';
  out << '\n' << r.file_count << ' ' << r.folder_count << ' ' << r.root_total_size << ' ' << r.folder_index.size();
  return out.str();
}

// "" when the digests agree, else the first line where they part.
std::string FirstDifference(const std::string& a, const std::string& b) {
  if (a == b) return {};
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  const std::size_t from = a.rfind('\n', static_cast<std::size_t>(at.first - a.begin())) + 1;
  const auto line = [from](const std::string& s) { return s.substr(from, s.find('\n', from) - from); };
  return line(a) + " | " + line(b);
}

TEST(GroupedTreeBuilding, AnySplitGroupingAndThreadCountGivesTheResultOfOneList) {
  const Volume v = MakeVolume(7, 60000, 13);
  std::vector<EntryList> one = OneList(v);
  const ScanResult reference = Build(one, v, 1);
  ASSERT_TRUE(test::CheckResultInvariants(reference).empty());
  ASSERT_GT(reference.FindFolder(kRootId)->file_count, 100u);  // the root's own and taken-in files
  const std::string expected = Digest(reference);
  struct Case {
    std::size_t lists;
    std::int64_t window;
    std::uint32_t groups;
    std::size_t late_every;
    std::int32_t threads;
  };
  for (const Case c : {Case{2, 4096, 3, 0, 2}, Case{3, 1000, 7, 50, 2}, Case{5, 512, 64, 9, 3}, Case{1, 60000, 2, 2, 1},
                       Case{4, 2048, 256, 0, 8}}) {
    SCOPED_TRACE(testing::Message() << c.lists << " lists, " << c.groups << " groups, " << c.threads << " threads");
    std::vector<EntryList> lists = Split(v, c.lists, c.window, ParentGroups{c.groups, 60000}, c.late_every);
    const ScanResult built = Build(lists, v, c.threads);
    EXPECT_EQ(FirstDifference(Digest(built), expected), "");
    for (const EntryList& list : lists) EXPECT_EQ(list.item_chunk_count(), 0u);  // every chunk let go
  }
}

TEST(GroupedTreeBuilding, MoreFilesThanTheLargestKeptAndSizesTheOverflowLowered) {
  // More files than the largest kept, so that the lists' own best decide,
  // with files whose overflow sizes lower them (their list's best are then
  // not taken as they are).
  Volume v = MakeVolume(11, static_cast<std::int64_t>(kLargestFilesKept) * 3 / 2, 40);
  std::vector<EntryList> one = OneList(v);
  const std::string expected = Digest(Build(one, v, 1));
  std::vector<EntryList> lists = Split(v, 3, 4096, ParentGroups::For(static_cast<std::int64_t>(v.entries.size())), 0);
  EXPECT_EQ(FirstDifference(Digest(Build(lists, v, 2)), expected), "");
  // Only raised: the lists' best stand.
  for (auto& [id, sizes] : v.overflow) sizes.size = std::int64_t{1} << 40;
  for (std::uint32_t& flags : v.flags) flags = 0;
  std::vector<EntryList> raised_one = OneList(v);
  const ScanResult raised = Build(raised_one, v, 1);
  std::vector<EntryList> raised_lists = Split(v, 2, 4096, ParentGroups{16, 200000}, 0);
  EXPECT_EQ(FirstDifference(Digest(Build(raised_lists, v, 2)), Digest(raised)), "");
  EXPECT_EQ(raised.files.at(raised.largest_files.at(0)).size, std::int64_t{1} << 40);
}

TEST(GroupedTreeBuilding, AFileTheOverflowSizesLowerLetsTheNextBestIn) {
  // One list of more than twice the candidates it keeps, largest first, so
  // that it ends with its best alone; its largest file turns out to be tiny.
  const std::int64_t count = 2 * static_cast<std::int64_t>(kLargestCandidates) + 5000;
  Volume v;
  v.entries.push_back(MftEntry{kRootId, kRootId, L".", true, 0, 0, 0, 0});
  v.flags.push_back(0);
  for (std::int64_t id = 16; id < count + 16; ++id) {
    v.entries.push_back(MftEntry{id, kRootId, L"f", false, count + 100 - id, 1, 0, 0});
    v.flags.push_back(0);
  }
  Volume lowered = v;
  lowered.flags[1] = kSizesFromName;
  lowered.overflow[16] = OverflowSizes{.size = 1, .alloc = 1};
  v.entries[1].size = 1;
  std::vector<EntryList> direct = OneList(v);
  std::vector<EntryList> later = OneList(lowered);
  const ScanResult expected = Build(direct, v, 1);
  const ScanResult built = Build(later, lowered, 2);
  EXPECT_EQ(FirstDifference(Digest(built), Digest(expected)), "");
  ASSERT_EQ(built.largest_files.size(), kLargestFilesKept);
  EXPECT_EQ(built.files[built.largest_files.back()].id, 16 + kLargestFilesKept);
}

TEST(GroupedTreeBuilding, TwoFilesOfOneRecordInAFolderKeepTheirOrder) {
  Volume v;
  v.entries = {MftEntry{5, 5, L".", true, 0, 0, 0, 0}, MftEntry{40, 5, L"d", true, 0, 0, 0, 0},
               MftEntry{41, 40, L"second", false, 9, 9, 0, 0}, MftEntry{42, 40, L"x", false, 1, 1, 0, 0},
               MftEntry{41, 40, L"first", false, 9, 9, 0, 0}};
  v.flags.assign(v.entries.size(), 0);
  std::vector<EntryList> one = OneList(v);
  const ScanResult r = Build(one, v, 2);
  const DirNode& d = *r.FindFolder(40);
  ASSERT_EQ(d.file_count, 3u);
  EXPECT_EQ(r.Name(r.files[d.first_file]), u"second");  // the name met first
  EXPECT_EQ(r.Name(r.files[d.first_file + 1]), u"first");
  ASSERT_EQ(r.largest_files.size(), 3u);
  EXPECT_EQ(r.files[r.largest_files[0]].id, 41u);
  EXPECT_EQ(r.files[r.largest_files[1]].id, 41u);
  EXPECT_NE(r.largest_files[0], r.largest_files[1]);
}

TEST(GroupedTreeBuilding, ListsGroupedApartAreRegroupedAndSizesChangedAfterParsingStillRank) {
  const Volume v = MakeVolume(3, 20000, 11);
  std::vector<EntryList> one = OneList(v);
  const std::string expected = Digest(Build(one, v, 1));
  std::vector<EntryList> mixed = Split(v, 2, 4096, ParentGroups{5, 20000}, 0);
  mixed[1] = std::move(Split(v, 2, 4096, ParentGroups{9, 20000}, 0)[1]);
  EXPECT_EQ(FirstDifference(Digest(Build(mixed, v, 2)), expected), "");

  // The overflow sizes applied to the slice before tree building: the
  // largest files follow the new sizes.
  ScanSlice slice;
  for (std::size_t i = 0; i < v.entries.size(); ++i) slice.entries.Add(v.entries[i], v.flags[i]);
  slice.overflow_sizes = v.overflow;
  ApplyOverflowSizes(slice);
  EXPECT_FALSE(slice.entries.largest_exact());
  EXPECT_EQ(FirstDifference(Digest(BuildScanResult(slice, L"D")), expected), "");
}

TEST(GroupedTreeBuilding, OneRecordInTwoFoldersAndFilesOutOfOrderAreListedWhole) {
  // Record 41 named in two folders, both among the largest; folder 50's
  // files arrive out of record order. Both copies of 41 are listed, each
  // where it lies, and every folder holds its files in record order.
  Volume v;
  v.entries = {MftEntry{5, 5, L".", true, 0, 0, 0, 0},          MftEntry{40, 5, L"a", true, 0, 0, 0, 0},
               MftEntry{50, 5, L"b", true, 0, 0, 0, 0},         MftEntry{41, 40, L"in a", false, 900, 900, 0, 0},
               MftEntry{44, 50, L"late", false, 3, 3, 0, 0},    MftEntry{43, 50, L"early", false, 7, 7, 0, 0},
               MftEntry{41, 50, L"in b", false, 900, 900, 0, 0}};
  v.flags.assign(v.entries.size(), 0);
  for (const std::int32_t threads : {1, 2}) {
    std::vector<EntryList> one = OneList(v);
    const ScanResult r = Build(one, v, threads);
    const DirNode& b = *r.FindFolder(50);
    ASSERT_EQ(b.file_count, 3u);
    EXPECT_EQ(r.files[b.first_file].id, 41u);
    EXPECT_EQ(r.files[b.first_file + 1].id, 43u);
    EXPECT_EQ(r.files[b.first_file + 2].id, 44u);
    EXPECT_EQ(b.direct_size, 910);
    ASSERT_EQ(r.largest_files.size(), 4u);
    const FileItem& first = r.files[r.largest_files[0]];
    const FileItem& second = r.files[r.largest_files[1]];
    EXPECT_EQ(first.id, 41u);
    EXPECT_EQ(second.id, 41u);
    EXPECT_NE(first.folder, second.folder);
    EXPECT_EQ(r.files[r.largest_files[2]].id, 43u);
    EXPECT_EQ(r.folders[0].total_size, 1810);
  }
}

}  // namespace
}  // namespace tw
