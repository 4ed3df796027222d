#include "scan/scan_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "scan/scan_driver.h"

namespace tw {
namespace {

// Records what a posting sink would post, in order.
class RecordingSink : public ScanSink {
 public:
  struct Post {
    std::string kind;  // "progress", "done", "failed"
    std::int32_t value = 0;
    std::wstring text;
  };

  void Progress(std::int32_t value, std::unique_ptr<std::wstring> text) override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"progress", value, text ? *text : L"<null>"});
  }
  void Done(std::unique_ptr<ScanResult> finished) override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"done", 0, L""});
    result = std::move(finished);
  }
  void Failed() override {
    std::lock_guard<std::mutex> guard(lock_);
    posts.push_back({"failed", 0, L""});
  }

  std::vector<Post> posts;
  std::unique_ptr<ScanResult> result;

 private:
  std::mutex lock_;
};

TEST(ScanWorker, ErrorLineDecodesUtf8BehindThePrefix) {
  EXPECT_EQ(ScanErrorLine("disk gone"), L"错误: disk gone");
  EXPECT_EQ(ScanErrorLine(kReadMftError), L"错误: 无法读取 MFT。");
  EXPECT_EQ(ScanErrorLine("bad \xFF byte"), L"错误: bad \uFFFD byte");
  EXPECT_EQ(ScanErrorLine(nullptr), L"错误: ");
}

TEST(ScanWorker, ProgressTextsAreForwardedAsCopiesThenTheResult) {
  RecordingSink sink;
  RunScan(
      [](ProgressCallback progress) {
        std::wstring text = L"正在打开 NTFS 卷...";
        progress(1, text);
        text = L"changed afterwards";  // the sink holds its own copy
        std::thread other([&] { progress(40, L"并行解析: 1 / 2"); });
        other.join();
        ScanResult result;
        result.file_count = 7;
        return result;
      },
      sink);
  ASSERT_EQ(sink.posts.size(), 3u);
  EXPECT_EQ(sink.posts[0].text, L"正在打开 NTFS 卷...");
  EXPECT_EQ(sink.posts[1].value, 40);
  EXPECT_EQ(sink.posts[2].kind, "done");
  ASSERT_NE(sink.result, nullptr);
  EXPECT_EQ(sink.result->file_count, 7);
}

TEST(ScanWorker, FailingOpenPostsTheErrorLineThenTheFailure) {
  // The real driver on a drive it cannot open.
  RecordingSink sink;
  RunScan([](ProgressCallback progress) { return ScanDriveMft(L"C", std::move(progress)); }, sink);
  ASSERT_EQ(sink.posts.size(), 3u);
  EXPECT_EQ(sink.posts[0].kind, "progress");
  EXPECT_EQ(sink.posts[0].value, 1);
  EXPECT_EQ(sink.posts[1].kind, "progress");
  EXPECT_EQ(sink.posts[1].value, 0);
  EXPECT_EQ(sink.posts[1].text, L"错误: 无法打开卷，请确认以管理员身份运行。");
  EXPECT_EQ(sink.posts[2].kind, "failed");
  EXPECT_EQ(sink.result, nullptr);
}

TEST(ScanWorker, AllocationFailureAndForeignExceptionsStillEndTheScan) {
  RecordingSink oom;
  RunScan([](ProgressCallback) -> ScanResult { throw std::bad_alloc(); }, oom);
  ASSERT_EQ(oom.posts.size(), 2u);
  EXPECT_EQ(oom.posts[0].text, L"错误: std::bad_alloc");
  EXPECT_EQ(oom.posts[1].kind, "failed");

  RecordingSink odd;
  RunScan([](ProgressCallback) -> ScanResult { throw 42; }, odd);
  ASSERT_EQ(odd.posts.size(), 1u);
  EXPECT_EQ(odd.posts[0].kind, "failed");
}

// A sink whose progress delivery throws, as an allocation failure would.
class ThrowingProgressSink : public RecordingSink {
 public:
  void Progress(std::int32_t value, std::unique_ptr<std::wstring> text) override {
    if (value == 0) throw std::bad_alloc();  // even the error line cannot go out
    RecordingSink::Progress(value, std::move(text));
  }
};

TEST(ScanWorker, FailureNoticeGoesOutWhenTheErrorLineCannot) {
  ThrowingProgressSink sink;
  RunScan([](ProgressCallback) -> ScanResult { throw std::runtime_error("x"); }, sink);
  ASSERT_EQ(sink.posts.size(), 1u);
  EXPECT_EQ(sink.posts[0].kind, "failed");
}

}  // namespace
}  // namespace tw
