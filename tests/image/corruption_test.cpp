// Damaged volumes: for each committed test volume, 300 seeded variants whose
// MFT bytes are overwritten on disk (record headers, update sequence arrays,
// attribute lengths, record 0's run list and other run lists, names) are
// scanned from memory. Each scan either fails with the MFT message or gives a
// result whose invariants hold, no size above the 10 TiB bound comes from an
// extension record, and it ends within five times the clean scan's time (plus
// a margin for a busy machine). The sanitizer build runs the same test.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <stdexcept>

#include "engine/scan_driver.h"
#include "scan/attribute_walk.h"
#include "scan/memory_volume.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/overflow_sizes.h"
#include "support/mft_image.h"
#include "support/result_invariants.h"
#include "support/test_images.h"

namespace tw {
namespace {

constexpr int kVariants = 300;
constexpr auto kMargin = std::chrono::seconds(2);

// A volume over bytes owned by the test: the scan closes and destroys its
// volume, the bytes stay for the next variant.
class BorrowedVolume : public RawVolume {
 public:
  explicit BorrowedVolume(MemoryVolume& bytes) : bytes_(bytes) {}
  bool IsOpen() const override { return open_; }
  void Close() override { open_ = false; }
  bool QueryVolumeData(NtfsVolumeData& data) override { return open_ && bytes_.QueryVolumeData(data); }
  bool ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) override {
    return open_ && bytes_.ReadAt(offset, destination, length);
  }

 private:
  MemoryVolume& bytes_;
  bool open_ = true;
};

struct Outcome {
  bool loaded = false;
  std::string error;  // the scan's message when it failed
  ScanResult result;
};

Outcome Scan(MemoryVolume& bytes) {
  Outcome out;
  ScanOptions options;
  options.threads = 1;
  try {
    out.result = ScanOpenedVolume(std::make_unique<BorrowedVolume>(bytes), L"C", nullptr, options);
    out.loaded = true;
  } catch (const std::exception& error) {
    out.error = error.what();
  }
  return out;
}

// The clean volume: its bytes, its MFT image and where each image byte lives.
class CleanVolume {
 public:
  explicit CleanVolume(const std::string& path) : volume_(ReadFile(path)) {
    NtfsVolumeData data;
    if (!volume_.QueryVolumeData(data) || !test::ReadMftBytes(volume_, image_, record_size_)) return;
    std::vector<std::uint8_t> record0(image_.begin(), image_.begin() + record_size_);
    ApplyFixups(MutableSpan{record0.data(), record0.size()});
    std::vector<DataRun> runs;
    if (!ParseDataRuns(ByteSpan(record0.data(), record0.size()), record_size_, runs)) return;
    loaded_ = PlaceRuns(runs, data.bytes_per_cluster, static_cast<std::int64_t>(image_.size()), placements_);
    for (std::int64_t n = 0; n < RecordCount(); ++n) {
      const std::vector<std::uint8_t> r = FixedUp(n);
      if (std::memcmp(r.data(), "FILE", 4) == 0 && (r[kRecordFlagsField] & kRecordInUse)) in_use_.push_back(n);
    }
  }

  bool loaded() const { return loaded_ && !in_use_.empty(); }
  MemoryVolume& volume() { return volume_; }
  std::int32_t record_size() const { return record_size_; }
  std::int64_t RecordCount() const { return static_cast<std::int64_t>(image_.size()) / record_size_; }
  const std::vector<std::int64_t>& in_use() const { return in_use_; }

  // A fixed-up copy of clean record n.
  std::vector<std::uint8_t> FixedUp(std::int64_t n) const {
    const auto at = image_.begin() + n * record_size_;
    std::vector<std::uint8_t> r(at, at + record_size_);
    ApplyFixups(MutableSpan{r.data(), r.size()});
    return r;
  }

  // The volume offset of byte `offset` of record n; -1 where no run holds it.
  std::int64_t VolumeOffset(std::int64_t n, std::size_t offset) const {
    const std::int64_t at = n * record_size_ + static_cast<std::int64_t>(offset);
    for (const RunPlacement& p : placements_) {
      if (at >= p.image_offset && at < p.image_offset + p.length) return p.volume_offset + at - p.image_offset;
    }
    return -1;
  }

