#include "views/scan_cycle.h"

#include <gtest/gtest.h>

#include "views/status_texts.h"

namespace tw {
namespace {

TEST(ScanCycle, PressStartsOneScanAndDisablesTheControlsASecondIsIgnored) {
  ScanCycle cycle;
  EXPECT_TRUE(cycle.controls_enabled());
  ASSERT_TRUE(cycle.Press());
  EXPECT_FALSE(cycle.Press());
  EXPECT_TRUE(cycle.scanning());
  EXPECT_FALSE(cycle.controls_enabled());
  EXPECT_EQ(cycle.status(), L"正在扫描...");
}

// The worker thread could not be started: the window must come back, not stay
// disabled with the scanning flag set forever.
TEST(ScanCycle, FailedThreadStartReturnsToIdleWithTheFailureLine) {
  ScanCycle cycle;
  ASSERT_TRUE(cycle.Press());
  cycle.StartFailed();
  EXPECT_FALSE(cycle.scanning());
  EXPECT_TRUE(cycle.controls_enabled());
  EXPECT_EQ(cycle.status(), L"扫描失败 — 请确认以管理员身份运行");
  EXPECT_TRUE(cycle.Press()) << "a later press starts a scan again";
}

TEST(ScanCycle, EndOfScanReEnablesTheControlsEitherWay) {
  ScanCycle cycle;
  ASSERT_TRUE(cycle.Press());
  cycle.Failed(ScanError::kCannotOpen);
  EXPECT_TRUE(cycle.controls_enabled());
  EXPECT_EQ(cycle.status(), L"扫描失败 \u2014 请确认以管理员身份运行");
  // Only a volume without NTFS gets its own line; read failures keep the rights hint.
  for (const ScanError error : {ScanError::kPermissionDenied, ScanError::kCannotReadMft, ScanError::kUnknown}) {
    ASSERT_TRUE(cycle.Press());
    cycle.Failed(error);
    EXPECT_EQ(cycle.status(), L"扫描失败 — 请确认以管理员身份运行");
  }
  ASSERT_TRUE(cycle.Press());
  cycle.Failed(ScanError::kNotNtfs);
  EXPECT_TRUE(cycle.controls_enabled());
  EXPECT_EQ(cycle.status(), L"扫描失败 — 该驱动器不是 NTFS 卷");

  ASSERT_TRUE(cycle.Press());
  cycle.Succeeded(L"扫描完成 0.50 秒");
  EXPECT_TRUE(cycle.controls_enabled());
  EXPECT_EQ(cycle.status(), L"扫描完成 0.50 秒");
  EXPECT_TRUE(cycle.Press());
}

TEST(ScanCycle, AnOpenedScansLineTakesThePlaceOfTheLastOutcome) {
  ScanCycle cycle;
  cycle.Opened(L"已打开 a.twsnap · 3 文件 · 1 文件夹");
  EXPECT_EQ(cycle.status(), L"已打开 a.twsnap · 3 文件 · 1 文件夹");
  EXPECT_TRUE(cycle.controls_enabled());
  ASSERT_TRUE(cycle.Press());
  cycle.Opened(L"ignored while scanning");
  EXPECT_EQ(cycle.status(), L"正在扫描...");
  EXPECT_TRUE(cycle.scanning());
  cycle.Succeeded(L"扫描完成 · 正在比较…");
  cycle.Opened(L"已打开 b.twsnap · 3 文件 · 1 文件夹");
  EXPECT_FALSE(cycle.UpdateSummary(L"扫描完成 · 比上次增加 1 B")) << "the opened file's line stays";
  EXPECT_EQ(cycle.status(), L"已打开 b.twsnap · 3 文件 · 1 文件夹");
}

// A comparison that arrives after the result changes its summary only while
// the line still shows that result: not during the next scan, nor after it
// failed.
TEST(ScanCycle, TheSummaryFollowsTheComparisonOnlyWhileTheResultOwnsTheLine) {
  ScanCycle cycle;
  EXPECT_FALSE(cycle.UpdateSummary(L"扫描完成 · 比上次增加 1 B")) << "no result yet";
  ASSERT_TRUE(cycle.Press());
  cycle.Succeeded(L"扫描完成 · 正在比较…");
  EXPECT_TRUE(cycle.UpdateSummary(L"扫描完成 · 比上次增加 1 B"));
  EXPECT_EQ(cycle.status(), L"扫描完成 · 比上次增加 1 B");
  ASSERT_TRUE(cycle.Press());
  EXPECT_FALSE(cycle.UpdateSummary(L"扫描完成 · 比一周前增加 2 B"));
  EXPECT_EQ(cycle.status(), L"正在扫描...");
  cycle.Failed(ScanError::kNotNtfs);
  EXPECT_FALSE(cycle.UpdateSummary(L"扫描完成 · 比一周前增加 2 B"));
  EXPECT_EQ(cycle.status(), L"扫描失败 — 该驱动器不是 NTFS 卷");
}

}  // namespace
}  // namespace tw
