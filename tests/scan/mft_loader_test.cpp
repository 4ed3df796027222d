#include "scan/mft_loader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ntfsbuild/record_builder.h"
#include "scan/memory_volume.h"
#include "scan/mft_record.h"
#include "scan/volume_bytes.h"
#include "support/mft_image.h"

namespace tw {

// Found by argument lookup when whole run lists are compared.
bool operator==(const DataRun& a, const DataRun& b) { return a.vcn == b.vcn && a.lcn == b.lcn && a.length == b.length; }

namespace {

using test::Attribute;
using test::AttributeSpec;
using test::EncodeRuns;
using test::Record;

std::vector<std::uint8_t> RecordWithRuns(std::vector<std::uint8_t> runs, std::size_t record_size = 1024) {
  AttributeSpec data;
  data.runs = std::move(runs);
  return Record(record_size, {Attribute(data)});
}

std::vector<DataRun> Decode(const std::vector<std::uint8_t>& record) {
  std::vector<DataRun> runs;
  ParseDataRuns(ByteSpan(record.data(), record.size()), static_cast<std::int32_t>(record.size()), runs);
  return runs;
}

// ---- run-list decoding -------------------------------------------------------

TEST(ParseDataRuns, DecodesRunListsAndStopsAtTheirEnd) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<DataRun> runs;
  };
  const Case cases[] = {
      {"running vcn and lcn", EncodeRuns({{100, 1000}, {50, 5000}}), {{0, 1000, 100}, {100, 5000, 50}}},
      // 5000, then a sparse run, then back to 4000: the delta is taken from 5000.
      {"negative delta after a sparse run",
       {0x21, 10, 0x88, 0x13, 0x01, 7, 0x21, 3, 0x18, 0xFC},
       {{0, 5000, 10}, {10, -1, 7}, {17, 4000, 3}}},
      {"zero length nibble ends the list", {0x11, 4, 20, 0x10, 9, 0x11, 4, 20, 0}, {{0, 20, 4}}},
      // A header promising 9 length bytes cannot be held in 64 bits.
      {"nine length bytes", {0x11, 4, 20, 0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 0}, {{0, 20, 4}}},
      // The attribute holds 8 run-list bytes (padding); the last header claims 15 more.
      {"run past the attribute", {0x11, 4, 20, 0x88, 1, 1, 1, 1}, {{0, 20, 4}}},
      // A zero-length run is not appended but its lcn delta still counts.
      {"zero length run", {0x11, 0, 30, 0x11, 5, 10, 0}, {{0, 40, 5}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(RecordWithRuns(c.bytes)), c.runs) << c.what;
}

TEST(ParseDataRuns, TakesFirstUnnamedNonResidentData) {
  AttributeSpec named;
  named.name_length = 3;
  named.runs = EncodeRuns({{1, 77}});
  AttributeSpec resident;
  resident.non_resident = false;
  AttributeSpec other_type;
  other_type.type = 0xB0;
  other_type.runs = EncodeRuns({{1, 88}});
  AttributeSpec wanted;
  wanted.runs = EncodeRuns({{2, 99}});
  const auto record = Record(1024, {Attribute(named), Attribute(resident), Attribute(other_type), Attribute(wanted)});
  const auto runs = Decode(record);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE((runs[0] == DataRun{0, 99, 2}));
}

TEST(ParseDataRuns, RejectsWhatIsNotARecord) {
  auto record = RecordWithRuns(EncodeRuns({{1, 10}}));
  std::vector<DataRun> runs{{1, 2, 3}};
  const ByteSpan span(record.data(), record.size());
  EXPECT_FALSE(ParseDataRuns(span, 2048, runs));  // buffer shorter than the record size
  EXPECT_TRUE(runs.empty());
  EXPECT_FALSE(ParseDataRuns(span.Sub(0, 16), 16, runs));  // record size below the header
  auto bad = record;
  bad[0] = 'B';
  EXPECT_FALSE(ParseDataRuns(ByteSpan(bad.data(), bad.size()), 1024, runs));
  bad = record;
  test::PutLe(bad, 20, 1024, 2);  // first attribute at the record end
  EXPECT_FALSE(ParseDataRuns(ByteSpan(bad.data(), bad.size()), 1024, runs));
  EXPECT_TRUE(ParseDataRuns(span, 1024, runs));
}

TEST(ParseDataRuns, AttributeOverrunEndsTheWalk) {
  AttributeSpec first;
  first.type = 0x10;
  first.runs = EncodeRuns({{1, 1}});
  auto record = Record(1024, {Attribute(first), Attribute(AttributeSpec{.runs = EncodeRuns({{1, 50}})})});
  const std::size_t first_offset = record[20];
  test::PutLe(record, first_offset + 4, 2000, 4);  // first attribute claims to pass the record
  EXPECT_TRUE(Decode(record).empty());
  test::PutLe(record, first_offset + 4, 0x80000010u, 4);  // top bit set
  EXPECT_TRUE(Decode(record).empty());
}

// ---- placement ---------------------------------------------------------------

TEST(PlaceRuns, PlacesEachRunAtItsVcn) {
  std::vector<RunPlacement> p;
  ASSERT_TRUE(PlaceRuns({{0, 1000, 100}, {100, 5000, 50}}, 4096, 614400, p));
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].volume_offset, 4096000);
  EXPECT_EQ(p[0].image_offset, 0);
  EXPECT_EQ(p[0].length, 409600);
  EXPECT_EQ(p[1].volume_offset, 20480000);
  EXPECT_EQ(p[1].image_offset, 409600);
  EXPECT_EQ(p[1].length, 204800);
}

