#include "store/scan_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "format/utc_time.h"
#include "store/scan_memory.h"
#include "store/snapshot.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ScanResultBuilder;

constexpr std::uint64_t kSerial = 0x00C0FFEE12345678;
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kStart = 1704067200;  // 2024-01-01T00:00:00Z

ResultGeneration Scan(std::int64_t scanned_at, std::uint64_t serial = kSerial) {
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFile(30, 100, L"a.txt", 100 + scanned_at % 1000);
  ScanResult r = b.Finish();
  r.volume_serial = serial;
  r.scanned_at = scanned_at;
  return MakeGeneration(std::move(r));
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class ScanHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::path(::testing::TempDir()) /
            (std::string("tarnwick-history-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    fs::create_directories(base_);
    folder_ = (base_ / "scans").string();
  }
  void TearDown() override { fs::remove_all(base_); }

  // The file names of the scans of these times, sorted.
  std::vector<std::string> FilesOf(std::initializer_list<std::int64_t> times) const {
    std::vector<std::string> names;
    for (const std::int64_t t : times) names.push_back(fs::path(KeptScanPath(folder_, kSerial, t)).filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path base_;
  std::string folder_;
};

TEST(PlaceScans, EachPlaceTakesTheLatestScanOldEnough) {
  const std::vector<std::int64_t> times = {kStart,           kStart + 400 * kDay, kStart + 440 * kDay,
                                           kStart + 448 * kDay, kStart + 449 * kDay, kStart + 449 * kDay + kHour};
  const HistoryPlaces p = PlaceScans(times, 5);
  EXPECT_EQ(p[kPlaceNewest], 5u);
  EXPECT_EQ(p[kPlaceDay], 3u) << "448 days: the latest a full day older";
  EXPECT_EQ(p[kPlaceWeek], 2u);
  EXPECT_EQ(p[kPlaceMonth], 1u);
  EXPECT_EQ(p[kPlaceYear], 0u);

  // Exactly a day older counts; a second less does not.
  EXPECT_EQ(PlaceScans(std::vector<std::int64_t>{0, kDay}, 1)[kPlaceDay], 0u);
  EXPECT_EQ(PlaceScans(std::vector<std::int64_t>{1, kDay}, 1)[kPlaceDay], std::nullopt);
  // One scan fills every place it is old enough for.
  const HistoryPlaces alone = PlaceScans(std::vector<std::int64_t>{kStart, kStart + 400 * kDay}, 1);
  for (const std::size_t place : {kPlaceDay, kPlaceWeek, kPlaceMonth, kPlaceYear}) EXPECT_EQ(alone[place], 0u);
  // The newest is the scan named, even when another claims a later time
  // (a clock set back): that one fills no place.
  const HistoryPlaces back = PlaceScans(std::vector<std::int64_t>{kStart + 10 * kDay, kStart}, 1);
  EXPECT_EQ(back[kPlaceNewest], 1u);
  EXPECT_EQ(back[kPlaceDay], std::nullopt);
  // Extreme times neither overflow nor count as old enough.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(PlaceScans(std::vector<std::int64_t>{kMin, kMax}, 1)[kPlaceYear], 0u);
  EXPECT_EQ(PlaceScans(std::vector<std::int64_t>{kMax, kMin}, 1)[kPlaceDay], std::nullopt);
  EXPECT_EQ(PlaceScans(std::vector<std::int64_t>{}, 0)[kPlaceNewest], std::nullopt);
}

// Scans arriving 400 days, 40 days, 8 days, a day and an hour apart, then
// a day, eight days and forty days apart again: after each, the folder
// holds the files of the scans that fill a place, never more than five.
TEST_F(ScanHistory, RememberingKeepsTheScansThatFillAPlace) {
  const std::int64_t t0 = kStart, t1 = t0 + 400 * kDay, t2 = t1 + 40 * kDay, t3 = t2 + 8 * kDay, t4 = t3 + kDay,
                     t5 = t4 + kHour, t6 = t5 + kDay, t7 = t6 + 8 * kDay, t8 = t7 + 40 * kDay;
  const struct {
    std::int64_t time;
    std::vector<std::string> kept;
  } steps[] = {
      {t0, FilesOf({t0})},
      {t1, FilesOf({t1, t0})},
      {t2, FilesOf({t2, t1, t0})},
      {t3, FilesOf({t3, t2, t1, t0})},
      {t4, FilesOf({t4, t3, t2, t1, t0})},
      {t5, FilesOf({t5, t3, t2, t1, t0})},  // t4 fills no place: the day's is t3
      {t6, FilesOf({t6, t5, t2, t1, t0})},  // t5 a day old; the week's still t2
      {t7, FilesOf({t7, t6, t1, t0})},      // t6 fills both day and week; t1 the month
      {t8, FilesOf({t8, t7, t0})},          // t7 fills day, week and month; t0 the year
  };
  for (const auto& step : steps) {
    const RememberedScan m = RememberScan(folder_, Scan(step.time), 10);
    ASSERT_TRUE(m.saved) << m.problem;
    EXPECT_EQ(m.problem, "");
    const std::vector<std::string> names = Names(folder_);
    EXPECT_EQ(names, step.kept) << "after the scan of " << UtcStamp(step.time);
    EXPECT_LE(names.size(), kHistoryPlaceCount);
    // Every kept file is private, not only the newest.
    for (const std::string& name : names) {
      EXPECT_EQ(fs::status(fs::path(folder_) / name).permissions() & fs::perms::mask,
                fs::perms::owner_read | fs::perms::owner_write)
          << name;
    }
  }
}

TEST_F(ScanHistory, ListingFindsThisVolumesScansNewestFirstAndTheEarlierSingleFile) {
  EXPECT_TRUE(ListKeptScans(folder_, kSerial).empty()) << "a missing folder holds none";
  fs::create_directory(folder_);
  std::string error;
  ScanResult single = ScanResult(*Scan(kStart + 3 * kDay));
  ASSERT_TRUE(SaveSnapshotFile(SnapshotPathFor(folder_, kSerial), single, error)) << error;
  ASSERT_TRUE(SaveSnapshotFile(KeptScanPath(folder_, kSerial, kStart), *Scan(kStart), error)) << error;
  ASSERT_TRUE(SaveSnapshotFile(KeptScanPath(folder_, kSerial, kStart + kDay), *Scan(kStart + kDay), error)) << error;
  // Another volume's, a single file holding another volume, names that only
  // look alike, a folder with a kept scan's name.
  ASSERT_TRUE(SaveSnapshotFile(KeptScanPath(folder_, kSerial + 1, kStart), *Scan(kStart, kSerial + 1), error));
  ASSERT_TRUE(SaveSnapshotFile(SnapshotPathFor(folder_, kSerial + 2), *Scan(kStart, kSerial + 3), error));
  for (const char* name : {"volume-00C0FFEE12345678-20240101T00000.twsnap",
                           "volume-00C0FFEE12345678-20240230T000000.twsnap", "volume-00c0ffee12345678.twsnap",
                           "volume-00C0FFEE12345678-20240101T000000.twsnap.tmp", "notes.txt"}) {
    std::ofstream(fs::path(folder_) / name) << "x";
  }
  fs::create_directory(KeptScanPath(folder_, kSerial, kStart + 9 * kDay));

  const std::vector<KeptScan> kept = ListKeptScans(folder_, kSerial);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].path, SnapshotPathFor(folder_, kSerial));
  EXPECT_EQ(kept[0].scanned_at, kStart + 3 * kDay) << "read from the file";
  EXPECT_EQ(kept[1].path, folder_ + "/volume-00C0FFEE12345678-20240102T000000.twsnap");
  EXPECT_EQ(kept[1].scanned_at, kStart + kDay);
  EXPECT_EQ(kept[2].scanned_at, kStart);
  EXPECT_EQ(kept[2].size, fs::file_size(kept[2].path));
  EXPECT_TRUE(ListKeptScans(folder_, kSerial + 2).empty()) << "its single file holds another volume";
  EXPECT_EQ(ListKeptScans(folder_, kSerial + 1).size(), 1u);

  // Every remembered file counts, of every volume; temporaries and the rest do not.
  std::uint64_t bytes = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(folder_)) {
    const std::string name = e.path().filename();
    if (e.is_regular_file() && name.starts_with("volume-") && name.ends_with(".twsnap")) bytes += e.file_size();
  }
  EXPECT_EQ(RememberedBytes(folder_), bytes);
  EXPECT_GT(bytes, 4 * kept[2].size);
}