 private:
  static std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  MemoryVolume volume_;
  std::vector<std::uint8_t> image_;
  std::int32_t record_size_ = 0;
  std::vector<RunPlacement> placements_;
  std::vector<std::int64_t> in_use_;
  bool loaded_ = false;
};

// Overwrites bytes of one record on the volume, remembering what was there.
class Damage {
 public:
  Damage(CleanVolume& clean, std::mt19937_64& random) : clean_(clean), random_(random) {}
  ~Damage() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) clean_.volume().bytes()[it->first] = it->second;
  }

  void Put(std::int64_t record, std::size_t offset, std::uint8_t value) {
    if (offset >= static_cast<std::size_t>(clean_.record_size())) return;
    const std::int64_t at = clean_.VolumeOffset(record, offset);
    if (at < 0) return;
    auto& bytes = clean_.volume().bytes();
    saved_.emplace_back(static_cast<std::size_t>(at), bytes[static_cast<std::size_t>(at)]);
    bytes[static_cast<std::size_t>(at)] = value;
  }
  void PutRandom(std::int64_t record, std::size_t offset, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) Put(record, offset + i, Byte());
  }
  // A value that breaks lengths: random, zero, tiny, huge or negative.
  void PutLength(std::int64_t record, std::size_t offset, std::size_t width) {
    static constexpr std::uint64_t kPicks[] = {0, 1, 8, 0x18, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFF8};
    const std::uint64_t v = Pick(2) == 0 ? random_() : kPicks[Pick(std::size(kPicks))];
    for (std::size_t i = 0; i < width; ++i) Put(record, offset + i, static_cast<std::uint8_t>(v >> (8 * i)));
  }

  std::size_t Pick(std::size_t n) { return static_cast<std::size_t>(random_() % n); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(random_()); }

 private:
  CleanVolume& clean_;
  std::mt19937_64& random_;
  std::vector<std::pair<std::size_t, std::uint8_t>> saved_;
};

// One damage to record n of the kind picked at random.
void DamageRecord(CleanVolume& clean, Damage& damage, std::int64_t n) {
  const std::vector<std::uint8_t> r = clean.FixedUp(n);
  const ByteSpan span(r.data(), r.size());
  std::vector<AttributeView> attributes;
  WalkAttributes(span, [&](const AttributeView& a) { attributes.push_back(a); });
  const AttributeView* attribute = attributes.empty() ? nullptr : &attributes[damage.Pick(attributes.size())];
  switch (damage.Pick(7)) {
    case 0:  // header fields
      damage.PutRandom(n, damage.Pick(48), 1 + damage.Pick(4));
      break;
    case 1: {  // the update sequence array or a sector's end word
      const std::size_t usa = ReadU16(span, kUpdateSequenceOffsetField);
      const std::size_t sectors = r.size() / 512;
      if (damage.Pick(2) == 0) {
        damage.PutRandom(n, usa + damage.Pick(2 * (sectors + 1)), 1 + damage.Pick(2));
      } else {
        damage.PutRandom(n, 512 * damage.Pick(sectors) + 510, 2);
      }
      break;
    }
    case 2:  // an attribute's length
      if (attribute) damage.PutLength(n, attribute->offset + kAttrLengthField, 4);
      break;
    case 3:  // a run list (record 0's is the MFT's own)
      for (const AttributeView& a : attributes) {
        if (!a.NonResident(span)) continue;
        const std::size_t runs = a.offset + ReadU16(span, a.offset + kAttrRunListOffsetField);
        const std::size_t end = a.offset + a.length;
        if (runs < end) damage.PutRandom(n, runs + damage.Pick(end - runs), 1 + damage.Pick(3));
        break;
      }
      break;
    case 4:  // a name: its length, namespace, parent or characters
      for (const AttributeView& a : attributes) {
        if (a.type != kAttrFileName || a.NonResident(span)) continue;
        const std::size_t value = a.ValueOffset(span);
        const std::size_t field = damage.Pick(4);
        if (field == 0) damage.PutRandom(n, value + 64, 1);
        if (field == 1) damage.PutRandom(n, value + 65, 1);
        if (field == 2) damage.PutRandom(n, value + damage.Pick(6), 1);
        if (field == 3) damage.PutRandom(n, value + 66 + damage.Pick(32), 2);
        break;
      }
      break;
    case 5:  // an attribute's sizes, value length or value offset
      if (attribute)
        damage.PutLength(
            n, attribute->offset + (attribute->NonResident(span) ? 40 + 8 * damage.Pick(3) : 16 + 4 * damage.Pick(2)),
            attribute->NonResident(span) ? 8 : 4);
      break;
    default:  // random bytes anywhere in the record
      damage.PutRandom(n, damage.Pick(r.size()), 1 + damage.Pick(16));
      break;
  }
}

