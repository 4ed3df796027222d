// A boot sector or record 0 that claims an MFT larger than the volume fails
// with the MFT message before anything is read; one that claims more than the
// source holds scans in the memory of its read windows, whatever the claim,
// and counts what lies past the source as unreadable. The largest single
// allocation made during the scan is measured by replacing the global
// operator new in this test program (it forwards to malloc and only watches
// while armed).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>

#include "engine/scan_driver.h"
#include "scan/window_pass.h"
#include "scan/memory_volume.h"
#include "scan/mft_loader.h"
#include "scan/volume_bytes.h"

namespace {
std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};
}  // namespace

// GCC pairs the malloc inside this operator new with the free inside the
// operator delete below at every inlined call site and warns about a mismatch
// that is not one: both replacements go through malloc and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
void* WatchedMalloc(std::size_t size) {
  if (g_watching.load(std::memory_order_relaxed)) {
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
  }
  return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

// The plain and the nothrow forms (std::stable_sort's buffer uses the latter)
// are replaced together, so whatever one allocates the other may free.
void* operator new(std::size_t size) {
  if (void* p = WatchedMalloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return WatchedMalloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace tw {
namespace {

constexpr std::int64_t kCluster = 4096;
constexpr std::int64_t kMftLcn = 4;

// Scans the volume while watching allocations; returns the failure (kNone
// when the scan succeeded), the result and the largest allocation made.
ScanError ScanWatching(std::unique_ptr<MemoryVolume> volume, std::size_t& largest, ScanResult* result = nullptr) {
  ScanError error = ScanError::kNone;
  g_largest = 0;
  g_watching = true;
  try {
    ScanResult scanned = ScanOpenedVolume(std::move(volume), L"C", nullptr);
    if (result != nullptr) *result = std::move(scanned);
  } catch (const ScanFailure& failure) {
    error = failure.error();
  }
  g_watching = false;
  largest = g_largest;
  return error;
}

// What the system's volume-data query would answer for a huge disk whose MFT
// claims 64 GiB while the source holds 64 KiB: the records past the source
// are lost, in the memory of one read window at most.
TEST(ResourceBounds, QueriedMftLargerThanTheSourceScansInWindowMemory) {
  const std::int64_t claim = std::int64_t{64} << 30;
  std::vector<std::uint8_t> bytes(64 * 1024);
  const auto record0 = test::Record(1024, {test::Attribute({.runs = test::EncodeRuns({{claim / kCluster, kMftLcn}}),
                                                            .allocated = claim,
                                                            .data_size = claim,
                                                            .valid_size = claim})});
  std::copy(record0.begin(), record0.end(), bytes.begin() + kMftLcn * kCluster);
  auto volume = std::make_unique<MemoryVolume>(bytes);
  NtfsVolumeData data;
  data.bytes_per_cluster = kCluster;
  data.bytes_per_record = 1024;
  data.mft_start_lcn = kMftLcn;
  data.mft_valid_data_length = claim;
  data.volume_size = claim * 4;
  ASSERT_TRUE(VolumeDataIsSane(data));
  volume->SetVolumeData(data);
  std::size_t largest = 0;
  ScanResult result;
  EXPECT_EQ(ScanWatching(std::move(volume), largest, &result), ScanError::kNone);
  EXPECT_LE(largest, static_cast<std::size_t>(kWindowBytes) + 4096);  // one read window, aligned
  // 48 records lie in the source (from 16 KiB to 64 KiB); every other one is lost.
  EXPECT_EQ(result.unreadable_records, claim / 1024 - 48);
  ASSERT_FALSE(result.unreadable_ranges.empty());
  EXPECT_EQ(result.unreadable_ranges.front().offset, 64 * 1024);
}

// Derived from the volume itself: the boot sector claims 512 TiB, record 0 an
// MFT of 2^31 records and more, and the source holds 64 KiB.
TEST(ResourceBounds, BootSectorAndRecordZeroClaimingMoreThanTheSourceHolds) {
  const std::int64_t claim = std::int64_t{1} << 42;
  std::vector<std::uint8_t> bytes(64 * 1024, 0);
  const auto boot = test::BootSector({.total_sectors = std::int64_t{1} << 40, .mft_lcn = kMftLcn});
  std::copy(boot.begin(), boot.end(), bytes.begin());
  const auto record0 = test::Record(1024, {test::Attribute({.runs = test::EncodeRuns({{claim / kCluster, kMftLcn}}),
                                                            .allocated = claim,
                                                            .data_size = claim,
                                                            .valid_size = claim})});
  std::copy(record0.begin(), record0.end(), bytes.begin() + kMftLcn * kCluster);

  std::size_t largest = 0;
  ScanResult result;
  EXPECT_EQ(ScanWatching(std::make_unique<MemoryVolume>(bytes), largest, &result), ScanError::kNone);
  EXPECT_LE(largest, static_cast<std::size_t>(kWindowBytes) + 4096);  // one read window, aligned
  EXPECT_EQ(result.unreadable_records, kMaxScanRecords - 48);  // the record count is capped

  // A volume that claims less than its MFT fails before anything is read.
  const auto small_boot = test::BootSector({.total_sectors = 128, .mft_lcn = kMftLcn});
  std::copy(small_boot.begin(), small_boot.end(), bytes.begin());
  EXPECT_EQ(ScanWatching(std::make_unique<MemoryVolume>(bytes), largest), ScanError::kCannotReadMft);

  // The same record 0 describing an MFT the volume holds scans.
  std::copy(boot.begin(), boot.end(), bytes.begin());
  const auto fitting = test::Record(1024, {test::Attribute({.runs = test::EncodeRuns({{4, kMftLcn}}),
                                                            .allocated = 4 * kCluster,
                                                            .data_size = 4 * kCluster,
                                                            .valid_size = 4 * kCluster})});
  std::copy(fitting.begin(), fitting.end(), bytes.begin() + kMftLcn * kCluster);
  EXPECT_EQ(ScanWatching(std::make_unique<MemoryVolume>(bytes), largest, &result), ScanError::kNone);
  EXPECT_EQ(result.unreadable_records, 0);
}

}  // namespace
}  // namespace tw
