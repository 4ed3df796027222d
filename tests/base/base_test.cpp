#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/arithmetic.h"
#include "base/drive_letter.h"
#include "base/extension.h"
#include "base/ids.h"

namespace tw {
namespace {

TEST(ExtensionOf, TailFromLastDotUnlessDotLeads) {
  EXPECT_EQ(ExtensionOf(L"a.txt"), L".txt");
  EXPECT_EQ(ExtensionOf(L"archive.tar.gz"), L".gz");
  EXPECT_EQ(ExtensionOf(L"photo.JPG"), L".JPG");
  EXPECT_EQ(ExtensionOf(L"archive."), L".");
  EXPECT_EQ(ExtensionOf(L".bashrc"), L"");
  EXPECT_EQ(ExtensionOf(L"Makefile"), L"");
  EXPECT_EQ(ExtensionOf(L""), L"");
  EXPECT_EQ(ExtensionOf(L"..x"), L".x");
  EXPECT_EQ(ExtensionOf(L"报告.文档"), L".文档");
}

TEST(DriveLetter, OneAsciiLetterWithOrWithoutColon) {
  EXPECT_EQ(DriveLetterOf("c"), L'C');
  EXPECT_EQ(DriveLetterOf("D:"), L'D');
  EXPECT_EQ(DriveLetterOf(L"z:"), L'Z');
  for (const char* text : {"", "CD", "C:\\", "1", ":", "C;", "\xC3\x84", "\\\\.\\C:"}) {
    EXPECT_EQ(DriveLetterOf(text), 0) << text;
  }
  EXPECT_EQ(DriveLetterOf(L"\u00C4"), 0);  // a letter, but not A-Z
}

TEST(DriveLetter, DevicePathsOnlyWhenAllowed) {
  EXPECT_EQ(DriveLetterOf("\\\\.\\e:", true), L'E');
  EXPECT_EQ(DriveLetterOf("//./F:", true), L'F');
  EXPECT_EQ(DriveLetterOf("\\\\?\\C:", true), 0);
  EXPECT_EQ(DriveLetterOf("\\\\.\\CD", true), 0);
  EXPECT_EQ(DriveLetterOf("G", true), L'G');
  EXPECT_EQ(VolumeDevicePath(L'C'), "\\\\.\\C:");
}

TEST(Arithmetic, SumsHoldAtTheLimitsAndPowersOfTwo) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(SaturatingAdd<std::int64_t>(kMax - 1, 5), kMax);
  EXPECT_EQ(SaturatingAdd<std::int64_t>(std::numeric_limits<std::int64_t>::min() + 1, -5),
            std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(SaturatingAdd<std::int32_t>(2, 3), 5);
  EXPECT_EQ(SaturatingAdd<std::int32_t>(std::numeric_limits<std::int32_t>::max(), 1),
            std::numeric_limits<std::int32_t>::max());
  EXPECT_TRUE(IsPowerOfTwo(1));
  EXPECT_TRUE(IsPowerOfTwo(std::uint64_t{1} << 63));
  EXPECT_FALSE(IsPowerOfTwo(0));
  EXPECT_FALSE(IsPowerOfTwo(4096 + 512));
}

TEST(Ids, ZeroAndNegativeStandForTheRoot) {
  EXPECT_EQ(RootIfNotPositive(0), kRootId);
  EXPECT_EQ(RootIfNotPositive(-7), kRootId);
  EXPECT_EQ(RootIfNotPositive(6), 6);
  EXPECT_NE(IdHash{}(1), IdHash{}(2));
}

}  // namespace
}  // namespace tw
