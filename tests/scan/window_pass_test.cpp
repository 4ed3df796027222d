#include "scan/window_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tw {
namespace {

constexpr std::int64_t kRecord = 16;  // tiny records: the pass does not look inside

WindowPassSettings Settings(std::int64_t window_records, std::int32_t threads, std::int32_t buffers = 0) {
  WindowPassSettings settings;
  settings.record_size = kRecord;
  settings.window_records = window_records;
  settings.threads = threads;
  settings.buffers = buffers;
  return settings;
}

// A reader that writes each record's number into its first byte. Every
// buffer it is given starts on a 4 KiB boundary, as unbuffered reads of a raw
// volume on Windows want.
std::int64_t NumberRecords(const MftWindow& window, std::uint8_t* buffer) {
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % 4096, 0u);
  for (std::int64_t k = 0; k < window.count; ++k) buffer[k * kRecord] = static_cast<std::uint8_t>(window.first + k);
  return 0;
}

// A parser that checks the bytes it got and marks the window by one entry.
void MarkWindow(const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
  ASSERT_EQ(bytes.size, static_cast<std::size_t>(window.count * kRecord));
  for (std::int64_t k = 0; k < window.count; ++k) {
    ASSERT_EQ(bytes.data[k * kRecord], static_cast<std::uint8_t>(window.first + k));
  }
  MftEntry entry;
  entry.id = window.first;
  out.entries.Add(entry);
}

TEST(WindowPass, WholeWindowsInOrderAndAShorterLastOne) {
  std::vector<MftWindow> seen;
  const WindowReader read = [&](const MftWindow& window, std::uint8_t* buffer) {
    seen.push_back(window);
    return NumberRecords(window, buffer);
  };
  RunWindowPass(10, Settings(4, 2), nullptr, read, MarkWindow);
  EXPECT_EQ(seen, (std::vector<MftWindow>{{0, 4}, {4, 4}, {8, 2}}));
  seen.clear();
  RunWindowPass(3, Settings(100, 2), nullptr, read, MarkWindow);
  EXPECT_EQ(seen, (std::vector<MftWindow>{{0, 3}}));
  seen.clear();
  RunWindowPass(0, Settings(4, 2), nullptr, read, MarkWindow);
  EXPECT_TRUE(seen.empty());
}

TEST(WindowProgress, ReportsWhenTheCountPassesAStride) {
  EXPECT_TRUE(WindowProgressDue(300000, 4096));
  EXPECT_TRUE(WindowProgressDue(304095, 4096));
  EXPECT_FALSE(WindowProgressDue(304096, 4096));
  EXPECT_FALSE(WindowProgressDue(299999, 4096));
  EXPECT_TRUE(WindowProgressDue(10000, 16384));  // a lone short window reports
}

class WindowPassThreads : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(WindowPassThreads, EveryWindowIsReadAndParsedOnceWithItsOwnBytes) {
  const WindowPassOutcome outcome = RunWindowPass(1000, Settings(7, GetParam()), nullptr, NumberRecords, MarkWindow);
  std::multiset<std::int64_t> firsts;
  for (const ScanSlice& slice : outcome.slices) {
    for (std::size_t i = 0; i < slice.entries.size(); ++i) firsts.insert(slice.entries[i].id);
  }
  ASSERT_EQ(firsts.size(), 143u);
  for (std::int64_t first = 0; first < 1000; first += 7) EXPECT_EQ(firsts.count(first), 1u) << first;
  EXPECT_LE(outcome.slices.size(), static_cast<std::size_t>(GetParam()));
}

TEST_P(WindowPassThreads, WindowsOfAStrideEachReportTheCountWithTheMftFigures) {
  std::mutex lock;
  std::vector<std::int64_t> done;
  const ProgressCallback progress = [&](const ScanProgress& p) {
    EXPECT_EQ(p.stage, ScanStage::kParsing);
    EXPECT_EQ(p.records_total, 900000);
    EXPECT_EQ(p.threads, 4);
    std::lock_guard<std::mutex> guard(lock);
    done.push_back(p.records_done);
  };
  WindowPassSettings settings = Settings(300000, GetParam(), 2);
  settings.record_size = 1;
  settings.report = ScanProgress{ScanStage::kParseStart, 0, 900000, 900000, 4};
  const WindowReader read = [](const MftWindow&, std::uint8_t*) { return std::int64_t{0}; };
  const WindowParser parse = [](const MftWindow&, MutableSpan, ScanSlice&) {};
  RunWindowPass(900000, settings, progress, read, parse);
  std::sort(done.begin(), done.end());
  EXPECT_EQ(done, (std::vector<std::int64_t>{300000, 600000, 900000}));
}

