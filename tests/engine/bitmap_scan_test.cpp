// Scans planned from record 0's $BITMAP: whole volumes in memory whose MFT
// has long free ranges, scanned with the bitmap and with every record read.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/scan_driver.h"
#include "engine/small_records.h"
#include "ntfsbuild/record_builder.h"
#include "scan/memory_volume.h"
#include "scan/volume_bytes.h"
#include "support/result_invariants.h"

namespace tw {
namespace {

using namespace build;

constexpr std::size_t kRecord = 1024;
constexpr std::int64_t kCluster = 4096;
constexpr std::int64_t kMftLcn = 4;
constexpr std::int64_t kRecords = 40000;  // about ten windows of 4096 records

// Which records the bitmap marks in use; a record the bitmap marks free may
// still claim to be in use by its own flag.
struct Plan {
  std::vector<std::uint8_t> bits = std::vector<std::uint8_t>((kRecords + 7) / 8, 0);
  void Mark(std::int64_t n) { bits[static_cast<std::size_t>(n / 8)] |= static_cast<std::uint8_t>(1u << (n % 8)); }
};

// A volume of kRecords records: record 0 with its $DATA and, unless `bitmap`
// is empty, a non-resident $BITMAP right after the MFT, which starts at
// cluster 4.
std::vector<std::uint8_t> BuildVolume(MftImage mft, const std::vector<std::uint8_t>& bitmap) {
  const std::int64_t length = kRecords * static_cast<std::int64_t>(kRecord);
  const std::int64_t clusters = length / kCluster;
  const std::int64_t bitmap_lcn = kMftLcn + clusters;
  const std::int64_t bitmap_clusters = (static_cast<std::int64_t>(bitmap.size()) + kCluster - 1) / kCluster;
  NonResidentDataSpec data;
  data.data_size = length;
  data.allocated_size = length;
  data.runs = {{clusters, kMftLcn}};
  RecordBuilder record0 = RecordBuilder(kRecord).Number(0).InUse().FileName({.parent = 5, .name = L"$MFT"});
  record0.NonResidentData(data);
  if (!bitmap.empty()) {
    NonResidentDataSpec bits;
    bits.data_size = static_cast<std::int64_t>(bitmap.size());
    bits.allocated_size = bitmap_clusters * kCluster;
    bits.runs = {{bitmap_clusters, bitmap_lcn}};
    record0.NonResidentAttribute(0xB0, bits);
  }
  mft.Put(0, record0.Build());
  mft.Reserve(kRecords);
  std::vector<std::uint8_t> volume(static_cast<std::size_t>((bitmap_lcn + bitmap_clusters + 2) * kCluster), 0);
  const std::vector<std::uint8_t> boot =
      test::BootSector({.total_sectors = static_cast<std::int64_t>(volume.size() / 512), .mft_lcn = kMftLcn});
  std::memcpy(volume.data(), boot.data(), boot.size());
  std::memcpy(volume.data() + kMftLcn * kCluster, mft.bytes().data(), static_cast<std::size_t>(length));
  std::copy(bitmap.begin(), bitmap.end(), volume.begin() + bitmap_lcn * kCluster);
  return volume;
}

RecordBuilder Folder(std::uint32_t id, std::int64_t parent, const std::wstring& name) {
  return test::FolderRecord(id, parent, name);
}

RecordBuilder File(std::uint32_t id, std::int64_t parent, const std::wstring& name, std::uint32_t bytes) {
  return test::FileRecord(id, parent, name, bytes);
}

// Files in use at the start and the end of the MFT, with deleted ones (their
// records kept, in-use flag clear) over most of the middle, as deleting a
// large tree leaves them.
MftImage MostlyFreeMft(Plan& plan) {
  MftImage mft(kRecord);
  for (std::int64_t n = 0; n < 16; ++n) plan.Mark(n);
  mft.Put(5, Folder(5, 5, L".").Build());
  mft.Put(20, Folder(20, 5, L"kept").Build());
  plan.Mark(20);
  for (std::uint32_t n = 21; n < kRecords; ++n) {
    const bool in_use = n < 6000 || n >= 34000 || (n >= 18000 && n < 18040);
    RecordBuilder file = File(n, 20, L"f" + std::to_wstring(n) + L".txt", n % 300);
    if (!in_use) file.InUse(false);
    mft.Put(n, file.Build());
    if (in_use) plan.Mark(n);
  }
  return mft;
}

struct Outcome {
  ScanResult result;
  ScanTimings timings;
};

Outcome Scan(std::vector<std::uint8_t> volume, bool use_bitmap, std::int32_t threads = 2) {
  Outcome outcome;
  ScanOptions options;
  options.threads = threads;
  options.use_bitmap = use_bitmap;
  options.timings = &outcome.timings;
  outcome.result = ScanOpenedVolume(std::make_unique<MemoryVolume>(std::move(volume)), L"C", nullptr, options);
  return outcome;
}

// Every folder with its totals, every file with its folder and sizes, in order.
std::string Digest(const ScanResult& r) {
  std::string text;
  for (const DirNode& node : r.folders) {
    text += std::to_string(node.id) + ":" + std::to_string(node.total_size) + "/" +
            std::to_string(node.total_file_count) + " ";
    for (const FileItem& f : r.Files(node)) {
      text += std::to_string(f.id) + "=" + std::to_string(f.size) + "," + std::to_string(f.alloc) + " ";
    }
  }
  for (const ExtStat& e : r.extensions) text += std::to_string(e.total_size) + " ";
  for (const std::uint32_t k : r.largest_files) text += std::to_string(r.files[k].id) + " ";
  return text;
}

TEST(ScanDriverBitmap, LongFreeRangesAreLeftUnreadAndTheResultIsTheSame) {
  Plan plan;
  const MftImage mft = MostlyFreeMft(plan);
  for (const std::int32_t threads : {1, 2, 3}) {
    const Outcome planned = Scan(BuildVolume(mft, plan.bits), true, threads);
    const Outcome full = Scan(BuildVolume(mft, plan.bits), false, threads);
    EXPECT_EQ(Digest(planned.result), Digest(full.result)) << threads;
    EXPECT_EQ(planned.result.file_count, 1 + (6000 - 21) + 40 + 6000);  // $MFT too
    EXPECT_EQ(planned.result.unreadable_records, 0);                    // skipped, not lost
    EXPECT_TRUE(test::CheckResultInvariants(planned.result).empty());
    // The MFT's bytes, and what each scan read of them.
    EXPECT_EQ(planned.timings.mft_bytes, kRecords * static_cast<std::int64_t>(kRecord));
    EXPECT_EQ(full.timings.mft_bytes_read, full.timings.mft_bytes);
    EXPECT_LE(planned.timings.mft_bytes_read, full.timings.mft_bytes_read * 45 / 100);
    EXPECT_GE(planned.timings.mft_bytes_read, 12040 * static_cast<std::int64_t>(kRecord));
  }
}

TEST(ScanDriverBitmap, TheBitmapIsTrustedForWhatItMarksFreeAndEachRecordReadDecidesItself) {
  Plan plan;
  MftImage mft = MostlyFreeMft(plan);
  // In use by its own flag but marked free, deep inside a long free range:
  // never read, so not there, and not unreadable either.
  mft.Put(25000, File(25000, 20, L"hidden.txt", 99).Build());
  // Marked free but inside a range that is read: its own flag decides.
  mft.Put(5990, File(5990, 20, L"seen.txt", 77).Build());
  Plan bits = plan;
  bits.bits[5990 / 8] &= static_cast<std::uint8_t>(~(1u << (5990 % 8)));
  // Marked in use but not in use by its own flag: read, and not a file.
  mft.Put(18045, File(18045, 20, L"stale.txt", 5).InUse(false).Build());
  bits.Mark(18045);
  const Outcome planned = Scan(BuildVolume(mft, bits.bits), true);
  const ScanResult& r = planned.result;
  std::vector<std::uint32_t> ids;
  for (const FileItem& f : r.files) ids.push_back(f.id);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 25000u), 0);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 5990u), 1);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 18045u), 0);
  EXPECT_EQ(r.unreadable_records, 0);
  // Read in full, the hidden record counts.
  const Outcome full = Scan(BuildVolume(mft, bits.bits), false);
  EXPECT_EQ(full.result.file_count, r.file_count + 1);
}

TEST(ScanDriverBitmap, ADamagedShortOrMissingBitmapReadsEverything) {
  Plan plan;
  const MftImage mft = MostlyFreeMft(plan);
  const std::int64_t all = kRecords * static_cast<std::int64_t>(kRecord);
  const Outcome reference = Scan(BuildVolume(mft, plan.bits), false);
  Plan no_mft = plan;  // record 0 itself marked free
  no_mft.bits[0] &= 0xFE;
  std::vector<std::uint8_t> short_bits = plan.bits;
  short_bits.resize(short_bits.size() - 1);
  for (const std::vector<std::uint8_t>& bits : {no_mft.bits, short_bits, std::vector<std::uint8_t>{}}) {
    const Outcome outcome = Scan(BuildVolume(mft, bits), true);
    EXPECT_EQ(outcome.timings.mft_bytes_read, all) << bits.size();
    EXPECT_EQ(Digest(outcome.result), Digest(reference.result)) << bits.size();
  }
}

}  // namespace
}  // namespace tw
