#include "format/utc_time.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tw {
namespace {

// 2026-12-07T09:30:05Z, counted by hand: 20,794 days from 1970 to
// 2026-12-07 (56 years with 14 leap days, then 340 days of 2026).
constexpr std::int64_t kSample = 20794LL * 86400 + 9 * 3600 + 30 * 60 + 5;

TEST(UtcStamp, WritesAndReadsTheCalendarInUtc) {
  EXPECT_EQ(UtcStamp(kSample), "20261207T093005");
  EXPECT_EQ(ParseUtcStamp("20261207T093005"), kSample);
  EXPECT_EQ(UtcStamp(0), "19700101T000000");
  EXPECT_EQ(UtcStamp(kLastCivilSecond), "99991231T235959");
  // Leap days: 2024 has one, 2100 has none, 2000 has one.
  EXPECT_EQ(UtcStamp(*ParseUtcStamp("20240229T120000") + 86400), "20240301T120000");
  EXPECT_EQ(ParseUtcStamp("21000229T000000"), std::nullopt);
  EXPECT_EQ(UtcStamp(*ParseUtcStamp("20000228T235959") + 1), "20000229T000000");
  // Out of range: clamped when written.
  EXPECT_EQ(UtcStamp(-5), "19700101T000000");
  EXPECT_EQ(UtcStamp(kLastCivilSecond + 1000), "99991231T235959");
  for (std::int64_t t = 0; t < 40LL * 366 * 86400; t += 86400 * 37 + 3601) {
    ASSERT_EQ(ParseUtcStamp(UtcStamp(t)), t) << UtcStamp(t);
  }
}

TEST(UtcStamp, ReadsOnlyItsOwnForm) {
  for (const char* bad : {"", "20261207T09300", "20261207T0930055", "20261207 093005", "2026-12-07T093005",
                          "20261307T093005", "20261200T093005", "20261207T243005", "20261207T096005",
                          "20261207T093060", "19691231T235959", "2026120xT093005", "+0261207T093005"}) {
    EXPECT_EQ(ParseUtcStamp(bad), std::nullopt) << bad;
  }
}

TEST(ParseIsoTime, NeedsTheZoneAndHonoursIt) {
  EXPECT_EQ(ParseIsoTime("2026-12-07T09:30:05Z"), kSample);
  EXPECT_EQ(ParseIsoTime("2026-12-07t09:30:05z"), kSample);
  EXPECT_EQ(ParseIsoTime("2026-12-07T10:30:05+01:00"), kSample);
  EXPECT_EQ(ParseIsoTime("2026-12-07T04:00:05-0530"), kSample);
  EXPECT_EQ(ParseIsoTime("2026-12-07T09:30:05.999Z"), kSample) << "the fraction is dropped";
  EXPECT_EQ(ParseIsoTime("2026-12-08T00:30:05+15:00"), kSample) << "the zone moves the day";
  EXPECT_EQ(ParseIsoTime("1970-01-01T00:00:00Z"), 0);
  for (const char* bad :
       {"2026-12-07T09:30:05", "2026-12-07 09:30:05Z", "2026-12-07T09:30Z", "2026-12-07T09:30:05.Z",
        "2026-12-07T09:30:05+1:00", "2026-12-07T09:30:05+01", "2026-12-07T09:30:05+24:00", "2026-02-30T00:00:00Z",
        "1969-12-31T23:59:59Z", "1970-01-01T00:30:00+01:00", "10000-01-01T00:00:00Z", "2026-12-07T09:30:05ZZ",
        "now", ""}) {
    EXPECT_EQ(ParseIsoTime(bad), std::nullopt) << bad;
  }
}

TEST(FileTimeOfUnixSeconds, CountsFrom1601AndKeepsUnknownAsZero) {
  EXPECT_EQ(FileTimeOfUnixSeconds(1), (11644473600LL + 1) * 10000000);
  EXPECT_EQ(FileTimeOfUnixSeconds(0), 0);
  EXPECT_EQ(FileTimeOfUnixSeconds(-1), 0);
  EXPECT_EQ(FileTimeOfUnixSeconds(INT64_MAX / 1000), 0);
}

}  // namespace
}  // namespace tw