// Sizes above the bound are only allowed where the record itself says so.
void CheckLargeSizes(const ScanResult& result, MemoryVolume& bytes) {
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  BorrowedVolume volume(bytes);
  // Records the scan could not read are zeros here as well.
  ASSERT_TRUE(test::ReadMftBytes(volume, image, record_size, true));
  const ByteSpan view(image.data(), image.size());
  for (const FileItem& f : result.files) {
    if (f.size <= kSizeSanityLimit && f.alloc <= kSizeSanityLimit) continue;
    ScanSlice own;
    ParseRange(view, record_size, f.id, f.id + 1, own);
    ASSERT_EQ(own.entries.size(), 1u) << "record " << f.id;
    const EntryItem& parsed = own.entries[0];
    if (f.size > kSizeSanityLimit) {
      EXPECT_EQ(f.size, parsed.size) << "record " << f.id;
    }
    if (f.alloc > kSizeSanityLimit) {
      EXPECT_EQ(f.alloc, parsed.alloc) << "record " << f.id;
    }
  }
}

void CheckVariants(const std::string& compressed, std::uint64_t volume_seed) {
  test::UnpackedImage unpacked(compressed);
  ASSERT_FALSE(unpacked.path().empty());
  CleanVolume clean(unpacked.path());
  ASSERT_TRUE(clean.loaded());

  using Clock = std::chrono::steady_clock;
  Clock::duration clean_time{};
  for (int i = 0; i < 3; ++i) {
    const Clock::time_point start = Clock::now();
    const Outcome outcome = Scan(clean.volume());
    clean_time = std::max(clean_time, Clock::now() - start);
    ASSERT_TRUE(outcome.loaded) << outcome.error;
  }
  const auto bound = 5 * clean_time + kMargin;
  const ScanResult reference = Scan(clean.volume()).result;

  int failed_loads = 0, changed = 0;
  for (int variant = 0; variant < kVariants; ++variant) {
    const std::uint64_t seed = volume_seed * 1000 + static_cast<std::uint64_t>(variant);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(seed);
    Damage damage(clean, random);
    const int count = 1 + static_cast<int>(damage.Pick(4));
    for (int d = 0; d < count; ++d) {
      // One damage in eight hits record 0, the MFT's own record.
      const std::int64_t n = damage.Pick(8) == 0 ? 0 : clean.in_use()[damage.Pick(clean.in_use().size())];
      DamageRecord(clean, damage, n);
    }

    auto scan = std::async(std::launch::async, [&] { return Scan(clean.volume()); });
    if (scan.wait_for(bound) != std::future_status::ready) {
      std::fprintf(stderr, "%s: variant with seed %llu did not finish within 5x the clean scan\n",
                   test::ImageName(compressed).c_str(), static_cast<unsigned long long>(seed));
      std::abort();  // the scan thread cannot be stopped
    }
    const Outcome outcome = scan.get();
    if (!outcome.loaded) {
      EXPECT_EQ(outcome.error, ScanErrorName(ScanError::kCannotReadMft));
      ++failed_loads;
      continue;
    }
    const ScanResult& result = outcome.result;
    if (result.file_count != reference.file_count || result.folder_count != reference.folder_count ||
        result.root_total_size != reference.root_total_size) {
      ++changed;
    }
    EXPECT_EQ(test::CheckResultInvariants(result), "");
    CheckLargeSizes(outcome.result, clean.volume());
    if (::testing::Test::HasFailure()) return;
  }
  // Most damage leaves the MFT readable and the variants reach the parser,
  // where a good share of them changes what the scan finds.
  std::fprintf(stderr, "%s: %d of %d variants unreadable, %d changed the result\n", test::ImageName(compressed).c_str(),
               failed_loads, kVariants, changed);
  EXPECT_LT(failed_loads, kVariants / 4);
  EXPECT_GT(changed, kVariants / 10);
}

TEST(Corruption, DamagedMftsScanWithinBoundsAndKeepTheirInvariants) {
  const auto volumes = test::CommittedVolumes();
  ASSERT_FALSE(volumes.empty()) << "no test volumes in " << test::TestDataDir();
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    SCOPED_TRACE(test::ImageName(volumes[i]));
    CheckVariants(volumes[i], i + 1);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace tw