TEST(PlaceRuns, CutsAtImageEndAndSkipsSparseAndRunsBeyond) {
  std::vector<RunPlacement> p;
  // The image ends inside the second run; the third starts exactly at the end.
  ASSERT_TRUE(PlaceRuns({{0, -1, 2}, {2, 40, 10}, {12, 90, 4}, {20, 95, 1}}, 1024, 12 * 1024 - 100, p));
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].image_offset, 2048);
  EXPECT_EQ(p[0].volume_offset, 40 * 1024);
  EXPECT_EQ(p[0].length, 10 * 1024 - 100);
}

TEST(PlaceRuns, HugeLengthIsCutAndUnrepresentableOffsetFails) {
  std::vector<RunPlacement> p;
  ASSERT_TRUE(PlaceRuns({{0, 1, INT64_MAX / 2}}, 4096, 8192, p));
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].length, 8192);
  EXPECT_FALSE(PlaceRuns({{0, INT64_MAX / 16, 1}}, 4096, 8192, p));
}

// ---- loading -------------------------------------------------------------------

// A volume of 4 KiB clusters whose MFT (1 KiB records) starts at cluster
// mft_lcn; record 0 describes the MFT with the given runs.
struct LoaderVolume {
  static constexpr std::uint32_t kCluster = 4096;
  static constexpr std::uint32_t kRecord = 1024;

  LoaderVolume(std::int64_t clusters, std::int64_t mft_lcn, const std::vector<test::RunSpec>& runs,
               std::int64_t mft_length)
      : volume(Pattern(clusters)) {
    data.bytes_per_cluster = kCluster;
    data.bytes_per_record = kRecord;
    data.mft_start_lcn = mft_lcn;
    data.mft_valid_data_length = mft_length;
    data.volume_size = clusters * kCluster;
    volume.SetVolumeData(data);
    const auto record0 = RecordWithRuns(EncodeRuns(runs), kRecord);
    std::memcpy(volume.bytes().data() + mft_lcn * kCluster, record0.data(), record0.size());
  }

  // Every 4-byte word holds its own volume offset / 4, so each byte of the
  // image tells where it was read from.
  static std::vector<std::uint8_t> Pattern(std::int64_t clusters) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(clusters * kCluster));
    for (std::size_t i = 0; i < bytes.size(); i += 4) test::PutLe(bytes, i, i / 4, 4);
    return bytes;
  }

  // The volume offset the image byte at image_offset came from.
  static std::int64_t Source(const std::vector<std::uint8_t>& image, std::size_t image_offset) {
    return static_cast<std::int64_t>(ReadU32(ByteSpan(image.data(), image.size()), image_offset)) * 4;
  }

  NtfsVolumeData data;
  MemoryVolume volume;
};

