#include "store/scan_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
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
  const std::string path = KeptScanPath(folder_, kSerial, 0);
  EXPECT_EQ(path, folder_ + "/volume-00C0FFEE12345678-19700101T000000.twsnap");
  EXPECT_EQ(Names(folder_), std::vector<std::string>{"volume-00C0FFEE12345678-19700101T000000.twsnap"})
      << "no temporary left";
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
  // Scanned in the same second: the new file took the previous one's name.
  ASSERT_EQ(compared.earlier.size(), 1u);
  EXPECT_EQ(compared.earlier[0].path, "");
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(LoadKeptScan(path, back, error)) << error.detail;
  EXPECT_EQ(test::DifferenceBetween(*second, back), "");
}

// Two scans of one volume remembered at once: one waits for the other, so
// exactly one of them finds the other's snapshot, whole, and compares with
// it; its own file is whole afterwards.
TEST_F(ScanMemory, RememberingsOfOneVolumeTakeTurns) {
  for (int round = 0; round < 5; ++round) {
    fs::remove_all(folder_);
    ScanResult a = Volume(100), b = Volume(200, true);
    a.scanned_at = 1000;
    b.scanned_at = 1000 + 2 * 86400;
    const ResultGeneration first = MakeGeneration(std::move(a)), second = MakeGeneration(std::move(b));
    RememberedScan x, y;
    std::thread other([&] { x = RememberScan(folder_, first, 10); });
    y = RememberScan(folder_, second, 10);
    other.join();
    ASSERT_TRUE(x.saved && y.saved) << x.problem << " / " << y.problem;
    ASSERT_EQ((x.previous_scan == PreviousScan::kCompared) + (y.previous_scan == PreviousScan::kCompared), 1)
        << "round " << round;
    const bool x_last = x.previous_scan == PreviousScan::kCompared;
    const RememberedScan& last = x_last ? x : y;
    EXPECT_EQ((x_last ? y : x).previous_scan, PreviousScan::kNone);
    EXPECT_EQ(test::DifferenceBetween(*(x_last ? second : first), *last.changes->old_scan), "");
    ScanResult back;
    SnapshotError error;
    const ResultGeneration& kept = x_last ? first : second;
    ASSERT_TRUE(LoadKeptScan(KeptScanPath(folder_, kSerial, kept->scanned_at), back, error)) << error.detail;
    EXPECT_EQ(test::DifferenceBetween(*kept, back), "");
  }
}

TEST_F(ScanMemory, UnknownSerialNumberReadsAndWritesNothing) {
  ScanResult r = Volume(1);
  r.volume_serial = 0;
  const RememberedScan m = RememberScan(folder_, MakeGeneration(r), 10);
  EXPECT_EQ(m.previous_scan, PreviousScan::kNone);
  EXPECT_FALSE(m.saved);
  EXPECT_FALSE(fs::exists(folder_));
}

// What stands at the newest kept scan's path decides what the previous scan
// was; it is replaced by a good snapshot either way.
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
  const std::string path = KeptScanPath(folder_, kSerial, 0);
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

// An opened saved scan is compared with the remembered scan of its volume,
// and nothing is written: not over the remembered one, not when there is
// none, not for a damaged one.
TEST_F(ScanMemory, AnOpenedScanIsComparedButNeverRemembered) {
  const ResultGeneration opened = MakeGeneration(Volume(300, true));
  RememberedScan none = CompareWithRemembered(folder_, opened, 10);
  EXPECT_EQ(none.previous_scan, PreviousScan::kNone);
  EXPECT_FALSE(none.saved);
  EXPECT_FALSE(fs::exists(folder_));

  ASSERT_TRUE(RememberScan(folder_, MakeGeneration(Volume(100)), 10).saved);
  const std::vector<KeptScan> kept = ListKeptScans(folder_, kSerial);
  ASSERT_EQ(kept.size(), 1u);
  const std::string path = kept[0].path;
  const auto written = fs::last_write_time(path);
  const std::uintmax_t size = fs::file_size(path);
  const RememberedScan compared = CompareWithRemembered(folder_, opened, 10);
  ASSERT_EQ(compared.previous_scan, PreviousScan::kCompared) << compared.problem;
  ASSERT_TRUE(compared.changes);
  EXPECT_EQ(compared.changes->new_scan, opened);
  EXPECT_EQ(compared.changes->new_scan->files.size(), 2u);
  EXPECT_EQ(compared.changes->old_scan->files.size(), 1u);
  EXPECT_EQ(compared.earlier, kept) << "the picker lists the volume's kept scans";
  EXPECT_FALSE(compared.saved);
  EXPECT_EQ(fs::last_write_time(path), written);
  EXPECT_EQ(fs::file_size(path), size);
  EXPECT_EQ(ListKeptScans(folder_, kSerial), kept) << "nothing written, nothing trimmed";

  // Another volume: nothing to compare with.
  ScanResult other = Volume(5);
  other.volume_serial = kSerial + 1;
  EXPECT_EQ(CompareWithRemembered(folder_, MakeGeneration(std::move(other)), 10).previous_scan, PreviousScan::kNone);
  // A remembered scan that cannot be read is reported and left alone.
  WriteFile(path, "TWSNAP\x1A\n and then nothing sensible");
  const RememberedScan unreadable = CompareWithRemembered(folder_, opened, 10);
  EXPECT_EQ(unreadable.previous_scan, PreviousScan::kUnreadable);
  EXPECT_FALSE(unreadable.problem.empty());
  EXPECT_EQ(Names(folder_), std::vector<std::string>{fs::path(path).filename().string()});
  // Unknown serial number: nothing at all.
  ScanResult unknown = Volume(5);
  unknown.volume_serial = 0;
  EXPECT_EQ(CompareWithRemembered(folder_, MakeGeneration(std::move(unknown)), 10).previous_scan, PreviousScan::kNone);
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
