#include "views/saved_scan_texts.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "support/scan_result_builder.h"
#include "support/scoped_time_zone.h"

namespace tw {
namespace {

using test::ScopedTimeZone;

// 2026-12-07 01:30:05 UTC: 09:30:05 in China.
constexpr std::int64_t kScannedAt = 1796607005;

ScanResult Counted(std::int32_t files, std::int32_t folders) {
  ScanResult result = test::ScanResultBuilder(L"X").Finish();
  result.file_count = files;
  result.folder_count = folders;
  return result;
}

TEST(OpenedStatus, NamesTheFileItsScanTimeAndItsCounts) {
  ScopedTimeZone tz("CST-8");
  ScanResult result = Counted(345, 32);
  result.scanned_at = kScannedAt;
  EXPECT_EQ(OpenedStatus(L"扫描记录.twsnap", result),
            L"已打开 扫描记录.twsnap (2026/12/7 09:30:05) · 345 文件 · 32 文件夹");
  // A file that does not know when it was made: no time at all.
  result.scanned_at = 0;
  EXPECT_EQ(OpenedStatus(L"a.twsnap", result), L"已打开 a.twsnap · 345 文件 · 32 文件夹");
  // Records the scan could not read are said, as after a scan.
  result.unreadable_records = 3;
  EXPECT_EQ(OpenedStatus(L"a.twsnap", result), L"已打开 a.twsnap · 345 文件 · 32 文件夹 · 3 条记录无法读取");
}

TEST(ScanTimeText, UnknownAndOutOfRangeTimesGiveNothing) {
  ScopedTimeZone tz("UTC0");
  EXPECT_EQ(ScanTimeText(0), L"");
  EXPECT_EQ(ScanTimeText(-5), L"");
  EXPECT_EQ(ScanTimeText(INT64_MAX), L"");
  EXPECT_EQ(ScanTimeText(kScannedAt), L"2026/12/7 01:30:05");
}

// The window words a refused file as the command line does.
TEST(OpenFailureLine, TheCommandLinesReasonsWithThePathAndDetail) {
  SnapshotError error;
  error.problem = SnapshotProblem::kDamaged;
  error.detail = "section 2: checksum mismatch";
  EXPECT_EQ(OpenFailureLine(error, L"D:\\scans\\a.twsnap"),
            L"错误: 扫描存档已损坏。 (D:\\scans\\a.twsnap: section 2: checksum mismatch)");
  error.problem = SnapshotProblem::kNewerVersion;
  EXPECT_EQ(OpenFailureLine(error, L"a").rfind(L"错误: 扫描存档来自更新的版本，无法读取。 (a: ", 0), 0u);
  error.problem = SnapshotProblem::kTruncated;
  EXPECT_EQ(OpenFailureLine(error, L"a").rfind(L"错误: 扫描存档不完整。", 0), 0u);
  error.problem = SnapshotProblem::kOutOfMemory;
  EXPECT_EQ(OpenFailureLine(error, L"a").rfind(L"错误: 内存不足。", 0), 0u);
  error.problem = SnapshotProblem::kNotSnapshot;
  error.detail = "not a saved scan";
  EXPECT_EQ(OpenFailureLine(error, L"notes.txt"), L"错误: 不是扫描存档。 (notes.txt: not a saved scan)");
  EXPECT_STREQ(SnapshotProblemText(SnapshotProblem::kDamaged), L"扫描存档已损坏。");
}

TEST(SavedScanTexts, FileNamesAndTheLinesOfASave) {
  EXPECT_EQ(FileNameOf(L"C:\\a\\b\\扫描记录.twsnap"), L"扫描记录.twsnap");
  EXPECT_EQ(FileNameOf(L"/tmp/x.csv"), L"x.csv");
  EXPECT_EQ(FileNameOf(L"plain"), L"plain");
  EXPECT_EQ(FileNameOf(L"C:\\folder\\"), L"");
  EXPECT_EQ(OpeningStatus(L"a.twsnap"), L"正在打开 a.twsnap...");
  EXPECT_EQ(SavingStatus(L"a.csv"), L"正在保存 a.csv...");
  EXPECT_EQ(SavedStatus(L"", L"a.csv"), L"已保存 a.csv");
  EXPECT_EQ(SavedStatus(L"扫描完成 0.25 秒", L"a.csv"), L"扫描完成 0.25 秒 · 已保存 a.csv");
  EXPECT_EQ(SaveFailureLine(L"E:\\a.csv", L"磁盘已满。"), L"无法保存。 (E:\\a.csv: 磁盘已满。)");
}

TEST(ChangePageMessage, AnOpenedScanWithoutARememberedOneSaysSo) {
  EXPECT_STREQ(ChangePageMessage(PreviousScan::kNone, ResultOrigin::kScanned), L"首次扫描此卷 — 下次扫描后显示变化");
  EXPECT_STREQ(ChangePageMessage(PreviousScan::kNone, ResultOrigin::kLoaded), L"本机没有此卷的扫描记录 — 无法比较");
  EXPECT_STREQ(ChangePageMessage(PreviousScan::kUnreadable, ResultOrigin::kLoaded),
               L"上次的扫描记录无法读取 — 下次扫描后显示变化");
  EXPECT_STREQ(ChangePageMessage(PreviousScan::kUnreadable, ResultOrigin::kScanned),
               L"上次的扫描记录无法读取 — 下次扫描后显示变化");
}

}  // namespace
}  // namespace tw