TEST(ReadMftLayout, PlacesFragmentsAtTheirVcns) {
  LoaderVolume v(5050, 1000, {{100, 1000}, {50, 5000}}, 614400);
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  ASSERT_TRUE(test::ReadMftBytes(v.volume, image, record_size));
  EXPECT_EQ(record_size, 1024);
  ASSERT_EQ(image.size(), 614400u);
  EXPECT_EQ(image[0], 'F');  // record 0 itself, as stored (fix-ups apply to copies)
  EXPECT_EQ(LoaderVolume::Source(image, 1024), 4096000 + 1024);
  EXPECT_EQ(LoaderVolume::Source(image, 409600 - 4), 4096000 + 409600 - 4);
  EXPECT_EQ(LoaderVolume::Source(image, 409600), 20480000);
  EXPECT_EQ(LoaderVolume::Source(image, 614400 - 4), 20480000 + 204800 - 4);
}

TEST(ReadMftLayout, SparseRunStaysZeroAndOnlyWholeRecordsOfTheValidLengthAreRead) {
  LoaderVolume v(300, 10, {{4, 10}, {2, -1}, {8, 200}}, 10 * 4096 + 100);
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  ASSERT_TRUE(test::ReadMftBytes(v.volume, image, record_size));
  ASSERT_EQ(image.size(), 10u * 4096);  // the trailing partial record is dropped
  for (std::size_t i = 4 * 4096; i < 6 * 4096; ++i) ASSERT_EQ(image[i], 0) << i;
  EXPECT_EQ(LoaderVolume::Source(image, 6 * 4096), 200 * 4096);
  // The last run is read only up to the last whole record.
  EXPECT_EQ(v.volume.reads().back().length, 4u * 4096);
}

// A window that cannot be read whole is read again record by record: only
// the records that cannot be read are lost, left zero and counted with their
// volume bytes.
TEST(ReadMftWindow, AFailedReadLosesOnlyTheRecordsThatCannotBeRead) {
  LoaderVolume v(400, 20, {{4, 20}, {2, -1}, {4, 300}}, 10 * 4096);
  v.volume.SetReadFailure([](std::int64_t offset, std::size_t length) {
    return offset <= 300 * 4096 + 1024 && offset + static_cast<std::int64_t>(length) > 300 * 4096 + 1024;
  });
  MftLayout layout;
  ASSERT_TRUE(ReadMftLayout(v.volume, layout));
  EXPECT_EQ(layout.record_count, 40);
  std::vector<std::uint8_t> image(40 * 1024, 0xEE);
  std::vector<ByteRange> unreadable;
  EXPECT_EQ(ReadMftWindow(v.volume, layout, 0, 40, image.data(), unreadable), 1);
  EXPECT_EQ(unreadable, (std::vector<ByteRange>{{300 * 4096 + 1024, 1024}}));
  EXPECT_EQ(LoaderVolume::Source(image, 4096), 20 * 4096 + 4096);
  EXPECT_EQ(image[5 * 4096], 0);  // sparse
  EXPECT_EQ(LoaderVolume::Source(image, 6 * 4096), 300 * 4096);
  for (std::size_t at = 6 * 4096 + 1024; at < 6 * 4096 + 2048; ++at) ASSERT_EQ(image[at], 0) << at;
  EXPECT_EQ(LoaderVolume::Source(image, 6 * 4096 + 2048), 300 * 4096 + 2048);

  // A window that starts inside the MFT reads from there.
  std::vector<std::uint8_t> part(2 * 1024);
  EXPECT_EQ(ReadMftWindow(v.volume, layout, 3, 2, part.data(), unreadable), 0);
  EXPECT_EQ(LoaderVolume::Source(part, 0), 20 * 4096 + 3 * 1024);
  EXPECT_EQ(LoaderVolume::Source(part, 1024), 20 * 4096 + 4 * 1024);
}

TEST(ReadMftWindow, AnMftRunningPastTheSourceLosesOnlyItsTail) {
  LoaderVolume v(10, 8, {}, 3 * 4096);  // 12 records from cluster 8 of a 10-cluster source
  v.data.volume_size = 0;               // unknown size: only the reads can tell
  v.volume.SetVolumeData(v.data);
  v.volume.bytes()[8 * 4096 + 60] = 0;  // make sure nothing decodes as a run
  MftLayout layout;
  ASSERT_TRUE(ReadMftLayout(v.volume, layout));
  ASSERT_EQ(layout.placements.size(), 1u);  // no run list: one range from record 0
  std::vector<std::uint8_t> image(12 * 1024);
  std::vector<ByteRange> unreadable;
  EXPECT_EQ(ReadMftWindow(v.volume, layout, 0, 12, image.data(), unreadable), 4);
  EXPECT_EQ(unreadable, (std::vector<ByteRange>{{10 * 4096, 4096}}));
  EXPECT_EQ(LoaderVolume::Source(image, 4096 + 8), 9 * 4096 + 8);
  for (std::size_t at = 8 * 1024; at < 12 * 1024; ++at) ASSERT_EQ(image[at], 0) << at;
}

