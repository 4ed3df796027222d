// A boot sector or record 0 that claims an MFT larger than the volume, or
// than this machine could hold, fails with the MFT message before anything
// of that size is allocated or read. The largest single allocation made
// during the scan is measured by replacing the global operator new in this
// test program (it forwards to malloc and only watches while armed).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>

#include "engine/scan_driver.h"
#include "scan/memory_size.h"
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

// Scans the volume while watching allocations; returns the failure message
// (empty when the scan succeeded) and the largest allocation made.
ScanError ScanWatching(std::unique_ptr<MemoryVolume> volume, std::size_t& largest) {
  ScanError message = ScanError::kNone;
  g_largest = 0;
  g_watching = true;
  try {
    ScanOpenedVolume(std::move(volume), L"C", nullptr);
  } catch (const ScanFailure& error) {
    message = error.error();
  }
  g_watching = false;
  largest = g_largest;
  return message;
}

// Twice this machine's memory, in whole 1 KiB records; 0 when it cannot tell.
std::int64_t MoreThanThisMachineHolds() { return PhysicalMemoryBytes() * 2 / 1024 * 1024; }

TEST(ResourceBounds, MftLargerThanMemoryIsRefused) {
  EXPECT_TRUE(MftFitsInMemory(1 << 20, 0));  // unknown memory: no bound
  EXPECT_TRUE(MftFitsInMemory(1 << 20, 1 << 20));
  EXPECT_FALSE(MftFitsInMemory((1 << 20) + 1024, 1 << 20));
}

// What the system's volume-data query would answer for a huge disk whose
// MFT claims more than this machine has: sane geometry, inside the volume.
TEST(ResourceBounds, QueriedMftLargerThanThisMachineFailsBeforeAllocating) {
  const std::int64_t claim = MoreThanThisMachineHolds();
  if (claim == 0) GTEST_SKIP() << "the system does not tell its memory size";
  auto volume = std::make_unique<MemoryVolume>(std::vector<std::uint8_t>(64 * 1024));
  NtfsVolumeData data;
  data.bytes_per_cluster = kCluster;
  data.bytes_per_record = 1024;
  data.mft_start_lcn = kMftLcn;
  data.mft_valid_data_length = claim;
  data.volume_size = claim * 4;
  ASSERT_TRUE(VolumeDataIsSane(data)) << "only the memory bound may refuse it";
  volume->SetVolumeData(data);
  std::size_t largest = 0;
  EXPECT_EQ(ScanWatching(std::move(volume), largest), ScanError::kCannotReadMft);
  EXPECT_LT(largest, std::size_t{1} << 20);
}

// Derived from the volume itself: the boot sector claims 512 TiB, record 0
// an MFT of twice this machine's memory, and the source holds 64 KiB.
TEST(ResourceBounds, BootSectorAndRecordZeroClaimingMoreThanTheVolumeFailBeforeAllocating) {
  std::int64_t claim = MoreThanThisMachineHolds();
  if (claim == 0) claim = std::int64_t{1} << 40;
  std::vector<std::uint8_t> bytes(64 * 1024, 0);
  const auto boot = test::BootSector({.total_sectors = std::int64_t{1} << 40, .mft_lcn = kMftLcn});
  std::copy(boot.begin(), boot.end(), bytes.begin());
  const auto record0 = test::Record(1024, {test::Attribute({.runs = test::EncodeRuns({{claim / kCluster, kMftLcn}}),
                                                            .allocated = claim,
                                                            .data_size = claim,
                                                            .valid_size = claim})});
  std::copy(record0.begin(), record0.end(), bytes.begin() + kMftLcn * kCluster);

  auto volume = std::make_unique<MemoryVolume>(bytes);
  std::size_t largest = 0;
  EXPECT_EQ(ScanWatching(std::move(volume), largest), ScanError::kCannotReadMft);
  EXPECT_LT(largest, std::size_t{1} << 20);

  // The same record 0 describing an MFT the volume holds scans.
  const auto fitting = test::Record(1024, {test::Attribute({.runs = test::EncodeRuns({{4, kMftLcn}}),
                                                            .allocated = 4 * kCluster,
                                                            .data_size = 4 * kCluster,
                                                            .valid_size = 4 * kCluster})});
  std::copy(fitting.begin(), fitting.end(), bytes.begin() + kMftLcn * kCluster);
  EXPECT_EQ(ScanWatching(std::make_unique<MemoryVolume>(bytes), largest), ScanError::kNone);
}

}  // namespace
}  // namespace tw
