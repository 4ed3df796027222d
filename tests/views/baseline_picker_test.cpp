#include "views/baseline_picker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "store/snapshot.h"
#include "support/scan_result_builder.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ScanResultBuilder;

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kNow = 1796117405;  // 2026-12-01 09:30:05 UTC

// The time columns' local time, as UTC for the length of a test.
class InUtc : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    had_tz_ = tz != nullptr;
    if (had_tz_) old_tz_ = tz;
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      setenv("TZ", old_tz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_tz_ = false;
  std::string old_tz_;
};

std::vector<KeptScan> Earlier(std::initializer_list<std::int64_t> ages) {
  std::vector<KeptScan> earlier;
  for (const std::int64_t age : ages) earlier.push_back(KeptScan{"scan-" + std::to_string(age), kNow - age, 100});
  return earlier;
}

std::vector<std::wstring> Labels(const std::vector<BaselineChoice>& choices) {
  std::vector<std::wstring> labels;
  for (const BaselineChoice& c : choices) labels.push_back(c.label);
  return labels;
}

using BaselineChoicesTest = InUtc;

TEST_F(BaselineChoicesTest, EachPlaceWithItsScanNewestFirst) {
  const std::vector<KeptScan> earlier = Earlier({kHour, kDay + kHour, 8 * kDay, 40 * kDay, 400 * kDay});
  const std::vector<BaselineChoice> choices = BaselineChoices(earlier, kNow);
  EXPECT_EQ(Labels(choices),
            (std::vector<std::wstring>{L"上次扫描 (2026/12/1 08:30:05)", L"一天前 (2026/11/30 08:30:05)",
                                       L"一周前 (2026/11/23 09:30:05)", L"一个月前 (2026/10/22 09:30:05)",
                                       L"一年前 (2025/10/27 09:30:05)"}));
  for (std::size_t i = 0; i < choices.size(); ++i) {
    EXPECT_EQ(choices[i].scan, i);
    EXPECT_EQ(choices[i].place, static_cast<BaselinePlace>(i));
  }
}

// A scan that fills several places is listed once, under the first name;
// places without a scan are left out.
TEST_F(BaselineChoicesTest, AScanInSeveralPlacesIsListedOnceUnderTheFirstName) {
  // A day and ten days old: the last scan is also the day's, the older one
  // the week's; nothing is a month old.
  std::vector<BaselineChoice> choices = BaselineChoices(Earlier({kDay, 10 * kDay}), kNow);
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[0].place, kBaselinePlaceLast);
  EXPECT_EQ(choices[0].scan, 0u);
  EXPECT_EQ(choices[1].place, kBaselinePlaceWeek);
  EXPECT_EQ(choices[1].scan, 1u);
  EXPECT_EQ(choices[1].label, L"一周前 (2026/11/21 09:30:05)");

  // One scan 400 days old fills every place: 上次扫描 alone.
  choices = BaselineChoices(Earlier({400 * kDay}), kNow);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].label, L"上次扫描 (2025/10/27 09:30:05)");

  // An hour and two hours old, then 40 days: 上次扫描, then the month's
  // scan also standing for the day and the week.
  choices = BaselineChoices(Earlier({kHour, 2 * kHour, 40 * kDay}), kNow);
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1].place, kBaselinePlaceDay);
  EXPECT_EQ(choices[1].scan, 2u);

  EXPECT_TRUE(BaselineChoices({}, kNow).empty());
  EXPECT_EQ(BaselineStatusLead(kBaselinePlaceLast), L" · 比上次");
  EXPECT_EQ(BaselineStatusLead(kBaselinePlaceMonth), L" · 比一个月前");
}

// The comparison with a picked baseline: from the generation held, or from
// its file; a file that is gone, damaged or of another volume gives none.
TEST(CompareWithBaseline, ReadsTheKeptScanOrTakesTheOneHeld) {
  const fs::path folder = fs::path(::testing::TempDir()) / "tarnwick-baseline-picker";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const auto volume = [](std::int64_t size, std::uint64_t serial) {
    ScanResultBuilder b(L"C");
    b.AddFolder(30, kRootId, L"docs");
    b.AddFile(30, 100, L"a.txt", size);
    ScanResult r = b.Finish();
    r.volume_serial = serial;
    return MakeGeneration(std::move(r));
  };
  const ResultGeneration now = volume(500, 7), week = volume(200, 7), other = volume(100, 8);
  std::string error;
  const std::string path = (folder / "week.twsnap").string(), foreign = (folder / "other.twsnap").string();
  ASSERT_TRUE(SaveSnapshotFile(path, *week, error)) << error;
  ASSERT_TRUE(SaveSnapshotFile(foreign, *other, error)) << error;

  const auto read = CompareWithBaseline(BaselineSource{path, nullptr, kBaselinePlaceWeek}, now, 10);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->new_scan, now);
  EXPECT_EQ(read->folders[0].size_change(), 300);
  const auto held = CompareWithBaseline(BaselineSource{"", week, kBaselinePlaceLast}, now, 10);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->old_scan, week);

  EXPECT_EQ(CompareWithBaseline(BaselineSource{foreign, nullptr, kBaselinePlaceWeek}, now, 10), nullptr);
  EXPECT_EQ(CompareWithBaseline(BaselineSource{(folder / "gone").string(), nullptr, kBaselinePlaceWeek}, now, 10),
            nullptr);
  EXPECT_EQ(CompareWithBaseline(BaselineSource{}, now, 10), nullptr);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace tw