// A window is mapped only when one run holds it whole and the volume maps
// its bytes; anything else is left to ReadMftWindow, which reads the same
// bytes.
TEST(MapMftWindow, MapsAWindowOfOneRunAndDeclinesTheRest) {
  LoaderVolume v(400, 20, {{4, 20}, {2, -1}, {4, 300}}, 10 * 4096);
  MftLayout layout;
  ASSERT_TRUE(ReadMftLayout(v.volume, layout));
  std::int64_t mapped = 0;
  const MappedView view = MapMftWindow(v.volume, layout, 3, 9, &mapped);
  ASSERT_TRUE(view);
  EXPECT_EQ(mapped, 9 * 1024);
  std::vector<std::uint8_t> read(9 * 1024);
  std::vector<ByteRange> unreadable;
  ASSERT_EQ(ReadMftWindow(v.volume, layout, 3, 9, read.data(), unreadable), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(view.data(), view.data() + read.size()), read);
  EXPECT_EQ(LoaderVolume::Source(read, 0), 20 * 4096 + 3 * 1024);

  EXPECT_FALSE(MapMftWindow(v.volume, layout, 12, 8, &mapped));  // across the first run's end
  EXPECT_FALSE(MapMftWindow(v.volume, layout, 16, 4, &mapped));  // the sparse run
  EXPECT_TRUE(MapMftWindow(v.volume, layout, 24, 16, &mapped));  // the last run, whole
  EXPECT_FALSE(MapMftWindow(v.volume, layout, 36, 8, &mapped));  // past the MFT's runs
  EXPECT_EQ(mapped, 25 * 1024);

  // A range that would fail to read is read, and so is everything of a
  // volume that does not map.
  v.volume.SetReadFailure([](std::int64_t offset, std::size_t) { return offset >= 300 * 4096; });
  EXPECT_TRUE(MapMftWindow(v.volume, layout, 0, 16, &mapped));
  EXPECT_FALSE(MapMftWindow(v.volume, layout, 24, 4, &mapped));
  v.volume.SetMappable(false);
  EXPECT_FALSE(MapMftWindow(v.volume, layout, 0, 16, &mapped));
}

// Every read planned for a window or for one record starts and ends on a
// 512-byte boundary, as a raw volume handle on Windows demands: windows and
// records are whole records, runs whole clusters.
TEST(PlanReads, WindowAndRecordReadsAreSectorAligned) {
  for (const std::int64_t cluster : {512, 1024, 4096, 65536}) {
    for (const std::int64_t record : {1024, 4096}) {
      const std::vector<DataRun> runs = {{0, 100, 3}, {3, -1, 2}, {5, 7, 1}, {6, 5000, 40}, {46, 90, 300}};
      std::vector<RunPlacement> placements;
      const std::int64_t length = 346 * cluster;
      ASSERT_TRUE(PlaceRuns(runs, cluster, length, placements));
      const std::int64_t count = length / record;
      std::vector<std::pair<std::int64_t, std::int64_t>> ranges;  // record ranges as read
      for (std::int64_t first = 0; first < count; first += 5) ranges.emplace_back(first, std::min<std::int64_t>(5, count - first));
      for (std::int64_t n = 0; n < count; ++n) ranges.emplace_back(n, 1);
      for (const auto& [first, n] : ranges) {
        std::int64_t covered = 0;
        for (const RunPlacement& read : PlanReads(placements, first * record, (first + n) * record)) {
          ASSERT_EQ(read.volume_offset % 512, 0) << cluster << " " << record << " " << first;
          ASSERT_EQ(read.length % 512, 0) << cluster << " " << record << " " << first;
          ASSERT_GE(read.image_offset, first * record);
          covered += read.length;
        }
        ASSERT_LE(covered, n * record);
      }
    }
  }
}

