#include "views/status_texts.h"

#include <gtest/gtest.h>

#include "texts/texts.h"

namespace tw {
namespace {

TEST(StatusTexts, SuccessLineAndFixedTexts) {
  ScanResult r;
  r.elapsed_seconds = 0.7;
  r.root_total_size = 248514967798;  // 231.45 GB
  r.file_count = 812345;
  r.folder_count = 120345;
  EXPECT_EQ(ScanSuccessStatus(r),
            L"扫描完成 0.70 秒 \u00B7 MFT \u00B7 231.45 GB \u00B7 812345 文件 \u00B7 120345 文件夹 "
            L"\u00B7 单击三角展开");
  r.elapsed_seconds = 123.4;
  r.root_total_size = 0;
  r.folder_count = -1;
  EXPECT_EQ(ScanSuccessStatus(r), L"扫描完成 123. 秒 · MFT · 0 B · 812345 文件 · -1 文件夹 · 单击三角展开");
  // Records the scan could not read are named last.
  r.unreadable_records = 3;
  EXPECT_EQ(ScanSuccessStatus(r),
            L"扫描完成 123. 秒 · MFT · 0 B · 812345 文件 · -1 文件夹 · 单击三角展开 · 3 条记录无法读取");

  EXPECT_EQ(std::wstring(text::kStatusReady), L"就绪 \u2014 以管理员身份运行 \u00B7 MFT 快速扫描");
  EXPECT_EQ(std::wstring(text::kStatusScanFailed), L"扫描失败 \u2014 请确认以管理员身份运行");
}

TEST(DriveList, ItemTextAndSelectedLetter) {
  EXPECT_EQ(DriveItemText(L'C', L""), L"[C:]");
  EXPECT_EQ(DriveItemText(L'D', L"Data"), L"[D:] Data");
  EXPECT_EQ(SelectedDriveLetter(DriveItemText(L'E', L"Backup")), L"E");
  for (std::wstring_view bad :
       {std::wstring_view(L""), std::wstring_view(L"["), std::wstring_view(L"[\0x", 3), std::wstring_view(L"D:")}) {
    EXPECT_EQ(SelectedDriveLetter(bad), L"C");
  }
}

TEST(SpaceSummary, SharesOfUsedAndFreeAddUp) {
  const SpaceSummaryTexts t = SpaceSummary(MakeDiskSpace(500107862016, 120034123776));
  EXPECT_EQ(t.total, L"总空间  465.76 GB");
  EXPECT_EQ(t.used, L"已用  353.97 GB  (76.0%)");
  EXPECT_EQ(t.free, L"可用  111.79 GB  (24.0%)");

  const SpaceSummaryTexts full = SpaceSummary(MakeDiskSpace(1024, 0));
  EXPECT_EQ(full.used, L"已用  1.00 KB  (100.0%)");
  EXPECT_EQ(full.free, L"可用  0 B  (0.0%)");
}

TEST(SpaceSummary, PlaceholdersWithoutAPositiveTotal) {
  for (const DiskSpace& d : {DiskSpace{}, MakeDiskSpace(std::uint64_t{1} << 63, 5)}) {
    const SpaceSummaryTexts t = SpaceSummary(d);
    EXPECT_EQ(t.total + t.used + t.free, L"总空间 \u2014已用 \u2014可用 \u2014");
  }
}

}  // namespace
}  // namespace tw