// The single file of earlier versions is the previous scan the first time;
// it is deleted once it fills no place, and kept while it does.
TEST_F(ScanHistory, TheEarlierSingleFileIsComparedThenJoinsTheHistory) {
  fs::create_directory(folder_);
  std::string error;
  ASSERT_TRUE(SaveSnapshotFile(SnapshotPathFor(folder_, kSerial), *Scan(kStart), error)) << error;
  const RememberedScan week = RememberScan(folder_, Scan(kStart + 8 * kDay), 10);
  ASSERT_EQ(week.previous_scan, PreviousScan::kCompared) << week.problem;
  ASSERT_EQ(week.earlier.size(), 1u);
  EXPECT_EQ(week.earlier[0].path, SnapshotPathFor(folder_, kSerial)) << "it fills the day and week places";
  EXPECT_EQ(Names(folder_), (std::vector<std::string>{"volume-00C0FFEE12345678-20240109T000000.twsnap",
                                                      "volume-00C0FFEE12345678.twsnap"}));
  const RememberedScan hour = RememberScan(folder_, Scan(kStart + 8 * kDay + kHour), 10);
  ASSERT_EQ(hour.earlier.size(), 2u);
  EXPECT_EQ(hour.earlier[0].path, "") << "an hour old, it fills no place: deleted";
  EXPECT_EQ(hour.earlier[1].path, SnapshotPathFor(folder_, kSerial));
  ASSERT_TRUE(hour.changes) << hour.problem;
  EXPECT_EQ(hour.changes->old_scan->scanned_at, kStart + 8 * kDay) << "compared with the newest kept";
  EXPECT_EQ(Names(folder_), (std::vector<std::string>{"volume-00C0FFEE12345678-20240109T010000.twsnap",
                                                      "volume-00C0FFEE12345678.twsnap"}));
}

// Only what holds a place besides the new scan, and other volumes' scans,
// count towards the room the new one needs.
TEST(HasRoomForSnapshot, CountsEveryRememberedScan) {
  // 100 written, then twice the 300 remembered left free.
  EXPECT_TRUE(HasRoomForSnapshot(700, 100, 200));
  EXPECT_FALSE(HasRoomForSnapshot(699, 100, 200));
  EXPECT_FALSE(HasRoomForSnapshot(std::numeric_limits<std::uint64_t>::max(), 1,
                                  std::numeric_limits<std::uint64_t>::max()));
}

}  // namespace
}  // namespace tw
