#include "search/matcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "search/query.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

constexpr std::int64_t kDay = 864000000000;
// 2025-01-01 00:00 UTC as a FILETIME.
constexpr std::int64_t kNewYear2025 = 133801632000000000;

// A small volume:
//   [C:]                 $MFT (4096), notes.txt (10), README (0)
//     Media              Holiday.ISO (2 GiB), disk.img (1 GiB + 1), photo.JPG (300)
//     Users
//       alice            archive.tar.gz (50), Straße.txt (7), x\xD83Dy (lone surrogate)
//     empty              (nothing: size 0)
ScanResult Volume() {
  test::ScanResultBuilder b;
  b.AddFolder(20, kRootId, L"Media").mtime = kNewYear2025;
  b.AddFolder(21, kRootId, L"Users");
  b.AddFolder(22, 21, L"alice");
  b.AddFolder(23, kRootId, L"empty");
  b.AddFile(kRootId, 0, L"$MFT", 4096).mtime = kNewYear2025 - 1;
  b.AddFile(kRootId, 100, L"notes.txt", 10).mtime = kNewYear2025 + kDay - 1;
  b.AddFile(kRootId, 101, L"README", 0);  // an unknown time
  b.AddFile(20, 102, L"Holiday.ISO", 2LL << 30).mtime = kNewYear2025 + kDay;
  b.AddFile(20, 103, L"disk.img", (1LL << 30) + 1).mtime = kNewYear2025 - kDay;
  b.AddFile(20, 104, L"photo.JPG", 300).mtime = 1;
  b.AddFile(22, 105, L"archive.tar.gz", 50);
  b.AddFile(22, 106, L"Straße.txt", 7);
  b.AddFile(22, 107, std::wstring(L"x") + wchar_t(0xD83D) + L"y", 1);
  return b.Finish();
}

// The names of the matches, files then folders, as FindMatches gives them.
std::vector<std::wstring> Names(const ScanResult& r, std::wstring_view text, std::int32_t threads = 1) {
  const ParsedQuery parsed = ParseQuery(text);
  EXPECT_TRUE(parsed.ok());
  std::vector<std::wstring> names;
  for (const SearchHit& hit : FindMatches(r, parsed.query, SearchOptions{threads, nullptr})) {
    const std::u16string_view name = HitName(r, hit);
    names.emplace_back(name.begin(), name.end());
  }
  return names;
}

using V = std::vector<std::wstring>;

