#include "scan/read_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tw {
namespace {

// A bitmap of `records` bits with the given ranges of records in use.
std::vector<std::uint8_t> Bitmap(std::int64_t records, const std::vector<MftWindow>& in_use) {
  std::vector<std::uint8_t> bits(static_cast<std::size_t>((records + 7) / 8), 0);
  for (const MftWindow& range : in_use) {
    for (std::int64_t n = range.first; n < range.first + range.count; ++n) {
      bits[static_cast<std::size_t>(n / 8)] |= static_cast<std::uint8_t>(1u << (n % 8));
    }
  }
  return bits;
}

bool Planned(const std::vector<MftWindow>& runs, std::int64_t record) {
  for (const MftWindow& run : runs) {
    if (record >= run.first && record < run.first + run.count) return true;
  }
  return false;
}

TEST(ReadPlan, GranulesAreWholeRecordsClustersAndFourKilobytes) {
  EXPECT_EQ(GranuleRecords(1024, 4096), 4);
  EXPECT_EQ(GranuleRecords(1024, 512), 4);     // 4 KiB still
  EXPECT_EQ(GranuleRecords(1024, 65536), 64);  // a whole cluster
  EXPECT_EQ(GranuleRecords(4096, 4096), 1);
  EXPECT_EQ(GranuleRecords(65536, 4096), 1);  // a record larger than both
  EXPECT_EQ(GranuleRecords(256, 512), 16);
  EXPECT_EQ(GranuleRecords(0, 4096), 1);
}

TEST(ReadPlan, WithoutAUsableBitmapEveryRecordIsOneRun) {
  const std::vector<MftWindow> all{{0, 100000}};
  EXPECT_EQ(PlanReadRuns(100000, 4096, 4, {}), all);
  // Short: fewer bits than records.
  const std::vector<std::uint8_t> short_bits = Bitmap(99992, {{0, 99992}});
  EXPECT_FALSE(BitmapCoversRecords(short_bits, 100000));
  EXPECT_EQ(PlanReadRuns(100000, 4096, 4, short_bits), all);
  // Damaged: record 0, the MFT itself, marked free.
  const std::vector<std::uint8_t> no_mft = Bitmap(100000, {{1, 10}});
  EXPECT_FALSE(BitmapCoversRecords(no_mft, 100000));
  EXPECT_EQ(PlanReadRuns(100000, 4096, 4, no_mft), all);
  // Longer than the records is fine: the extra bits are not looked at.
  const std::vector<std::uint8_t> longer = Bitmap(200000, {{0, 16}, {150000, 10}});
  EXPECT_TRUE(BitmapCoversRecords(longer, 100000));
  EXPECT_EQ(PlanReadRuns(100000, 4096, 4, longer), (std::vector<MftWindow>{{0, 16}}));
  EXPECT_TRUE(PlanReadRuns(0, 4096, 4, {}).empty());
}

TEST(ReadPlan, FreeRangesOfAWindowOrMoreAreLeftOutAndShorterGapsReadThrough) {
  const std::int64_t records = 60000;
  const std::vector<std::uint8_t> bits = Bitmap(records, {
                                                             {0, 30},      // system records
                                                             {1000, 2},    // a gap of 970 before: read through
                                                             {9000, 100},  // a gap of 7998: left out
                                                             {13196, 1},   // a gap of exactly a window: left out
                                                             {17295, 3},   // 4095 records free: read through
                                                             {30001, 1},   // not the first of its granule
                                                         });
  const std::vector<MftWindow> runs = PlanReadRuns(records, 4096, 4, bits);
  EXPECT_EQ(runs, (std::vector<MftWindow>{{0, 1004}, {9000, 100}, {13196, 4104}, {30000, 4}}));
  EXPECT_EQ(PlannedRecords(runs), 1004 + 100 + 4104 + 4);
  // The free tail and the free range before the last run are never read.
  EXPECT_FALSE(Planned(runs, 5000));
  EXPECT_FALSE(Planned(runs, 59999));
}

TEST(ReadPlan, EveryRecordInUseIsPlannedAndLongFreeRangesAreNot) {
  std::mt19937_64 random(7);
  for (int round = 0; round < 40; ++round) {
    const std::int64_t records = 20000 + static_cast<std::int64_t>(random() % 50000);
    const std::int64_t window = std::int64_t{1} << (6 + random() % 7);  // 64 to 4096
    const std::int64_t granule = std::int64_t{1} << (random() % 4);     // 1 to 8
    std::vector<MftWindow> in_use{{0, 1}};
    for (std::int64_t at = 1; at < records;) {
      const std::int64_t used = 1 + static_cast<std::int64_t>(random() % 300);
      in_use.push_back({at, std::min(used, records - at)});
      at += used + static_cast<std::int64_t>(random() % (3 * window));
    }
    const std::vector<std::uint8_t> bits = Bitmap(records, in_use);
    const std::vector<MftWindow> runs = PlanReadRuns(records, window, granule, bits);
    for (const MftWindow& range : in_use) {
      for (std::int64_t n = range.first; n < range.first + range.count; ++n) ASSERT_TRUE(Planned(runs, n)) << n;
    }
    const std::int64_t whole = window / granule * granule;
    for (std::size_t k = 0; k < runs.size(); ++k) {
      EXPECT_EQ(runs[k].first % granule, 0);
      EXPECT_GT(runs[k].count, 0);
      if (k > 0) {
        EXPECT_GE(runs[k].first - (runs[k - 1].first + runs[k - 1].count), whole);  // gaps left out are long
      }
    }
  }
}

// Every read a plan makes starts on a sector (and cluster) boundary of the
// volume and reads whole sectors; only the one that ends with the MFT may
// end where the MFT does.
TEST(ReadPlan, EveryPlannedWindowIsSectorAligned) {
  struct Geometry {
    std::int64_t record_size;
    std::int64_t cluster_size;
  };
  std::mt19937_64 random(11);
  for (const Geometry g : {Geometry{1024, 4096}, Geometry{1024, 512}, Geometry{4096, 4096}, Geometry{1024, 65536},
                           Geometry{256, 512}, Geometry{65536, 4096}}) {
    const std::int64_t records = 40001;
    std::vector<MftWindow> in_use{{0, 3}};
    for (std::int64_t at = 7; at < records; at += 1 + static_cast<std::int64_t>(random() % 9000))
      in_use.push_back({at, 1});
    const std::vector<std::uint8_t> bits = Bitmap(records, in_use);
    const std::int64_t window = std::max<std::int64_t>((4 << 20) / g.record_size, 1);
    const std::int64_t granule = GranuleRecords(g.record_size, g.cluster_size);
    const std::int64_t whole = std::max<std::int64_t>(window / granule, 1) * granule;
    const std::vector<MftWindow> windows = PlannedWindows(PlanReadRuns(records, window, granule, bits), whole);
    ASSERT_FALSE(windows.empty());
    for (const MftWindow& w : windows) {
      const std::int64_t offset = w.first * g.record_size;
      const std::int64_t length = w.count * g.record_size;
      EXPECT_EQ(offset % kReadAlignment, 0) << g.record_size << " " << w.first;
      EXPECT_EQ(offset % g.cluster_size, 0) << g.record_size << " " << w.first;
      EXPECT_LE(w.count, whole);
      if (w.first + w.count != records) {
        EXPECT_EQ(length % kReadAlignment, 0) << g.record_size << " " << w.first;
      }
    }
  }
}

TEST(ReadPlan, RunsAreReadAsWindowsOfAtMostAWindow) {
  const std::vector<MftWindow> runs{{0, 10}, {40, 25}};
  EXPECT_EQ(PlannedWindows(runs, 8), (std::vector<MftWindow>{{0, 8}, {8, 2}, {40, 8}, {48, 8}, {56, 8}, {64, 1}}));
  EXPECT_EQ(CutWindow(runs[1], 56, 8), (MftWindow{56, 8}));
  EXPECT_EQ(CutWindow(runs[1], 64, 8), (MftWindow{64, 1}));
}

}  // namespace
}  // namespace tw
