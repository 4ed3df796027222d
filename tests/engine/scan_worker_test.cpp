#include "engine/scan_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/scan_driver.h"

namespace tw {
namespace {

// Records what a posting sink would post, in order.
class RecordingSink : public ScanSink {
 public:
  struct Post {
    std::string kind;  // "progress", "done", "failed"
    ScanProgress progress;
    ScanError error = ScanError::kNone;
  };

  void Progress(const ScanProgress& progress) override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"progress", progress, ScanError::kNone});
  }
  void Done(std::unique_ptr<ScanResult> finished) override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"done", {}, ScanError::kNone});
    result = std::move(finished);
  }
  void Failed(ScanError error) override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"failed", {}, error});
  }

  std::vector<Post> posts;
  std::unique_ptr<ScanResult> result;

 private:
  std::mutex lock_;
};

TEST(ScanWorker, ProgressFromAnyThreadIsForwardedThenTheResult) {
  RecordingSink sink;
  RunScan(
      [](ProgressCallback progress) {
        progress(ScanProgress{ScanStage::kOpening});
        std::thread other([&] { progress(ScanProgress{ScanStage::kParsing, 1, 2, 4096, 2}); });
        other.join();
        ScanResult result;
        result.file_count = 7;
        return result;
      },
      sink);
  ASSERT_EQ(sink.posts.size(), 3u);
  EXPECT_EQ(sink.posts[0].progress.stage, ScanStage::kOpening);
  EXPECT_EQ(sink.posts[1].progress, (ScanProgress{ScanStage::kParsing, 1, 2, 4096, 2}));
  EXPECT_EQ(sink.posts[2].kind, "done");
  ASSERT_NE(sink.result, nullptr);
  EXPECT_EQ(sink.result->file_count, 7);
}

TEST(ScanWorker, FailingOpenReportsOpeningThenTheFailureCode) {
  // The real driver on a drive it cannot open (no drive letters here).
  RecordingSink sink;
  RunScan([](ProgressCallback progress) { return ScanDriveMft(L"C", std::move(progress)); }, sink);
  ASSERT_EQ(sink.posts.size(), 2u);
  EXPECT_EQ(sink.posts[0].kind, "progress");
  EXPECT_EQ(sink.posts[0].progress.stage, ScanStage::kOpening);
  EXPECT_EQ(sink.posts[1].kind, "failed");
  EXPECT_TRUE(IsOpenError(sink.posts[1].error));
  EXPECT_EQ(sink.result, nullptr);
}

TEST(ScanWorker, EveryExceptionEndsTheScanWithItsCode) {
  const struct {
    ScanFunction scan;
    ScanError expected;
  } cases[] = {
      {[](ProgressCallback) -> ScanResult { throw ScanFailure(ScanError::kCannotReadMft); }, ScanError::kCannotReadMft},
      {[](ProgressCallback) -> ScanResult { throw std::bad_alloc(); }, ScanError::kOutOfMemory},
      {[](ProgressCallback) -> ScanResult { throw std::runtime_error("x"); }, ScanError::kUnknown},
      {[](ProgressCallback) -> ScanResult { throw 42; }, ScanError::kUnknown},
  };
  for (const auto& c : cases) {
    RecordingSink sink;
    RunScan(c.scan, sink);
    ASSERT_EQ(sink.posts.size(), 1u);
    EXPECT_EQ(sink.posts[0].kind, "failed");
    EXPECT_EQ(sink.posts[0].error, c.expected);
  }
}

// A sink whose progress delivery throws, as an allocation failure would: the
// scan ends, and the failure notice still goes out.
class ThrowingProgressSink : public RecordingSink {
 public:
  void Progress(const ScanProgress&) override { throw std::bad_alloc(); }
};

TEST(ScanWorker, FailureNoticeGoesOutWhenProgressCannot) {
  ThrowingProgressSink sink;
  RunScan(
      [](ProgressCallback progress) {
        progress(ScanProgress{});
        return ScanResult();
      },
      sink);
  ASSERT_EQ(sink.posts.size(), 1u);
  EXPECT_EQ(sink.posts[0].error, ScanError::kOutOfMemory);
}

}  // namespace
}  // namespace tw