TEST(ReadMftLayout, AppliesFixupsToRecordZeroBeforeDecoding) {
  // Padding puts the run list across the first sector's protected last word.
  AttributeSpec padding;
  padding.type = 0x10;
  padding.runs.assign(320, 0xAB);  // the data attribute starts at 440, its runs at 504
  AttributeSpec data;
  data.runs = EncodeRuns({{2, 0x1234}, {1, 60}});
  auto record = Record(1024, {Attribute(padding), Attribute(data)});
  ASSERT_EQ(record[510], 0x07);  // protected: the sequence number sits there
  std::vector<DataRun> runs;
  EXPECT_FALSE(ParseDataRuns(ByteSpan(record.data(), record.size()), 1024, runs) && runs.size() == 2 &&
               runs[0].lcn == 0x1234 && runs[1].lcn == 60);

  MemoryVolume volume(LoaderVolume::Pattern(0x1300));
  NtfsVolumeData d{4096, 1024, 3 * 4096, 50, 0x1300 * 4096};
  volume.SetVolumeData(d);
  std::memcpy(volume.bytes().data() + 50 * 4096, record.data(), record.size());
  std::vector<std::uint8_t> image;
  std::int32_t record_size = 0;
  ASSERT_TRUE(test::ReadMftBytes(volume, image, record_size));
  EXPECT_EQ(LoaderVolume::Source(image, 4), 0x1234 * 4096 + 4);
  EXPECT_EQ(LoaderVolume::Source(image, 2 * 4096), 60 * 4096);
}

TEST(ReadMftLayout, FailsWithoutTouchingTheDiskOnUnreadableOrClosedVolumes) {
  LoaderVolume v(100, 8, {{2, 8}}, 2 * 4096);
  std::vector<std::uint8_t> image{1, 2, 3};
  std::int32_t record_size = 0;
  v.volume.SetReadFailure([](std::int64_t, std::size_t) { return true; });
  EXPECT_FALSE(test::ReadMftBytes(v.volume, image, record_size));  // record 0 unreadable
  EXPECT_TRUE(image.empty());
  v.volume.SetReadFailure(nullptr);
  v.volume.Close();
  EXPECT_FALSE(test::ReadMftBytes(v.volume, image, record_size));
}

// ---- resource bounds -----------------------------------------------------------

TEST(VolumeDataIsSane, RejectsAbsurdGeometryBeforeAnythingIsAllocated) {
  const NtfsVolumeData good{4096, 1024, 1 << 20, 4, std::int64_t{1} << 30};
  EXPECT_TRUE(VolumeDataIsSane(good));
  struct Case {
    const char* what;
    void (*change)(NtfsVolumeData&);
  };
  const Case cases[] = {
      {"cluster 0", [](NtfsVolumeData& d) { d.bytes_per_cluster = 0; }},
      {"cluster not a power of two", [](NtfsVolumeData& d) { d.bytes_per_cluster = 3072; }},
      {"cluster below 512", [](NtfsVolumeData& d) { d.bytes_per_cluster = 256; }},
      {"cluster above 2 MiB", [](NtfsVolumeData& d) { d.bytes_per_cluster = 4u << 20; }},
      {"record 0", [](NtfsVolumeData& d) { d.bytes_per_record = 0; }},
      {"record below 24", [](NtfsVolumeData& d) { d.bytes_per_record = 16; }},
      {"record not a power of two", [](NtfsVolumeData& d) { d.bytes_per_record = 1000; }},
      {"record above 64 KiB", [](NtfsVolumeData& d) { d.bytes_per_record = 128u << 10; }},
      {"length 0", [](NtfsVolumeData& d) { d.mft_valid_data_length = 0; }},
      {"length negative", [](NtfsVolumeData& d) { d.mft_valid_data_length = -4096; }},
      {"length beyond the volume", [](NtfsVolumeData& d) { d.mft_valid_data_length = d.volume_size + 1; }},
      {"more than 2^32 records",
       [](NtfsVolumeData& d) {
         d.volume_size = 0;
         d.mft_valid_data_length = (std::int64_t{1} << 42) + 1024;
       }},
      {"MFT start negative", [](NtfsVolumeData& d) { d.mft_start_lcn = -1; }},
      {"MFT start overflows", [](NtfsVolumeData& d) { d.mft_start_lcn = INT64_MAX / 1024; }},
      {"record 0 beyond the volume", [](NtfsVolumeData& d) { d.mft_start_lcn = d.volume_size / 4096; }},
  };
  for (const Case& c : cases) {
    NtfsVolumeData d = good;
    c.change(d);
    EXPECT_FALSE(VolumeDataIsSane(d)) << c.what;
    MemoryVolume volume(std::vector<std::uint8_t>(8192));
    volume.SetVolumeData(d);
    std::vector<std::uint8_t> image;
    std::int32_t record_size = 0;
    EXPECT_FALSE(test::ReadMftBytes(volume, image, record_size)) << c.what;
    EXPECT_TRUE(volume.reads().empty()) << c.what;
  }
  // Unknown volume size: the record cap still bounds the length.
  NtfsVolumeData unknown = good;
  unknown.volume_size = 0;
  unknown.mft_valid_data_length = std::int64_t{1} << 42;
  EXPECT_TRUE(VolumeDataIsSane(unknown));
}

}  // namespace
}  // namespace tw

