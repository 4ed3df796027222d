#include "engine/result_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/scan_result_builder.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

ResultGeneration GenerationOfFiles(int files, std::int64_t size) {
  test::ScanResultBuilder builder;
  builder.AddFolder(64, kRootId, L"data");
  for (int i = 0; i < files; ++i) builder.AddFile(64, 100 + i, L"f" + std::to_wstring(i) + L".bin", size);
  return MakeGeneration(builder.Finish());
}

// Answers as the window's message queue would receive them: in order, on
// whichever thread delivers, picked up by the test's thread.
template <typename T>
class Inbox {
 public:
  void Post(JobAnswer<T>&& answer) {
    std::lock_guard<std::mutex> guard(lock_);
    answers_.push_back(std::move(answer));
    arrived_.notify_all();
  }
  // The next answer, or none after `wait`.
  std::optional<JobAnswer<T>> Take(std::chrono::milliseconds wait = 10s) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!arrived_.wait_for(guard, wait, [this] { return !answers_.empty(); })) return std::nullopt;
    JobAnswer<T> answer = std::move(answers_.front());
    answers_.erase(answers_.begin());
    return answer;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<JobAnswer<T>> answers_;
};

// Sums the files' sizes, giving up when cancelled.
std::int64_t SumSizes(const ScanResult& result, const CancelFlag& cancel) {
  std::int64_t sum = 0;
  for (const FileItem& file : result.files) {
    if (cancel.cancelled()) return -1;
    sum += file.size;
  }
  return sum;
}

TEST(ResultJob, AnswerCarriesTheGenerationItReadAndIsAcceptedOnce) {
  auto inbox = std::make_shared<Inbox<std::int64_t>>();
  JobSlot slot;
  const ResultGeneration shown = GenerationOfFiles(10, 7);
  const std::uint64_t ticket =
      slot.Start<std::int64_t>(shown, SumSizes, [inbox](JobAnswer<std::int64_t>&& a) { inbox->Post(std::move(a)); });
  ASSERT_NE(ticket, 0u);
  EXPECT_TRUE(slot.busy());
  const auto answer = inbox->Take();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->value, 70);
  EXPECT_EQ(answer->ticket, ticket);
  EXPECT_EQ(answer->generation, shown);
  EXPECT_FALSE(answer->failed);
  EXPECT_TRUE(slot.Accept(*answer, shown));
  EXPECT_FALSE(slot.busy());
  EXPECT_FALSE(slot.Accept(*answer, shown));  // the wait has ended
}

TEST(ResultJob, AnAnswerFromAGenerationNoLongerShownIsDropped) {
  auto inbox = std::make_shared<Inbox<std::int64_t>>();
  JobSlot slot;
  ResultGeneration shown = GenerationOfFiles(3, 1);
  slot.Start<std::int64_t>(shown, SumSizes, [inbox](JobAnswer<std::int64_t>&& a) { inbox->Post(std::move(a)); });
  const auto answer = inbox->Take();
  ASSERT_TRUE(answer.has_value());
  shown = GenerationOfFiles(3, 1);  // equal content, another generation
  EXPECT_FALSE(slot.Accept(*answer, shown));
}

TEST(ResultJob, StartingAgainCancelsTheJobBeforeAndOnlyTheNewAnswerCounts) {
  auto inbox = std::make_shared<Inbox<int>>();
  auto first_running = std::make_shared<std::atomic<bool>>(false);
  auto first_saw_cancel = std::make_shared<std::atomic<bool>>(false);
  JobSlot slot;
  const ResultGeneration shown = GenerationOfFiles(1, 1);
  const auto post = [inbox](JobAnswer<int>&& a) { inbox->Post(std::move(a)); };
  const std::uint64_t first = slot.Start<int>(
      shown,
      [first_running, first_saw_cancel](const ScanResult&, const CancelFlag& cancel) {
        first_running->store(true);
        while (!cancel.cancelled()) std::this_thread::sleep_for(1ms);
        first_saw_cancel->store(true);
        return 1;
      },
      post);
  while (!first_running->load()) std::this_thread::sleep_for(1ms);
  const std::uint64_t second = slot.Start<int>(shown, [](const ScanResult&, const CancelFlag&) { return 2; }, post);
  EXPECT_NE(first, second);
  const auto answer = inbox->Take();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->value, 2);
  EXPECT_TRUE(slot.Accept(*answer, shown));
  // The first job ends without delivering.
  while (!first_saw_cancel->load()) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(inbox->Take(50ms).has_value());
  // An answer of the first start never counts, however late it comes.
  JobAnswer<int> late{shown, first, false, 1};
  EXPECT_FALSE(slot.Accept(late, shown));
}

TEST(ResultJob, AJobThatThrowsSaysSoInsteadOfLeavingTheWindowWaiting) {
  auto inbox = std::make_shared<Inbox<int>>();
  JobSlot slot;
  const ResultGeneration shown = GenerationOfFiles(1, 1);
  slot.Start<int>(
      shown, [](const ScanResult&, const CancelFlag&) -> int { throw std::bad_alloc(); },
      [inbox](JobAnswer<int>&& a) { inbox->Post(std::move(a)); });
  const auto answer = inbox->Take();
  ASSERT_TRUE(answer.has_value());
  EXPECT_TRUE(answer->failed);
  EXPECT_TRUE(slot.Accept(*answer, shown));
}

// The window's side replaces the generation it shows and cancels the job
// while the job still reads the old one: the job's copy keeps the old
// generation alive until it is done, and nothing is read or freed twice.
// Run under ThreadSanitizer by scripts/test.sh.
TEST(ResultJob, TheWindowReplacesItsGenerationAndCancelsWhileAJobReadsTheOld) {
  auto inbox = std::make_shared<Inbox<std::int64_t>>();
  auto ended = std::make_shared<std::atomic<int>>(0);
  JobSlot slot;
  ResultGeneration shown = GenerationOfFiles(20000, 3);
  const auto post = [inbox](JobAnswer<std::int64_t>&& a) { inbox->Post(std::move(a)); };
  const auto work = [ended](const ScanResult& result, const CancelFlag& cancel) {
    std::int64_t sum = 0;
    for (int pass = 0; pass < 50 && !cancel.cancelled(); ++pass) sum += SumSizes(result, cancel);
    ended->fetch_add(1);
    return sum;
  };
  constexpr int kRounds = 20;
  std::weak_ptr<const ScanResult> first = shown;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_NE(slot.Start<std::int64_t>(shown, work, post), 0u);
    std::this_thread::sleep_for(std::chrono::microseconds(200 * round));
    shown = GenerationOfFiles(20000 + round, 3);  // the old one is now only the job's
    slot.Cancel();
  }
  // One more, left to finish over the generation shown.
  const std::uint64_t last = slot.Start<std::int64_t>(shown, work, post);
  std::optional<JobAnswer<std::int64_t>> accepted;
  while (auto answer = inbox->Take()) {
    if (slot.Accept(*answer, shown)) {
      accepted = std::move(answer);
      break;
    }
  }
  ASSERT_TRUE(accepted.has_value());
  EXPECT_EQ(accepted->ticket, last);
  EXPECT_EQ(accepted->value, 50 * 3 * static_cast<std::int64_t>(20000 + kRounds - 1));
  while (ended->load() < kRounds + 1) std::this_thread::sleep_for(1ms);
  while (inbox->Take(0ms)) {
  }
  // Every job has let its generation go (the last holder frees it, on
  // whichever thread that is).
  for (int i = 0; i < 1000 && !first.expired(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(first.expired());
}

}  // namespace
}  // namespace tw
