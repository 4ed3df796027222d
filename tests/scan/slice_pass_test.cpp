#include "scan/slice_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tw {
namespace {

// A slice report: records done of the total.
struct Report {
  std::int64_t done;
  std::int64_t total;
  bool operator==(const Report&) const = default;
};

// A parser that parses nothing: marks the slice by one entry whose id is its first record.
void MarkSlice(const SliceRange& slice, ScanSlice& out) {
  MftEntry entry;
  entry.id = slice.first;
  out.entries.push_back(entry);
}

SlicePassSettings Settings(std::int32_t total, std::int32_t slice_size, std::int32_t threads) {
  SlicePassSettings settings;
  settings.total = total;
  settings.slice_size = slice_size;
  settings.threads = threads;
  return settings;
}

// Runs the pass on the calling thread alone, so reports come in slice order.
std::vector<Report> ReportsOf(std::int32_t total, std::int32_t slice_size) {
  std::vector<Report> reports;
  const ProgressCallback progress = [&](const ScanProgress& p) {
    EXPECT_EQ(p.stage, ScanStage::kParsing);
    reports.push_back({p.records_done, p.records_total});
  };
  RunSlicePass(BuildSlices(total, slice_size), Settings(total, slice_size, 1), progress, MarkSlice);
  return reports;
}

// ---------------------------------------------------------------------------
// Slicing

TEST(SliceSizing, SmallShareIsRaisedToTheMinimumWithAShortLastSlice) {
  const std::int32_t size = ChooseSliceSize(100000, 8, kSliceMinimum);
  EXPECT_EQ(size, 16384);
  const std::vector<SliceRange> slices = BuildSlices(100000, size);
  ASSERT_EQ(slices.size(), 7u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(slices[i].end - slices[i].first, 16384);
  EXPECT_EQ(slices[6].end - slices[6].first, 1696);
  for (std::size_t i = 1; i < slices.size(); ++i) EXPECT_EQ(slices[i].first, slices[i - 1].end);
  EXPECT_EQ(slices.front().first, 0);
  EXPECT_EQ(slices.back().end, 100000);
}

TEST(SliceSizing, EqualSharePerThreadPlusOneForTheRemainder) {
  EXPECT_EQ(BuildSlices(8000000, ChooseSliceSize(8000000, 16, kSliceMinimum)).size(), 16u);
  const std::vector<SliceRange> slices = BuildSlices(8000001, ChooseSliceSize(8000001, 16, kSliceMinimum));
  ASSERT_EQ(slices.size(), 17u);
  EXPECT_EQ(slices[15].end - slices[15].first, 500000);
  EXPECT_EQ(slices[16].first, 8000000);
  EXPECT_EQ(slices[16].end, 8000001);
}

TEST(SliceSizing, ZeroThreadsDividesByOneAndEdgesGiveNoOverflow) {
  EXPECT_EQ(ChooseSliceSize(100000, 0, kSliceMinimum), 100000);
  EXPECT_EQ(ChooseSliceSize(1000, 0, kSliceMinimum), 16384);
  EXPECT_TRUE(BuildSlices(0, 16384).empty());
  EXPECT_TRUE(BuildSlices(100, 0).empty());
  const std::vector<SliceRange> top = BuildSlices(2147483647, 1 << 30);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[1].end, 2147483647);
}

// ---------------------------------------------------------------------------
// The progress rule: a slice reports when done mod 300,000 is below the slice size.

TEST(SliceProgress, ALoneShortSliceReportsOnce) {
  // Fewer records than the minimum: the slice is shorter than the slice size.
  EXPECT_EQ(ReportsOf(10000, 16384), (std::vector<Report>{{10000, 10000}}));
  EXPECT_TRUE(ReportsOf(0, 16384).empty());  // no slices, no reports
}

TEST(SliceProgress, ASliceAsLongAsTheSliceSizeReportsOnlyPastAStride) {
  // 50,000 records in one slice of 50,000: 50,000 mod 300,000 is not below 50,000.
  EXPECT_TRUE(ReportsOf(50000, 50000).empty());
  // Slices of 250,000: 250,000 is not below 250,000; the others are.
  EXPECT_EQ(ReportsOf(1000000, 250000),
            (std::vector<Report>{{500000, 1000000}, {750000, 1000000}, {1000000, 1000000}}));
}

TEST(SliceProgress, SlicesOfAStrideOrMoreAllReport) {
  const std::vector<Report> reports = ReportsOf(8000000, 500000);
  ASSERT_EQ(reports.size(), 16u);
  EXPECT_EQ(reports.front(), (Report{500000, 8000000}));
  EXPECT_EQ(reports.back(), (Report{8000000, 8000000}));
}

// ---------------------------------------------------------------------------
// The pool

class SlicePassThreads : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(SlicePassThreads, EverySliceRunsExactlyOnceAndLeavesOneAggregate) {
  const std::vector<SliceRange> slices = BuildSlices(1000, 7);  // 143 slices
  std::vector<std::atomic<int>> calls(slices.size());
  std::mutex lock;
  std::vector<std::int64_t> done;
  const SliceParser parse = [&](const SliceRange& slice, ScanSlice& out) {
    calls[static_cast<std::size_t>(slice.first / 7)].fetch_add(1);
    MarkSlice(slice, out);
  };
  const ProgressCallback progress = [&](const ScanProgress& p) {
    std::lock_guard<std::mutex> guard(lock);
    done.push_back(p.records_done);
  };
  // A slice size above the total makes every slice report.
  const std::vector<ScanSlice> results = RunSlicePass(slices, Settings(1000, 2000, GetParam()), progress, parse);