TEST_P(WindowPassThreads, NoMoreWindowsInFlightThanBuffers) {
  // The reader may only refill a buffer a parser has handed back.
  std::atomic<int> in_flight{0};
  std::atomic<int> most{0};
  const WindowReader read = [&](const MftWindow& window, std::uint8_t* buffer) {
    const int now = in_flight.fetch_add(1) + 1;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    return NumberRecords(window, buffer);
  };
  const WindowParser parse = [&](const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    MarkWindow(window, bytes, out);
    in_flight.fetch_sub(1);
  };
  const WindowPassOutcome outcome = RunWindowPass(200, Settings(5, GetParam(), 3), nullptr, read, parse);
  EXPECT_LE(most.load(), 3);
  // The buffers outlive the pass, for tree building to reuse their pages.
  ASSERT_EQ(outcome.spare.size(), 3u);
  for (const SpareBlock& block : outcome.spare) {
    EXPECT_NE(block.data, nullptr);
    EXPECT_GE(block.bytes, static_cast<std::size_t>(5 * kRecord));
  }
}

TEST_P(WindowPassThreads, AFailureAnywhereFailsThePassAfterEveryThreadHasStopped) {
  std::atomic<int> active{0};
  const WindowParser failing_parse = [&](const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
    active.fetch_add(1);
    MarkWindow(window, bytes, out);
    active.fetch_sub(1);
    if (window.first == 30) throw std::bad_alloc();
  };
  EXPECT_THROW(RunWindowPass(200, Settings(10, GetParam()), nullptr, NumberRecords, failing_parse), std::bad_alloc);
  EXPECT_EQ(active.load(), 0);

  const WindowReader failing_read = [](const MftWindow& window, std::uint8_t* buffer) -> std::int64_t {
    if (window.first == 50) throw std::runtime_error("read");
    return NumberRecords(window, buffer);
  };
  EXPECT_THROW(RunWindowPass(200, Settings(10, GetParam()), nullptr, failing_read, MarkWindow), std::runtime_error);
}

TEST_P(WindowPassThreads, UnreadableRecordsOfEveryWindowAreSummed) {
  const WindowReader read = [](const MftWindow& window, std::uint8_t* buffer) {
    NumberRecords(window, buffer);
    return window.first % 20 == 0 ? std::int64_t{2} : std::int64_t{0};
  };
  const WindowPassOutcome outcome = RunWindowPass(100, Settings(10, GetParam()), nullptr, read, MarkWindow);
  EXPECT_EQ(outcome.unreadable_records, 10);  // windows 0, 20, 40, 60, 80
}

