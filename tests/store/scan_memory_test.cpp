#include "store/scan_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "store/snapshot.h"
#include "support/scan_result_builder.h"
#include "support/snapshot_compare.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ScanResultBuilder;

constexpr std::uint64_t kSerial = 0x00C0FFEE12345678;

// docs (30) with a.txt of `a_size` bytes, and b.txt when asked.
ScanResult Volume(std::int64_t a_size, bool with_b = false) {
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"docs");
  b.AddFile(30, 100, L"a.txt", a_size);
  if (with_b) b.AddFile(30, 101, L"b.txt", 7);
  ScanResult r = b.Finish();
  r.volume_serial = kSerial;
  return r;
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Each test has a folder of its own; the snapshot folder `folder_` inside it
// does not exist yet.
class ScanMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::path(::testing::TempDir()) /
            (std::string("tarnwick-memory-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    fs::create_directories(base_);
    folder_ = (base_ / "scans").string();
  }
  void TearDown() override { fs::remove_all(base_); }

  fs::path base_;
  std::string folder_;
};

TEST_F(ScanMemory, FirstScanIsSavedPrivatelyAndTheNextIsComparedWithIt) {
  const ResultGeneration first = MakeGeneration(Volume(100));
  const RememberedScan none = RememberScan(folder_, first, 10);
  EXPECT_EQ(none.previous_scan, PreviousScan::kNone);
  EXPECT_TRUE(none.saved);
  EXPECT_EQ(none.problem, "");
  EXPECT_FALSE(none.changes);
  const std::string path = SnapshotPathFor(folder_, kSerial);
  EXPECT_EQ(path, folder_ + "/volume-00C0FFEE12345678.twsnap");
  EXPECT_EQ(Names(folder_), std::vector<std::string>{"volume-00C0FFEE12345678.twsnap"}) << "no temporary left";
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::mask, fs::perms::owner_all);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask, fs::perms::owner_read | fs::perms::owner_write);

  const ResultGeneration second = MakeGeneration(Volume(300, true));
  const RememberedScan compared = RememberScan(folder_, second, 10);
  ASSERT_EQ(compared.previous_scan, PreviousScan::kCompared) << compared.problem;
  ASSERT_TRUE(compared.changes);
  // The comparison holds the snapshot read back and the very generation it was given.
  ASSERT_NE(compared.changes->old_scan, nullptr);
  EXPECT_EQ(test::DifferenceBetween(*first, *compared.changes->old_scan), "");
  EXPECT_EQ(compared.changes->new_scan, second);
  ASSERT_EQ(compared.changes->resized.size(), 1u);
  EXPECT_EQ(compared.changes->resized[0].new_size - compared.changes->resized[0].old_size, 200);
  ASSERT_EQ(compared.changes->added.size(), 1u);
  EXPECT_EQ(ComparedFilePath(*compared.changes, compared.changes->added[0]), L"C:\\docs\\b.txt");
  EXPECT_TRUE(compared.saved);
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(LoadSnapshotFile(path, back, error)) << error.detail;
  EXPECT_EQ(test::DifferenceBetween(*second, back), "");
}

TEST_F(ScanMemory, UnknownSerialNumberReadsAndWritesNothing) {
  ScanResult r = Volume(1);
  r.volume_serial = 0;
  const RememberedScan m = RememberScan(folder_, MakeGeneration(r), 10);
  EXPECT_EQ(m.previous_scan, PreviousScan::kNone);
  EXPECT_FALSE(m.saved);
  EXPECT_FALSE(fs::exists(folder_));
}

// What stands at the volume's path decides what the previous scan was; it
// is replaced by a good snapshot either way.
TEST_F(ScanMemory, DamagedOrForeignSnapshotIsReplaced) {
  ScanResult foreign = Volume(1);
  foreign.volume_serial = kSerial + 1;
  const std::vector<std::uint8_t> foreign_bytes = EncodeSnapshot(foreign);
  const std::vector<std::uint8_t> good = EncodeSnapshot(Volume(2));
  struct Case {
    const char* what;
    std::string bytes;
    PreviousScan expected;
  } cases[] = {
      {"damaged", std::string(good.begin(), good.end() - 9) + "123456789", PreviousScan::kUnreadable},
      {"empty", "", PreviousScan::kUnreadable},
      {"another volume's", std::string(foreign_bytes.begin(), foreign_bytes.end()), PreviousScan::kNone},
  };
  fs::create_directory(folder_);
  const std::string path = SnapshotPathFor(folder_, kSerial);
  for (const Case& c : cases) {
    WriteFile(path, c.bytes);
    const RememberedScan m = RememberScan(folder_, MakeGeneration(Volume(3)), 10);
    EXPECT_EQ(m.previous_scan, c.expected) << c.what;
    EXPECT_FALSE(m.changes) << c.what;
    EXPECT_EQ(m.problem.empty(), c.expected == PreviousScan::kNone) << c.what << ": " << m.problem;
    EXPECT_TRUE(m.saved) << c.what;
    EXPECT_EQ(RememberScan(folder_, MakeGeneration(Volume(4)), 10).previous_scan, PreviousScan::kCompared) << c.what;
  }
}

TEST_F(ScanMemory, FileWhereTheFolderShouldBeOnlyLosesTheComparison) {
  WriteFile(folder_, "not a folder");
  RememberedScan m;
  ASSERT_NO_THROW(m = RememberScan(folder_, MakeGeneration(Volume(1)), 10));
  EXPECT_EQ(m.previous_scan, PreviousScan::kNone);
  EXPECT_FALSE(m.saved);
  EXPECT_NE(m.problem, "");
}

TEST(HasRoomForSnapshot, LeavesTwiceTheSnapshotFree) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const struct {
    std::uint64_t free_bytes, size;
    bool room;
  } cases[] = {
      {0, 0, true},     {300, 100, true},       {299, 100, false},           {5, 2, false},
      {99, 100, false}, {kMax, kMax / 3, true}, {kMax, kMax / 3 + 1, false}, {kMax, kMax, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasRoomForSnapshot(c.free_bytes, c.size), c.room) << c.free_bytes << " free, " << c.size;
  }
}

TEST_F(ScanMemory, ForgetRemovesOnlyRememberedScansAndTheirTemporaries) {
  std::string error;
  EXPECT_TRUE(ForgetScans(folder_, error)) << "a missing folder holds none";
  fs::create_directory(folder_);
  for (const char* name : {"volume-00000000000000AB.twsnap", "volume-1.twsnap.Ab3xYz", "volume-2.twsnap.tmp4242",
                           "notes.txt", "other.twsnap", "volume-3.twsnapshot"}) {
    WriteFile(fs::path(folder_) / name, "x");
  }
  EXPECT_TRUE(ForgetScans(folder_, error)) << error;
  EXPECT_EQ(Names(folder_), (std::vector<std::string>{"notes.txt", "other.twsnap", "volume-3.twsnapshot"}));
}

}  // namespace
}  // namespace tw
