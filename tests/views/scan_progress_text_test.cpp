#include "views/scan_progress_text.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

ScanProgress Parsing(std::int64_t done, std::int64_t total) { return ScanProgress{ScanStage::kParsing, done, total}; }

TEST(ScanProgressText, EachStageHasItsValueAndText) {
  const struct {
    ScanStage stage;
    std::int32_t value;
    const wchar_t* text;
  } stages[] = {
      {ScanStage::kOpening, 1, L"正在打开 NTFS 卷..."},
      {ScanStage::kReadingMft, 5, L"正在读取 MFT..."},
      {ScanStage::kOverflow, 90, L"解析 ATTRIBUTE_LIST 溢出属性..."},
      {ScanStage::kApply, 91, L"合并扩展 MFT 记录..."},
      {ScanStage::kTree, 92, L"构建目录树..."},
  };
  for (const auto& s : stages) {
    EXPECT_EQ(ScanProgressValue(ScanProgress{s.stage}), s.value);
    EXPECT_EQ(ScanProgressText(ScanProgress{s.stage}), s.text);
  }
}

TEST(ScanProgressText, ParseStartNamesWholeMebibytesAndTheReportedThreads) {
  // 1.5 GiB on 8 threads; 40,960,000 bytes are 39 whole MiB; 0 threads stay 0.
  EXPECT_EQ(ScanProgressText(ScanProgress{ScanStage::kParseStart, 0, 1, std::int64_t{1536} << 20, 8}),
            L"MFT 1536 MB \u00B7 8 线程并行解析");
  EXPECT_EQ(ScanProgressText(ScanProgress{ScanStage::kParseStart, 0, 1, 40960000, 0}),
            L"MFT 39 MB \u00B7 0 线程并行解析");
  EXPECT_EQ(ScanProgressValue(ScanProgress{ScanStage::kParseStart}), 10);
}

TEST(ScanProgressText, SliceValueRunsFromTenToEightyEightAndTextCapsDone) {
  EXPECT_EQ(ScanProgressValue(Parsing(0, 1000)), 10);
  EXPECT_EQ(ScanProgressValue(Parsing(250000, 1000000)), 29);
  EXPECT_EQ(ScanProgressValue(Parsing(500000, 8000000)), 14);
  EXPECT_EQ(ScanProgressValue(Parsing(750000, 1000000)), 68);
  EXPECT_EQ(ScanProgressValue(Parsing(1000000, 1000000)), 88);
  EXPECT_EQ(ScanProgressValue(Parsing(2000000, 1000000)), 88);  // capped
  EXPECT_EQ(ScanProgressValue(Parsing(2000000000, 2000000000)), 88);
  EXPECT_EQ(ScanProgressValue(Parsing(5, 0)), 88);
  EXPECT_EQ(ScanProgressText(Parsing(12, 10)), L"并行解析: 10 / 10");
  EXPECT_EQ(ScanProgressText(Parsing(50000, 50000)), L"并行解析: 50000 / 50000");
}

TEST(ScanProgressText, EveryOpenFailureAsksForAdministratorRights) {
  for (const ScanError e : {ScanError::kCannotOpen, ScanError::kPermissionDenied, ScanError::kEmptySource,
                            ScanError::kNotNtfs, ScanError::kNoSuchPartition}) {
    EXPECT_EQ(ScanErrorLine(e), L"错误: 无法打开卷，请确认以管理员身份运行。");
  }
  EXPECT_EQ(ScanErrorLine(ScanError::kCannotReadMft), L"错误: 无法读取 MFT。");
  EXPECT_EQ(ScanErrorLine(ScanError::kCannotRead), L"错误: 无法读取卷的引导扇区。");
  EXPECT_EQ(ScanErrorLine(ScanError::kOutOfMemory), L"错误: 内存不足。");
  EXPECT_EQ(ScanErrorLine(ScanError::kUnknown), L"错误: 未知错误。");
}

}  // namespace
}  // namespace tw