TEST_P(WindowPassThreads, MappedWindowsAreParsedWhereTheyLieAndLetGoInTheRingsBounds) {
  // Every third window is declined by the mapper and read into a buffer; the
  // rest are parsed from their views (read-only) and each view let go once,
  // on the parse thread, before its slot can carry another window.
  std::vector<std::uint8_t> volume(300 * kRecord);
  for (std::size_t k = 0; k < 300; ++k) volume[k * kRecord] = static_cast<std::uint8_t>(k);
  static std::atomic<int> released{0};
  static std::atomic<int> mapped_out{0};
  released = 0;
  mapped_out = 0;
  std::atomic<int> in_flight{0};
  std::atomic<int> most{0};
  const auto enter = [&] {
    const int now = in_flight.fetch_add(1) + 1;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
  };
  std::atomic<int> reads{0};
  const WindowReader read = [&](const MftWindow& window, std::uint8_t* buffer) {
    enter();
    reads.fetch_add(1);
    return NumberRecords(window, buffer);
  };
  std::set<std::int64_t> parsed_mapped;
  std::mutex parsed_lock;
  MappedWindows mapped;
  mapped.map = [&](const MftWindow& window) {
    if (window.first / 10 % 3 == 2) return MappedView();
    enter();
    mapped_out.fetch_add(1);
    return MappedView(volume.data() + window.first * kRecord, &volume, 0, [](void*, std::size_t) {
      released.fetch_add(1);
      mapped_out.fetch_sub(1);
    });
  };
  mapped.parse = [&](const MftWindow& window, ByteSpan bytes, ScanSlice& out) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    MarkWindow(window, MutableSpan{const_cast<std::uint8_t*>(bytes.data), bytes.size}, out);
    std::lock_guard<std::mutex> guard(parsed_lock);
    parsed_mapped.insert(window.first);
    in_flight.fetch_sub(1);
  };
  const WindowParser parse = [&](const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    MarkWindow(window, bytes, out);
    in_flight.fetch_sub(1);
  };
  const WindowPassOutcome outcome = RunWindowPass(300, Settings(10, GetParam(), 3), nullptr, read, parse, mapped);
  std::set<std::int64_t> seen;
  for (const ScanSlice& slice : outcome.slices) {
    for (std::size_t i = 0; i < slice.entries.size(); ++i) EXPECT_TRUE(seen.insert(slice.entries[i].id).second);
  }
  EXPECT_EQ(seen.size(), 30u);
  EXPECT_EQ(parsed_mapped.size(), 20u);
  EXPECT_EQ(reads.load(), 10);
  EXPECT_EQ(released.load(), 20);
  EXPECT_EQ(mapped_out.load(), 0);
  EXPECT_LE(most.load(), 3);
  // Buffers only for the slots a read needed.
  EXPECT_GE(outcome.spare.size(), 1u);
  EXPECT_LE(outcome.spare.size(), 3u);
}

TEST(WindowPass, NoBufferIsGivenWhenEveryWindowIsMapped) {
  std::vector<std::uint8_t> volume(100 * kRecord);
  for (std::size_t k = 0; k < 100; ++k) volume[k * kRecord] = static_cast<std::uint8_t>(k);
  MappedWindows mapped;
  mapped.map = [&](const MftWindow& window) {
    return MappedView(volume.data() + window.first * kRecord, nullptr, 0, nullptr);
  };
  mapped.parse = [](const MftWindow& window, ByteSpan bytes, ScanSlice& out) {
    MarkWindow(window, MutableSpan{const_cast<std::uint8_t*>(bytes.data), bytes.size}, out);
  };
  const WindowReader never = [](const MftWindow&, std::uint8_t*) -> std::int64_t {
    ADD_FAILURE() << "a mapped window was read";
    return 0;
  };
  const WindowPassOutcome outcome = RunWindowPass(100, Settings(10, 2), nullptr, never, MarkWindow, mapped);
  std::size_t windows = 0;
  for (const ScanSlice& slice : outcome.slices) windows += slice.entries.size();
  EXPECT_EQ(windows, 10u);
  EXPECT_TRUE(outcome.spare.empty());
}

INSTANTIATE_TEST_SUITE_P(Threads, WindowPassThreads, ::testing::Values(1, 2, 8));

TEST(WindowPass, WindowsAreParsedWhileTheReaderReadsOn) {
  // The first window's parse waits until a later window has been read; were
  // reading and parsing not overlapped it would wait out the deadline.
  std::mutex lock;
  std::condition_variable changed;
  bool second_read = false;
  bool overlapped = false;
  const WindowReader read = [&](const MftWindow& window, std::uint8_t* buffer) {
    if (window.first > 0) {
      std::lock_guard<std::mutex> guard(lock);
      second_read = true;
      changed.notify_all();
    }
    return NumberRecords(window, buffer);
  };
  const WindowParser parse = [&](const MftWindow& window, MutableSpan bytes, ScanSlice& out) {
    if (window.first == 0) {
      std::unique_lock<std::mutex> guard(lock);
      overlapped = changed.wait_for(guard, std::chrono::seconds(20), [&] { return second_read; });
    }
    MarkWindow(window, bytes, out);
  };
  RunWindowPass(40, Settings(10, 1), nullptr, read, parse);
  EXPECT_TRUE(overlapped);
}

}  // namespace
}  // namespace tw
