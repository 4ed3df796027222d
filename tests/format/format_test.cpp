#include "format/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "support/scoped_time_zone.h"

namespace tw {
namespace {

using test::ScopedTimeZone;

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kUnixEpochSeconds = 11644473600;

std::int64_t FileTimeFromUnix(std::int64_t unix_seconds) {
  return (unix_seconds + kUnixEpochSeconds) * kTicksPerSecond;
}

// 2024-03-07 01:05:01 UTC.
constexpr std::int64_t kSampleUnix = 1709773501;

TEST(FormatSize, BinaryUnitsUpToTerabytes) {
  EXPECT_EQ(FormatSize(0), L"0 B");
  EXPECT_EQ(FormatSize(1023), L"1023 B");
  EXPECT_EQ(FormatSize(1024), L"1.00 KB");
  EXPECT_EQ(FormatSize(1536), L"1.50 KB");
  EXPECT_EQ(FormatSize(1048575), L"1024.00 KB");  // the unit is chosen before rounding
  EXPECT_EQ(FormatSize(1048576), L"1.00 MB");
  EXPECT_EQ(FormatSize(1000204886016ULL), L"931.51 GB");
  EXPECT_EQ(FormatSize(1ULL << 50), L"1024.00 TB");
  EXPECT_EQ(FormatSize(static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())), L"8388608.00 TB");
  // Negative as a signed count.
  EXPECT_EQ(FormatSize(1ULL << 63), L"0 B");
  EXPECT_EQ(FormatSize(std::numeric_limits<std::uint64_t>::max()), L"0 B");
}

TEST(FormatPercent, ClampedWithOneDecimal) {
  EXPECT_EQ(FormatPercent(-5), L"0.0%");
  EXPECT_EQ(FormatPercent(0.04), L"0.0%");
  EXPECT_EQ(FormatPercent(42.66), L"42.7%");
  EXPECT_EQ(FormatPercent(99.96), L"100.0%");
  EXPECT_EQ(FormatPercent(250), L"100.0%");
  EXPECT_EQ(FormatPercent(std::numeric_limits<double>::infinity()), L"100.0%");
  EXPECT_EQ(FormatPercent(std::nan("")), L"0.0%");
}

TEST(FormatCount, PlainDigitsWithoutGrouping) {
  EXPECT_EQ(FormatCount(0), L"0");
  EXPECT_EQ(FormatCount(-3), L"-3");
  EXPECT_EQ(FormatCount(2147483647), L"2147483647");
  EXPECT_EQ(FormatCount(std::numeric_limits<std::int32_t>::min()), L"-2147483648");
}

TEST(FormatFileTime, NonPositiveValuesGiveEmptyText) {
  EXPECT_EQ(FormatFileTime(0), L"");
  EXPECT_EQ(FormatFileTime(-1), L"");
  EXPECT_EQ(FormatFileTime(std::numeric_limits<std::int64_t>::min()), L"");
}

TEST(FormatFileTime, ShownInTheLocalZone) {
  const std::int64_t sample = FileTimeFromUnix(kSampleUnix);
  {
    ScopedTimeZone tz("CST-8");
    EXPECT_EQ(FormatFileTime(sample), L"2024/3/7 09:05:01");
  }
  {
    ScopedTimeZone tz("UTC0");
    EXPECT_EQ(FormatFileTime(sample), L"2024/3/7 01:05:01");
    // Sub-second ticks never round up to the next second.
    EXPECT_EQ(FormatFileTime(sample + kTicksPerSecond - 1), L"2024/3/7 01:05:01");
  }
  {
    ScopedTimeZone tz("EST5");
    EXPECT_EQ(FormatFileTime(sample), L"2024/3/6 20:05:01");
  }
}

// The CSV export's times: local ISO 8601 with the zone's offset at that
// moment (so a summer time and a winter time of one zone differ), a
// half-hour zone, and nothing for an unknown time.
TEST(FormatIsoLocalTime, LocalTimeWithTheOffsetOfThatMoment) {
  EXPECT_EQ(FormatIsoLocalTime(0), "");
  EXPECT_EQ(FormatIsoLocalTime(-1), "");
  {
    ScopedTimeZone tz("CST-8");
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix)), "2024-03-07T09:05:01+08:00");
  }
  {
    ScopedTimeZone tz("UTC0");
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix)), "2024-03-07T01:05:01+00:00");
    // Sub-second ticks are dropped, not rounded up.
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix) + kTicksPerSecond - 1), "2024-03-07T01:05:01+00:00");
  }
  {
    ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix)), "2024-03-06T20:05:01-05:00");
    // 2024-07-01 12:00:00 UTC, in summer time.
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(1719835200)), "2024-07-01T08:00:00-04:00");
  }
  {
    ScopedTimeZone tz("IST-5:30");
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix)), "2024-03-07T06:35:01+05:30");
  }
  {
    ScopedTimeZone tz("NST3:30");
    EXPECT_EQ(FormatIsoLocalTime(FileTimeFromUnix(kSampleUnix)), "2024-03-06T21:35:01-03:30");
  }
}

TEST(FormatFileTime, TimesBefore1970AndTheLargestFileTime) {
  ScopedTimeZone tz("UTC0");
  EXPECT_EQ(FormatFileTime(FileTimeFromUnix(-14182940)), L"1969/7/20 20:17:40");
  EXPECT_EQ(FormatFileTime(1), L"1601/1/1 00:00:00");
  EXPECT_EQ(FormatFileTime(std::numeric_limits<std::int64_t>::max()), L"30828/9/14 02:48:05");
}

TEST(FormatAttributes, LettersInTableOrderOtherBitsIgnored) {
  EXPECT_EQ(FormatAttributes(0x27), L"RHSA");
  EXPECT_EQ(FormatAttributes(0x4000 | 0x800 | 0x400), L"CEL");
  EXPECT_EQ(FormatAttributes(0xFFFFFFFFu), L"RHSACEL");
  EXPECT_EQ(FormatAttributes(0x0), L"");
  EXPECT_EQ(FormatAttributes(0x10 | 0x80 | 0x200 | 0x1000), L"");
}

TEST(FormatSeconds, CutToFourCharactersNotRounded) {
  EXPECT_EQ(FormatSeconds(0.5), L"0.50");
  EXPECT_EQ(FormatSeconds(9.87654), L"9.87");
  EXPECT_EQ(FormatSeconds(12.345678), L"12.3");
  EXPECT_EQ(FormatSeconds(0.04), L"0.04");
  EXPECT_EQ(FormatSeconds(100.25), L"100.");
  EXPECT_EQ(FormatSeconds(12345.6), L"1234");
  // "%f" of the largest double is over 300 characters.
  EXPECT_EQ(FormatSeconds(std::numeric_limits<double>::max()), L"1797");
}

}  // namespace
}  // namespace tw