// Runs with the local time zone set to `zone`, then puts the old one back.
class Zone {
 public:
  explicit Zone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~Zone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(Matcher, NamesFilesAndFoldersAlikeTheRootAndMetadataIncluded) {
  const ScanResult r = Volume();
  EXPECT_EQ(Names(r, L"a"), (V{L"README", L"Holiday.ISO", L"archive.tar.gz", L"Straße.txt", L"Media", L"alice"}));
  EXPECT_EQ(Names(r, L"$mft"), V{L"$MFT"});
  EXPECT_EQ(Names(r, L"\"[C\""), V{L"[C:]"});
  EXPECT_EQ(Names(r, L"STRASSE"), V{});
  EXPECT_EQ(Names(r, L"straße"), V{L"Straße.txt"});
  EXPECT_EQ(Names(r, L"*.txt"), (V{L"notes.txt", L"Straße.txt"}));
  EXPECT_EQ(Names(r, L"x?y"), V{std::wstring(L"x") + wchar_t(0xD83D) + L"y"});
  EXPECT_EQ(Names(r, L"i m"), (V{L"disk.img", L"Media"}));  // every word holds
  EXPECT_EQ(Names(r, L""), V{});
  EXPECT_EQ(Names(r, L"\"\"").size(), r.files.size() + r.folders.size());
}

TEST(Matcher, ExtensionsAreCaseBlindAndOnlyFilesHaveThem) {
  const ScanResult r = Volume();
  EXPECT_EQ(Names(r, L"ext:iso,img"), (V{L"Holiday.ISO", L"disk.img"}));
  EXPECT_EQ(Names(r, L"ext:.jpg"), V{L"photo.JPG"});
  EXPECT_EQ(Names(r, L"ext:gz"), V{L"archive.tar.gz"});
  EXPECT_EQ(Names(r, L"ext:"), (V{L"$MFT", L"README", std::wstring(L"x") + wchar_t(0xD83D) + L"y"}));  // no folder
  EXPECT_EQ(Names(r, L"ext:t*"), (V{L"notes.txt", L"Straße.txt"}));
  EXPECT_EQ(Names(r, L"ext:txt ext:iso"), V{});
  EXPECT_EQ(Names(r, L"ext:txt,iso no"), V{L"notes.txt"});
}

TEST(Matcher, SizesAtTheirBoundsFoldersByTheirTotals) {
  const ScanResult r = Volume();
  EXPECT_EQ(Names(r, L"size:>1G"), (V{L"Holiday.ISO", L"disk.img", L"[C:]", L"Media"}));
  EXPECT_EQ(Names(r, L"size:>=2G"), (V{L"Holiday.ISO", L"[C:]", L"Media"}));
  EXPECT_EQ(Names(r, L"size:>2G type:file"), V{});
  EXPECT_EQ(Names(r, L"size:<=0"), (V{L"README", L"empty"}));
  EXPECT_EQ(Names(r, L"size:<1"), (V{L"README", L"empty"}));
  EXPECT_EQ(Names(r, L"size:58 type:folder"), (V{L"Users", L"alice"}));
  EXPECT_EQ(Names(r, L"size:>=7 size:<=10 type:file"), (V{L"notes.txt", L"Straße.txt"}));
  EXPECT_EQ(Names(r, L"size:>9223372036854775807"), V{});
  EXPECT_EQ(Names(r, L"size:<0"), V{});
}

TEST(Matcher, ModifiedAgainstWholeLocalDays) {
  const ScanResult r = Volume();
  {
    const Zone utc("UTC0");
    EXPECT_EQ(Names(r, L"modified:<2025-01-01 type:file"), (V{L"$MFT", L"disk.img", L"photo.JPG"}));
    EXPECT_EQ(Names(r, L"modified:>2025-01-01"), V{L"Holiday.ISO"});  // after the day ends
    EXPECT_EQ(Names(r, L"modified:>=2025-01-01"), (V{L"notes.txt", L"Holiday.ISO", L"Media"}));
    EXPECT_EQ(Names(r, L"modified:<=2025-01-01 type:file"), (V{L"$MFT", L"notes.txt", L"disk.img", L"photo.JPG"}));
    EXPECT_EQ(Names(r, L"modified:2025-01-01"), (V{L"notes.txt", L"Media"}));
    EXPECT_EQ(Names(r, L"modified:2024-12-31"), (V{L"$MFT", L"disk.img"}));
    // An unknown time (0) never matches, however early the day.
    EXPECT_EQ(Names(r, L"modified:>=1601-01-01 type:file"),
              (V{L"$MFT", L"notes.txt", L"Holiday.ISO", L"disk.img", L"photo.JPG"}));
    EXPECT_EQ(Names(r, L"modified:<1601-01-02 type:file"), V{L"photo.JPG"});
  }
  {
    // Eight hours east of UTC the new year begins at 16:00 UTC the day
    // before: $MFT, a tick before UTC midnight, is then in 2025.
    const Zone east("CST-8");
    EXPECT_EQ(Names(r, L"modified:2025-01-01 type:file"), V{L"$MFT"});
    EXPECT_EQ(Names(r, L"modified:2025-01-02 type:file"), (V{L"notes.txt", L"Holiday.ISO"}));
    const TimeWindow day = TimeWindowOf({DateCondition{Comparison::kEqual, {2025, 1, 1}}});
    EXPECT_EQ(day.from, kNewYear2025 - 8 * kDay / 24);
    EXPECT_EQ(day.to, kNewYear2025 + 16 * kDay / 24 - 1);
  }
  const TimeWindow never = TimeWindowOf({DateCondition{Comparison::kLess, {2025, 1, 1}},
                                         DateCondition{Comparison::kGreater, {2025, 1, 1}}});
  EXPECT_GT(never.from, never.to);
}

TEST(Matcher, TypeAndTheEmptyQuery) {
  const ScanResult r = Volume();
  EXPECT_EQ(Names(r, L"type:folder"), (V{L"[C:]", L"Media", L"Users", L"alice", L"empty"}));
  EXPECT_EQ(Names(r, L"type:file").size(), r.files.size());
  EXPECT_EQ(Names(r, L"type:file type:folder"), V{});
  EXPECT_EQ(Names(r, L"   "), V{});
}

TEST(Matcher, TotalsCountFilesBytesAndFoldersApart) {
  const ScanResult r = Volume();
  const ParsedQuery parsed = ParseQuery(L"i");
  const std::vector<SearchHit> hits = FindMatches(r, parsed.query);
  const SearchTotals totals = TotalsOf(r, hits);
  // Holiday.ISO, disk.img, archive.tar.gz; Media and alice not added.
  EXPECT_EQ(totals, (SearchTotals{3, 2, (3LL << 30) + 1 + 50, (3LL << 30) + 1 + 50}));
  // Sums stay at the limit.
  ScanResult big = Volume();
  for (FileItem& f : big.files) f.size = f.alloc = std::numeric_limits<std::int64_t>::max() / 2;
  EXPECT_EQ(TotalsOf(big, FindMatches(big, ParseQuery(L"type:file").query)).file_size,
            std::numeric_limits<std::int64_t>::max());
}

TEST(Matcher, ThreadsShareTheWorkAndKeepTheOrder) {
  // Enough entries for several parts of 64K.
  test::ScanResultBuilder b;
  for (int k = 0; k < 40; ++k) b.AddFolder(100 + k, kRootId, L"dir" + std::to_wstring(k));
  for (int i = 0; i < 200000; ++i) {
    b.AddFile(100 + i % 40, 1000 + i, L"f" + std::to_wstring(i) + (i % 7 == 0 ? L".iso" : L".txt"), i);
  }
  const ScanResult& r = b.Finish();
  const Query q = ParseQuery(L"ext:iso 9").query;
  const std::vector<SearchHit> one = FindMatches(r, q, SearchOptions{1, nullptr});
  const std::vector<SearchHit> four = FindMatches(r, q, SearchOptions{4, nullptr});
  EXPECT_GT(one.size(), 1000u);
  EXPECT_EQ(one, four);
  const Query folders = ParseQuery(L"dir3").query;  // only folders: the last part
  EXPECT_EQ(FindMatches(r, folders, SearchOptions{4, nullptr}).size(), 11u);  // dir3, dir30..dir39

  const CancelFlag cancel;
  cancel.Cancel();
  EXPECT_TRUE(FindMatches(r, q, SearchOptions{2, &cancel}).empty());
}

}  // namespace
}  // namespace tw