  ASSERT_EQ(results.size(), slices.size());
  for (const auto& c : calls) EXPECT_EQ(c.load(), 1);
  std::set<std::int64_t> firsts;
  for (const ScanSlice& r : results) {
    ASSERT_EQ(r.entries.size(), 1u);
    firsts.insert(r.entries[0].id);
  }
  EXPECT_EQ(firsts.size(), slices.size());
  // One report per slice; the done counter reaches the total exactly once.
  EXPECT_EQ(done.size(), slices.size());
  EXPECT_EQ(std::count(done.begin(), done.end(), 1000), 1);
}

TEST_P(SlicePassThreads, AFailingSliceFailsThePassAfterEveryThreadHasStopped) {
  const std::vector<SliceRange> slices = BuildSlices(200, 10);
  std::atomic<int> active{0};
  std::atomic<int> started_after_failure{0};
  std::atomic<bool> thrown{false};
  const SliceParser parse = [&](const SliceRange& slice, ScanSlice& out) {
    if (thrown.load()) started_after_failure.fetch_add(1);
    active.fetch_add(1);
    MarkSlice(slice, out);
    if (slice.first == 30) {
      thrown.store(true);
      active.fetch_sub(1);
      throw std::bad_alloc();
    }
    active.fetch_sub(1);
  };
  EXPECT_THROW(RunSlicePass(slices, Settings(200, 10, GetParam()), nullptr, parse), std::bad_alloc);
  EXPECT_EQ(active.load(), 0);  // no slice still running once the pass has thrown
  // Alone, the caller starts no slice after the failing one.
  if (GetParam() == 1) {
    EXPECT_EQ(started_after_failure.load(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Threads, SlicePassThreads, ::testing::Values(1, 2, 8));

TEST(SlicePass, SlicesRunConcurrentlyOnSeveralThreads) {
  // The first slice to start waits until a second one is running; with only
  // one thread it would wait out the (generous) deadline and see nobody.
  std::mutex lock;
  std::condition_variable changed;
  int running = 0;
  bool overlapped = false;
  const SliceParser parse = [&](const SliceRange& slice, ScanSlice& out) {
    std::unique_lock<std::mutex> guard(lock);
    ++running;
    if (running >= 2) overlapped = true;
    changed.notify_all();
    changed.wait_for(guard, std::chrono::seconds(20), [&] { return overlapped; });
    --running;
    MarkSlice(slice, out);
  };
  const std::vector<ScanSlice> results = RunSlicePass(BuildSlices(40, 10), Settings(40, 10, 4), nullptr, parse);
  EXPECT_TRUE(overlapped);
  EXPECT_EQ(results.size(), 4u);
}

}  // namespace
}  // namespace tw