// ---- record 0's $BITMAP ------------------------------------------------------

namespace tw {
namespace {

// Record 0 with its $DATA (one run of `mft_clusters` at cluster 8) and the
// given attributes after it.
std::vector<std::uint8_t> RecordZero(std::int64_t mft_clusters, std::vector<std::vector<std::uint8_t>> more = {}) {
  AttributeSpec data;
  data.runs = EncodeRuns({{mft_clusters, 8}});
  data.allocated = data.data_size = data.valid_size = mft_clusters * 4096;
  more.insert(more.begin(), Attribute(data));
  return Record(1024, more);
}

std::vector<std::uint8_t> BitmapAttribute(std::vector<test::RunSpec> runs, std::int64_t data, std::int64_t valid) {
  AttributeSpec bitmap;
  bitmap.type = 0xB0;
  bitmap.runs = EncodeRuns(runs);
  bitmap.allocated = 4096;
  bitmap.data_size = data;
  bitmap.valid_size = valid;
  return Attribute(bitmap);
}

// A volume of 64 clusters of 4 KiB: the MFT (40 records) at cluster 8,
// record 0 as given, and bitmap bytes 0xA5, 0x5A, ... at cluster 30.
struct BitmapVolume {
  explicit BitmapVolume(const std::vector<std::uint8_t>& record0) : volume(std::vector<std::uint8_t>(64 * 4096, 0)) {
    std::copy(record0.begin(), record0.end(), volume.bytes().begin() + 8 * 4096);
    for (std::size_t i = 0; i < 4096; ++i) volume.bytes()[30 * 4096 + i] = i % 2 ? 0x5A : 0xA5;
    NtfsVolumeData data;
    data.bytes_per_cluster = 4096;
    data.bytes_per_record = 1024;
    data.mft_valid_data_length = 40 * 1024;
    data.mft_start_lcn = 8;
    volume.SetVolumeData(data);
  }
  MemoryVolume volume;
};

TEST(MftBitmap, FoundResidentOrNotInRecordZero) {
  const std::vector<std::uint8_t> resident =
      build::RecordBuilder(1024).InUse().ResidentAttribute(0xB0, {0xFF, 0x0F, 0x00, 0x01, 0x80}).Build();
  std::vector<std::uint8_t> fixed = resident;
  ApplyFixups(MutableSpan{fixed.data(), fixed.size()});
  MftBitmapAttribute bitmap;
  ASSERT_TRUE(FindMftBitmap(ByteSpan(fixed.data(), fixed.size()), 1024, bitmap));
  EXPECT_TRUE(bitmap.resident);
  EXPECT_EQ(bitmap.value, (std::vector<std::uint8_t>{0xFF, 0x0F, 0x00, 0x01, 0x80}));

  std::vector<std::uint8_t> record = RecordZero(10, {BitmapAttribute({{1, 30}}, 600, 500)});
  ApplyFixups(MutableSpan{record.data(), record.size()});
  ASSERT_TRUE(FindMftBitmap(ByteSpan(record.data(), record.size()), 1024, bitmap));
  EXPECT_FALSE(bitmap.resident);
  EXPECT_EQ(bitmap.valid_bytes, 500);  // the smaller of the data and initialised sizes
  ASSERT_EQ(bitmap.runs.size(), 1u);
  EXPECT_EQ(bitmap.runs[0].lcn, 30);

  // None in the record (it may sit behind an attribute list), or damaged.
  std::vector<std::uint8_t> none = RecordZero(10);
  ApplyFixups(MutableSpan{none.data(), none.size()});
  EXPECT_FALSE(FindMftBitmap(ByteSpan(none.data(), none.size()), 1024, bitmap));
  std::vector<std::uint8_t> negative = RecordZero(10, {BitmapAttribute({{1, 30}}, -8, 8)});
  ApplyFixups(MutableSpan{negative.data(), negative.size()});
  EXPECT_FALSE(FindMftBitmap(ByteSpan(negative.data(), negative.size()), 1024, bitmap));
  std::vector<std::uint8_t> no_runs = RecordZero(10, {BitmapAttribute({}, 8, 8)});
  ApplyFixups(MutableSpan{no_runs.data(), no_runs.size()});
  EXPECT_FALSE(FindMftBitmap(ByteSpan(no_runs.data(), no_runs.size()), 1024, bitmap));
}

TEST(MftBitmap, ReadAlongItsRunsOnlyWhenEveryByteLiesOnTheVolume) {
  MftBitmapAttribute bitmap;
  bitmap.found = true;
  bitmap.runs = {{0, 30, 1}};
  bitmap.valid_bytes = 8;
  BitmapVolume v(RecordZero(10));
  std::vector<std::uint8_t> bits;
  ASSERT_TRUE(ReadMftBitmap(v.volume, bitmap, 4096, 5, bits));
  EXPECT_EQ(bits, (std::vector<std::uint8_t>{0xA5, 0x5A, 0xA5, 0x5A, 0xA5}));
  EXPECT_FALSE(ReadMftBitmap(v.volume, bitmap, 4096, 9, bits));  // fewer valid bytes than records need
  EXPECT_TRUE(bits.empty());
  MftBitmapAttribute sparse = bitmap;  // a hole would read as records not in use
  sparse.runs = {{0, -1, 1}};
  EXPECT_FALSE(ReadMftBitmap(v.volume, sparse, 4096, 5, bits));
  v.volume.SetReadFailure([](std::int64_t offset, std::size_t) { return offset == 30 * 4096; });
  EXPECT_FALSE(ReadMftBitmap(v.volume, bitmap, 4096, 5, bits));
  EXPECT_TRUE(bits.empty());

  MftBitmapAttribute resident;
  resident.found = resident.resident = true;
  resident.value = {1, 2, 3};
  ASSERT_TRUE(ReadMftBitmap(v.volume, resident, 4096, 2, bits));
  EXPECT_EQ(bits, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_FALSE(ReadMftBitmap(v.volume, resident, 4096, 4, bits));
}

TEST(MftBitmap, TheLayoutCarriesItWhenAskedAndUsable) {
  // 40 records need 5 bytes; bit 0 of 0xA5 marks record 0 in use.
  BitmapVolume good(RecordZero(10, {BitmapAttribute({{1, 30}}, 8, 8)}));
  MftLayout layout;
  ASSERT_TRUE(ReadMftLayout(good.volume, layout));
  EXPECT_EQ(layout.cluster_size, 4096);
  EXPECT_EQ(layout.in_use, (std::vector<std::uint8_t>{0xA5, 0x5A, 0xA5, 0x5A, 0xA5}));
  ASSERT_TRUE(ReadMftLayout(good.volume, layout, false));
  EXPECT_TRUE(layout.in_use.empty());  // not asked: not read
  // Short, or not marking record 0 (bytes 0x5A first): the scan reads everything.
  BitmapVolume short_one(RecordZero(10, {BitmapAttribute({{1, 30}}, 4, 4)}));
  ASSERT_TRUE(ReadMftLayout(short_one.volume, layout));
  EXPECT_TRUE(layout.in_use.empty());
  BitmapVolume no_mft(RecordZero(10, {BitmapAttribute({{1, 30}}, 8, 8)}));
  no_mft.volume.bytes()[30 * 4096] = 0x5A;
  ASSERT_TRUE(ReadMftLayout(no_mft.volume, layout));
  EXPECT_TRUE(layout.in_use.empty());
  // A bitmap that cannot be read fails nothing.
  BitmapVolume unreadable(RecordZero(10, {BitmapAttribute({{1, 30}}, 8, 8)}));
  unreadable.volume.SetReadFailure([](std::int64_t offset, std::size_t) { return offset == 30 * 4096; });
  ASSERT_TRUE(ReadMftLayout(unreadable.volume, layout));
  EXPECT_TRUE(layout.in_use.empty());
  EXPECT_EQ(layout.record_count, 40);
}

}  // namespace
}  // namespace tw
