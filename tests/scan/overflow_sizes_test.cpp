#include "scan/overflow_sizes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ntfsbuild/record_builder.h"
#include "scan/mft_record.h"

namespace tw {
namespace {

using namespace build;

constexpr std::size_t kRecord = 1024;

ByteSpan View(const std::vector<std::uint8_t>& bytes) { return ByteSpan(bytes.data(), bytes.size()); }

// A record as the overflow pass sees it: built, then fixed up.
std::vector<std::uint8_t> FixedUp(const RecordBuilder& builder) {
  std::vector<std::uint8_t> bytes = builder.Build();
  ApplyFixups(MutableSpan{bytes.data(), bytes.size()});
  return bytes;
}

NonResidentDataSpec Extent(std::int64_t data_size, std::int64_t allocated_size) {
  NonResidentDataSpec spec;
  spec.data_size = data_size;
  spec.allocated_size = allocated_size;
  spec.initialized_size = data_size;
  spec.runs = {{1, 100}};
  return spec;
}

// A folder named in its own record.
RecordBuilder Folder(std::uint32_t id, std::int64_t parent, const std::wstring& name) {
  return RecordBuilder(kRecord).Number(id).InUse().Directory().FileName(
      {.parent = parent, .name = name, .flags = kNameDirectoryFlag});
}

RecordBuilder Root() { return Folder(5, 5, L"."); }

AttributeListEntrySpec Entry(std::uint32_t type, std::int64_t record) {
  AttributeListEntrySpec entry;
  entry.type = type;
  entry.record = record;
  return entry;
}

// A file base record whose attribute list names `data_records` for its unnamed $DATA.
RecordBuilder ListedFile(std::uint32_t id, const std::wstring& name, const std::vector<std::int64_t>& data_records) {
  std::vector<AttributeListEntrySpec> entries = {Entry(0x30, id)};
  for (const std::int64_t r : data_records) entries.push_back(Entry(0x80, r));
  return RecordBuilder(kRecord).Number(id).InUse().AttributeList(entries).FileName({.parent = 5, .name = name});
}

RecordBuilder ExtensionOf(std::uint32_t number, std::int64_t base) {
  return RecordBuilder(kRecord).Number(number).InUse().BaseRecord(base);
}

// Parses every record of the image into the aggregate, as the pass over the MFT does.
void ParseAll(const MftImage& image, ScanSlice& aggregate) {
  ParseRange(View(image.bytes()), static_cast<std::int32_t>(kRecord), 0, image.record_count(), aggregate);
}

// Every record parsed and the records without a name of their own resolved:
// what the driver has before it applies the overflow sizes.
ScanSlice Collect(const MftImage& image) {
  ScanSlice aggregate;
  ParseAll(image, aggregate);
  ResolvePendingRecords(aggregate);
  return aggregate;
}

// The entries of a slice, names widened.
std::vector<MftEntry> Entries(const ScanSlice& aggregate) {
  std::vector<MftEntry> entries;
  for (std::size_t i = 0; i < aggregate.entries.size(); ++i)
    entries.push_back(aggregate.entries.Entry(aggregate.entries[i]));
  return entries;
}

// The file entry of record `id` whose recorded parent is `folder`.
std::optional<MftEntry> FindFile(const ScanSlice& aggregate, std::int64_t folder, std::int64_t id) {
  for (const MftEntry& e : Entries(aggregate)) {
    if (!e.is_directory && e.id == id && e.parent_id == folder) return e;
  }
  return std::nullopt;
}

// The folder entry of record `id`: the last one of that id, as tree building takes it.
std::optional<MftEntry> FindFolder(const ScanSlice& aggregate, std::int64_t id) {
  std::optional<MftEntry> found;
  for (const MftEntry& e : Entries(aggregate)) {
    if (e.is_directory && e.id == id) found = e;
  }
  return found;
}

// What the entries hold for tree building: the file entries with the sums of
// their sizes, and the folder entries other than the root's.
struct EntryCounts {
  int files = 0;
  int folders = 0;
  std::int64_t size_sum = 0;
  std::int64_t alloc_sum = 0;
};

EntryCounts Count(const ScanSlice& aggregate) {
  EntryCounts counts;
  for (const MftEntry& e : aggregate.entries.Entries()) {
    if (e.is_directory) {
      if (e.id != kRootId) ++counts.folders;
      continue;
    }
    ++counts.files;
    counts.size_sum += e.size;
    counts.alloc_sum += e.alloc;
  }
  return counts;
}

// The ids of the entries, in list order.
std::vector<std::int64_t> Ids(const ScanSlice& aggregate) {
  std::vector<std::int64_t> ids;
  for (const MftEntry& e : aggregate.entries.Entries()) ids.push_back(e.id);
  return ids;
}

// ---------------------------------------------------------------------------
// SumUnnamedData

TEST(SumUnnamedData, SumsEveryUnnamedExtentAndFallsBackToTheAllocatedSize) {
  NonResidentDataSpec stream = Extent(50000, 53248);
  stream.stream_name = L"stream";
  const auto record = FixedUp(RecordBuilder(kRecord)
                                  .Number(40)
                                  .InUse()
                                  .NonResidentData(Extent(1000, 4096))
                                  .NonResidentData(Extent(0, 8192))  // data size 0: counts 8192
                                  .ResidentData(300)
                                  .ResidentData(30, L"s")     // named: ignored
                                  .NonResidentData(stream));  // named: ignored
  std::int64_t size = -1, alloc = -1;
  EXPECT_TRUE(SumUnnamedData(View(record), size, alloc));
  EXPECT_EQ(size, 1000 + 8192 + 300);
  EXPECT_EQ(alloc, 4096 + 8192 + 300);
  // Allocated size not positive: the data size stands for it.
  const auto unallocated = FixedUp(RecordBuilder(kRecord).InUse().NonResidentData(Extent(700, 0)));
  EXPECT_TRUE(SumUnnamedData(View(unallocated), size, alloc));
  EXPECT_EQ(alloc, 700);
}

TEST(SumUnnamedData, SparseAndCompressedExtentsCountTheirClustersInUse) {
  NonResidentDataSpec sparse = Extent(300 << 20, 300 << 20), compressed = Extent(1000000, 1048576);
  sparse.flags = 0x8000;
  sparse.total_allocated = 262144;
  compressed.flags = 0x0001;
  compressed.compression_unit = 4;
  compressed.total_allocated = 65536;
  NonResidentDataSpec no_field = Extent(5000, 8192), hole = Extent(8 << 20, 8 << 20);
  no_field.flags = 0x8000;  // a 64-byte header: the allocated length
  hole.flags = 0x8000;
  hole.total_allocated = 0;
  std::int64_t size = 0, alloc = 0;
  const auto record = FixedUp(
      RecordBuilder(kRecord).InUse().NonResidentData(sparse).NonResidentData(compressed).NonResidentData(no_field));
  EXPECT_TRUE(SumUnnamedData(View(record), size, alloc));
  EXPECT_EQ(size, (300 << 20) + 1000000 + 5000);
  EXPECT_EQ(alloc, 262144 + 65536 + 8192);
  // All hole: nothing allocated, not the data size in its place.
  EXPECT_TRUE(SumUnnamedData(View(FixedUp(RecordBuilder(kRecord).InUse().NonResidentData(hole))), size, alloc));
  EXPECT_EQ(size, 8 << 20);
  EXPECT_EQ(alloc, 0);
}

TEST(SumUnnamedData, RejectsFoldersUnusedRecordsAndEmptyData) {
  std::int64_t size = 0, alloc = 0;
  EXPECT_FALSE(SumUnnamedData(View(FixedUp(RecordBuilder(kRecord).InUse().Directory().ResidentData(10))), size, alloc));
  EXPECT_FALSE(SumUnnamedData(View(FixedUp(RecordBuilder(kRecord).ResidentData(10))), size, alloc));
  EXPECT_FALSE(
      SumUnnamedData(View(FixedUp(RecordBuilder(kRecord).InUse().Signature("BAAD").ResidentData(10))), size, alloc));
  EXPECT_FALSE(
      SumUnnamedData(View(FixedUp(RecordBuilder(kRecord).InUse().NonResidentData(Extent(0, 0)))), size, alloc));
  EXPECT_EQ(size, 0);
  EXPECT_EQ(alloc, 0);
  const std::vector<std::uint8_t> short_span(23, 0);
  EXPECT_FALSE(SumUnnamedData(View(short_span), size, alloc));
}

TEST(SumUnnamedData, HugeExtentsSaturateInsteadOfOverflowing) {
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max() - 10;
  const auto record =
      FixedUp(RecordBuilder(kRecord).InUse().NonResidentData(Extent(huge, huge)).NonResidentData(Extent(huge, huge)));
  std::int64_t size = 0, alloc = 0;
  EXPECT_TRUE(SumUnnamedData(View(record), size, alloc));
  EXPECT_EQ(size, std::numeric_limits<std::int64_t>::max());
  EXPECT_GT(size, kSizeSanityLimit);
}

RecordBuilder NamelessBase(std::uint32_t id);
FileNameSpec NameIn(std::int64_t parent, const std::wstring& name, std::uint8_t name_space = kWin32);

// ---------------------------------------------------------------------------
// The overflow-size pass

TEST(OverflowSizes, DataInAnExtensionRecordReachesTheFile) {
  NonResidentDataSpec data = Extent(5000000, 5001216);
  data.runs = {{1221, 2000}};
  MftImage image(kRecord);
  image.Put(5, Root().Build());
  image.Put(40, ListedFile(40, L"big.bin", {900}).Build());
  image.Put(900, ExtensionOf(900, 40).NonResidentData(data).Build());

  ScanSlice aggregate = Collect(image);
  ASSERT_EQ(aggregate.overflow_sizes.size(), 1u);
  EXPECT_EQ(aggregate.overflow_sizes.at(40).size, 5000000);
  EXPECT_EQ(aggregate.overflow_sizes.at(40).alloc, 5001216);

  ApplyOverflowSizes(aggregate);
  const std::optional<MftEntry> file = FindFile(aggregate, 5, 40);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->name, L"big.bin");
  EXPECT_EQ(file->size, 5000000);
  EXPECT_EQ(file->alloc, 5001216);
  EXPECT_EQ(Count(aggregate).size_sum, 5000000);
}

TEST(OverflowSizes, OnlyRecordsNamingTheBaseCountForIt) {
  // Record 900 names no base record: it is a record of its own, whatever the
  // file's list says, and its data is not the file's.
  MftImage image(kRecord);
  image.Put(40, ListedFile(40, L"a.bin", {900}).Build());
  image.Put(900, RecordBuilder(kRecord).Number(900).InUse().NonResidentData(Extent(3000, 4096)).Build());
  const ScanSlice aggregate = Collect(image);
  EXPECT_TRUE(aggregate.overflow_sizes.empty());
}

TEST(OverflowSizes, SizesAboveTenTebibytesAreIgnored) {
  MftImage image(kRecord);
  image.Put(40, ListedFile(40, L"a.bin", {900, 901}).Build());
  image.Put(900, ExtensionOf(900, 40).NonResidentData(Extent(kSizeSanityLimit + 1, kSizeSanityLimit + 4096)).Build());
  image.Put(901, ExtensionOf(901, 41).NonResidentData(Extent(1000, kSizeSanityLimit + 1)).Build());
  image.Put(902, ExtensionOf(902, 42).NonResidentData(Extent(kSizeSanityLimit, kSizeSanityLimit)).Build());
  const ScanSlice aggregate = Collect(image);
  EXPECT_EQ(aggregate.overflow_sizes.count(40), 0u);
  EXPECT_EQ(aggregate.overflow_sizes.count(41), 0u);
  ASSERT_EQ(aggregate.overflow_sizes.count(42), 1u);  // the limit itself is still plausible
  EXPECT_EQ(aggregate.overflow_sizes.at(42).size, kSizeSanityLimit);
}

TEST(OverflowSizes, UnusedOrBaselessExtensionsContributeNothing) {
  MftImage image(kRecord);
  image.Put(40, ListedFile(40, L"a.bin", {900}).Build());
  image.Put(900, RecordBuilder(kRecord).Number(900).BaseRecord(40).NonResidentData(Extent(9000, 9216)).Build());
  image.Put(901, RecordBuilder(kRecord).Number(901).InUse().Excluded().NonResidentData(Extent(9000, 9216)).Build());
  image.Put(902, RecordBuilder(kRecord).Number(902).InUse().NonResidentData(Extent(9000, 9216)).Build());
  EXPECT_TRUE(Collect(image).overflow_sizes.empty());
}

TEST(OverflowSizes, FileKeepsItsOwnLargerSizes) {
  MftImage image(kRecord);
  image.Put(40, ListedFile(40, L"a.bin", {900}).NonResidentData(Extent(10000000, 10002432)).Build());
  image.Put(900, ExtensionOf(900, 40).NonResidentData(Extent(5000000, 12000000)).Build());
  ScanSlice aggregate = Collect(image);
  ApplyOverflowSizes(aggregate);
  const std::optional<MftEntry> file = FindFile(aggregate, 5, 40);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->size, 10000000);   // own size larger: kept
  EXPECT_EQ(file->alloc, 12000000);  // the extension's allocation larger: raised
}

// A file whose own record holds no $DATA has its $FILE_NAME's sizes, which
// NTFS updates lazily: the stream in the extension record replaces them, a
// smaller size and a sparse stream's clusters in use included.
TEST(OverflowSizes, AStreamOnlyInExtensionRecordsReplacesTheNamesSizes) {
  NonResidentDataSpec sparse = Extent(5000000, 5001216);
  sparse.flags = 0x8000;
  sparse.total_allocated = 65536;
  MftImage image(kRecord);
  image.Put(5, Root().Build());
  image.Put(40, RecordBuilder(kRecord)
                    .Number(40)
                    .InUse()
                    .AttributeList({Entry(0x30, 40), Entry(0x80, 900)})
                    .FileName({.parent = 5, .name = L"stale.bin", .allocated_size = 9003008, .real_size = 9000000})
                    .Build());
  image.Put(900, ExtensionOf(900, 40).NonResidentData(sparse).Build());
  // With its own stream, a file keeps the larger of its own and the overflow sizes.
  image.Put(41, ListedFile(41, L"own.bin", {901}).NonResidentData(Extent(7000, 8192)).Build());
  image.Put(901, ExtensionOf(901, 41).NonResidentData(Extent(3000, 4096)).Build());
  ScanSlice aggregate = Collect(image);
  ApplyOverflowSizes(aggregate);
  const std::optional<MftEntry> stale = FindFile(aggregate, 5, 40);
  const std::optional<MftEntry> own = FindFile(aggregate, 5, 41);
  ASSERT_TRUE(stale.has_value() && own.has_value());
  EXPECT_EQ(stale->size, 5000000);
  EXPECT_EQ(stale->alloc, 65536);
  EXPECT_EQ(own->size, 7000);
  EXPECT_EQ(own->alloc, 8192);
}

TEST(OverflowSizes, ListedNumbersOutsideTheImageAreSkipped) {
  MftImage image(kRecord);
  // 2^32 + 900 must not be read as record 900.
  image.Put(40, NamelessBase(40).Build());
  image.Put(41, ExtensionOf(41, (std::int64_t{1} << 32) + 40).FileName(NameIn(5, L"not40")).Build());
  image.Put(900, ExtensionOf(900, (std::int64_t{1} << 32) + 40).NonResidentData(Extent(3000, 4096)).Build());
  const ScanSlice aggregate = Collect(image);
  EXPECT_EQ(aggregate.overflow_sizes.count(40), 0u);
  EXPECT_EQ(aggregate.overflow_sizes.count((std::int64_t{1} << 32) + 40), 1u);
  EXPECT_TRUE(aggregate.entries.empty());  // 40 found no name of its own
}

TEST(OverflowSizes, RecordZeroNeverTakesOverflowSizes) {
  MftImage image(kRecord);
  image.Put(0, ListedFile(0, L"$MFT", {900}).Build());
  image.Put(900, RecordBuilder(kRecord).Number(900).InUse().NonResidentData(Extent(3000, 4096)).Build());
  EXPECT_TRUE(Collect(image).overflow_sizes.empty());
}

TEST(OverflowSizes, EmptyImageOrBadRecordSizeDoesNothing) {
  ScanSlice aggregate;
  ParseRange(ByteSpan(), 1024, 0, 4, aggregate);
  const std::vector<std::uint8_t> bytes(4096, 0xFF);
  ParseRange(View(bytes), 0, 0, 4, aggregate);
  ParseRange(View(bytes), -1024, 0, 4, aggregate);
  ParseRange(View(bytes), 16, 0, 256, aggregate);  // records too short for a header
  ResolvePendingRecords(aggregate);
  EXPECT_TRUE(aggregate.overflow_sizes.empty());
  EXPECT_TRUE(aggregate.entries.empty());
}

// ---------------------------------------------------------------------------
// Files named only in extension records (their attribute list is non-resident)

// A file base record whose $ATTRIBUTE_LIST lies outside the record, without a name of its own.
RecordBuilder NamelessBase(std::uint32_t id) {
  return RecordBuilder(kRecord)
      .Number(id)
      .InUse()
      .StandardInformation({.read = 777, .attributes = 0x20})
      .AttributeList({Entry(0x30, id + 1)})
      .WithNonResidentHeader(1);
}

FileNameSpec NameIn(std::int64_t parent, const std::wstring& name, std::uint8_t name_space) {
  return FileNameSpec{.parent = parent, .name = name, .name_space = name_space};
}

// The stages from the pass over the MFT to the entries tree building takes, as the driver runs them.
ScanSlice ScanStages(const MftImage& image) {
  ScanSlice aggregate = Collect(image);
  ApplyOverflowSizes(aggregate);
  return aggregate;
}

TEST(OverflowNames, FileNamedOnlyInExtensionRecordsGetsItsEntry) {
  NonResidentDataSpec first = Extent(1925120, 1929216);
  NonResidentDataSpec later;  // a later extent: zero sizes in its header
  later.start_vcn = 471;
  later.runs = {{1, 300}};
  MftImage image(kRecord);
  image.Put(5, Root().Build());
  image.Put(30, Folder(30, 5, L"data").Build());
  image.Put(40, NamelessBase(40).NonResidentData(first).Build());
  image.Put(41, ExtensionOf(41, 40).FileName(NameIn(30, L"FRAGME~1.BIN", kDos)).Build());
  image.Put(42, ExtensionOf(42, 40).NonResidentData(later).Build());
  image.Put(43, ExtensionOf(43, 40).FileName(NameIn(30, L"fragmented.bin")).Build());
  // A base whose data lies in an extension record too.
  image.Put(50, NamelessBase(50).Build());
  image.Put(20, ExtensionOf(20, 50).FileName(NameIn(5, L"moved.dat")).NonResidentData(Extent(5000, 8192)).Build());

  const ScanSlice aggregate = ScanStages(image);
  const std::optional<MftEntry> file = FindFile(aggregate, 30, 40);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->name, L"fragmented.bin");  // Win32 outranks DOS whatever the order
  EXPECT_EQ(file->size, 1925120);
  EXPECT_EQ(file->alloc, 1929216);
  EXPECT_EQ(file->mtime, 777);  // the base record's own attributes count
  const std::optional<MftEntry> moved = FindFile(aggregate, 5, 50);
  ASSERT_TRUE(moved.has_value());  // an extension record below its base is found as well
  EXPECT_EQ(moved->name, L"moved.dat");
  EXPECT_EQ(moved->size, 5000);
  EXPECT_EQ(moved->alloc, 8192);
  EXPECT_EQ(Count(aggregate).files, 2);
  EXPECT_EQ(Count(aggregate).size_sum, 1925120 + 5000);
  int in_data = 0;
  for (const MftEntry& e : Entries(aggregate)) in_data += !e.is_directory && e.parent_id == 30 ? 1 : 0;
  EXPECT_EQ(in_data, 1);
}

TEST(OverflowNames, OnlyInUseExtensionRecordsOfThatBaseCount) {
  MftImage image(kRecord);
  image.Put(40, NamelessBase(40).ResidentData(10).Build());
  image.Put(41, RecordBuilder(kRecord).Number(41).BaseRecord(40).FileName(NameIn(5, L"free")).Build());
  image.Put(42, ExtensionOf(42, 40).Signature("BAAD").FileName(NameIn(5, L"bad")).Build());
  image.Put(43, ExtensionOf(43, 44).FileName(NameIn(5, L"other")).Build());  // names another base
  // A named file is never renamed.
  image.Put(50, RecordBuilder(kRecord).Number(50).InUse().FileName(NameIn(5, L"own.txt")).Build());
  image.Put(51, ExtensionOf(51, 50).FileName(NameIn(5, L"intruder.txt")).Build());

  const ScanSlice aggregate = ScanStages(image);
  EXPECT_EQ(Count(aggregate).files, 1);  // own.txt alone
  ASSERT_TRUE(FindFile(aggregate, 5, 50).has_value());
  EXPECT_EQ(FindFile(aggregate, 5, 50)->name, L"own.txt");
  EXPECT_FALSE(FindFile(aggregate, 5, 40).has_value());
}

// ---------------------------------------------------------------------------
// Folders named only in extension records (a large folder's $FILE_NAME moved out)

// A folder base record without a name, its attribute list outside the record.
RecordBuilder NamelessFolder(std::uint32_t id) {
  return RecordBuilder(kRecord)
      .Number(id)
      .InUse()
      .Directory()
      .StandardInformation({.read = 888, .attributes = 0x10})
      .AttributeList({Entry(0x30, id + 1)})
      .WithNonResidentHeader(1);
}

FileNameSpec FolderNameIn(std::int64_t parent, const std::wstring& name, std::uint8_t name_space = kWin32) {
  return FileNameSpec{.parent = parent, .name = name, .name_space = name_space, .flags = kNameDirectoryFlag};
}

TEST(OverflowFolderNames, FolderNamedOnlyInExtensionRecordsTakesThatNameAndParent) {
  MftImage image(kRecord);
  image.Put(5, Root().Build());
  image.Put(30, Folder(30, 5, L"data").Build());
  image.Put(64, NamelessFolder(64).Build());
  image.Put(65, ExtensionOf(65, 64).FileName(FolderNameIn(30, L"MANYFI~1", kDos)).Build());
  image.Put(66, ExtensionOf(66, 64).FileName(FolderNameIn(30, L"many files")).Build());
  image.Put(67, ExtensionOf(67, 64).StandardInformation({.read = 1, .attributes = 0x2}).Build());
  // A folder whose extension record lies below it, and a file inside that folder.
  image.Put(90, NamelessFolder(90).Build());
  image.Put(12, ExtensionOf(12, 90).FileName(FolderNameIn(64, L"inner")).Build());
  image.Put(91, RecordBuilder(kRecord).Number(91).InUse().FileName(NameIn(90, L"a.txt")).ResidentData(10).Build());

  const ScanSlice aggregate = ScanStages(image);
  const std::optional<MftEntry> many = FindFolder(aggregate, 64);
  ASSERT_TRUE(many.has_value());
  EXPECT_EQ(many->name, L"many files");  // Win32 outranks DOS
  EXPECT_EQ(many->parent_id, 30);
  EXPECT_EQ(many->mtime, 888);  // time and attribute bits of the base record only
  EXPECT_EQ(many->attributes, 0x10u);
  const std::optional<MftEntry> inner = FindFolder(aggregate, 90);
  ASSERT_TRUE(inner.has_value());
  EXPECT_EQ(inner->name, L"inner");
  EXPECT_EQ(inner->parent_id, 64);
  EXPECT_EQ(Count(aggregate).folders, 3);  // data, many files, inner: one entry each
  ASSERT_TRUE(FindFile(aggregate, 90, 91).has_value());
  EXPECT_EQ(Count(aggregate).files, 1);
}

TEST(OverflowFolderNames, WithoutANameAnywhereTheFallbackAndItsParentStay) {
  MftImage image(kRecord);
  // The root keeps "." whatever an extension record naming it holds.
  image.Put(5, Root().Build());
  image.Put(20, ExtensionOf(20, 5).FileName(FolderNameIn(5, L"not the root")).Build());
  // Extension records without a usable name: dir_N, parented by "." or to 5.
  image.Put(60, NamelessFolder(60).FileName(FolderNameIn(77, L".")).Build());
  image.Put(61, ExtensionOf(61, 60).FileName(FolderNameIn(5, L"free")).InUse(false).Build());
  image.Put(62, ExtensionOf(62, 60).FileName(FolderNameIn(5, L"..")).Build());
  image.Put(70, NamelessFolder(70).Build());
  image.Put(71, ExtensionOf(71, 70).Signature("BAAD").FileName(FolderNameIn(5, L"bad")).Build());
  // A named folder is never renamed by an extension record.
  image.Put(80, Folder(80, 5, L"own").Build());
  image.Put(81, ExtensionOf(81, 80).FileName(FolderNameIn(60, L"intruder")).Build());

  const ScanSlice aggregate = ScanStages(image);
  for (const std::int64_t id : {5, 60, 70, 80}) ASSERT_TRUE(FindFolder(aggregate, id).has_value()) << id;
  EXPECT_EQ(FindFolder(aggregate, 5)->name, L".");
  EXPECT_EQ(FindFolder(aggregate, 60)->name, L"dir_60");
  EXPECT_EQ(FindFolder(aggregate, 60)->parent_id, 77);
  EXPECT_EQ(FindFolder(aggregate, 70)->name, L"dir_70");
  EXPECT_EQ(FindFolder(aggregate, 70)->parent_id, 5);
  EXPECT_EQ(FindFolder(aggregate, 80)->name, L"own");
  EXPECT_EQ(FindFolder(aggregate, 80)->parent_id, 5);
  EXPECT_EQ(Count(aggregate).folders, 3);
}

TEST(OverflowFolderNames, ExtensionRecordsBeforeOrAfterTheirFolderCountAlike) {
  // The pass meets an extension record before its base as often as after it.
  MftImage image(kRecord);
  image.Put(64, NamelessFolder(64).Build());
  image.Put(65, ExtensionOf(65, 64).FileName(FolderNameIn(5, L"after")).Build());
  image.Put(69, ExtensionOf(69, 70).FileName(FolderNameIn(5, L"before")).Build());
  image.Put(70, NamelessFolder(70).Build());
  const ScanSlice aggregate = ScanStages(image);
  ASSERT_TRUE(FindFolder(aggregate, 64).has_value());
  ASSERT_TRUE(FindFolder(aggregate, 70).has_value());
  EXPECT_EQ(FindFolder(aggregate, 64)->name, L"after");
  EXPECT_EQ(FindFolder(aggregate, 70)->name, L"before");
  EXPECT_EQ(Count(aggregate).folders, 2);
}

// ---------------------------------------------------------------------------
// ApplyOverflowSizes

TEST(ApplyOverflowSizes, EveryEntryStaysInOrderAndTheOverflowSizesAreEmptied) {
  MftImage image(kRecord);
  image.Put(5, Root().Build());
  image.Put(30, Folder(30, 5, L"docs").Build());
  image.Put(40, ListedFile(40, L"big.bin", {900}).Build());
  image.Put(
      41,
      RecordBuilder(kRecord).Number(41).InUse().FileName({.parent = 30, .name = L"a.txt"}).ResidentData(12).Build());
  image.Put(900, ExtensionOf(900, 40).NonResidentData(Extent(5000, 8192)).Build());
  image.Put(901, ExtensionOf(901, 77).NonResidentData(Extent(5000, 8192)).Build());        // no such entry
  image.Put(902, ExtensionOf(902, 30).NonResidentData(Extent(1000000, 1003520)).Build());  // a folder's: no effect
  ScanSlice aggregate = Collect(image);
  EXPECT_EQ(aggregate.overflow_sizes.count(30), 1u);
  const std::vector<std::int64_t> parsed = Ids(aggregate);
  ASSERT_EQ(parsed.size(), 4u);
  const std::size_t names = aggregate.entries.name_units();
  const std::vector<MftEntry> before = Entries(aggregate);
  ApplyOverflowSizes(aggregate);
  EXPECT_EQ(Ids(aggregate), parsed);  // nothing folded away, nothing added
  EXPECT_EQ(aggregate.entries.name_units(), names);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(Entries(aggregate)[i].name, before[i].name);
  EXPECT_TRUE(aggregate.overflow_sizes.empty());
  const EntryCounts counts = Count(aggregate);
  EXPECT_EQ(static_cast<std::size_t>(counts.files + counts.folders + 1), parsed.size());
  EXPECT_EQ(counts.size_sum, 5000 + 12);  // the folder's overflow sizes count for no file
  EXPECT_EQ(counts.alloc_sum, 8192 + 12);
  EXPECT_EQ(counts.files, 2);
  ASSERT_TRUE(FindFolder(aggregate, 30).has_value());
  ASSERT_TRUE(FindFile(aggregate, 5, 40).has_value());
  EXPECT_EQ(FindFile(aggregate, 5, 40)->size, 5000);  // the root's files: big.bin raised
  EXPECT_EQ(FindFile(aggregate, 5, 40)->alloc, 8192);
  ASSERT_TRUE(FindFile(aggregate, 30, 41).has_value());
  EXPECT_EQ(FindFile(aggregate, 30, 41)->size, 12);
  // Applied again with nothing left to apply, nothing changes.
  const std::vector<MftEntry> once = Entries(aggregate);
  ApplyOverflowSizes(aggregate);
  const std::vector<MftEntry> twice = Entries(aggregate);
  ASSERT_EQ(twice.size(), once.size());
  for (std::size_t i = 0; i < once.size(); ++i) {
    EXPECT_EQ(twice[i].size, once[i].size);
    EXPECT_EQ(twice[i].alloc, once[i].alloc);
  }
}

TEST(ApplyOverflowSizes, RaisesEachEntryOfThatIdAndNeverLowers) {
  ScanSlice aggregate;
  aggregate.entries.Add(MftEntry{.id = 40, .parent_id = 5, .name = L"a.bin", .size = 100, .alloc = 9000});
  aggregate.entries.Add(MftEntry{.id = 41, .parent_id = 5, .name = L"b.bin", .size = 7, .alloc = 8});
  aggregate.entries.Add(MftEntry{.id = 40, .parent_id = 30, .name = L"a2.bin", .size = 0, .alloc = 0});
  aggregate.overflow_sizes[40] = OverflowSizes{.size = 5000, .alloc = 4096};
  aggregate.overflow_sizes[77] = OverflowSizes{.size = 1, .alloc = 1};  // no such entry
  ApplyOverflowSizes(aggregate);
  const std::vector<MftEntry> entries = Entries(aggregate);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, L"a.bin");
  EXPECT_EQ(entries[0].size, 5000);   // raised
  EXPECT_EQ(entries[0].alloc, 9000);  // kept: larger than the overflow allocation
  EXPECT_EQ(entries[1].size, 7);      // another id: untouched
  EXPECT_EQ(entries[1].alloc, 8);
  EXPECT_EQ(entries[2].name, L"a2.bin");  // every entry of the id is raised
  EXPECT_EQ(entries[2].size, 5000);
  EXPECT_EQ(entries[2].alloc, 4096);
  EXPECT_TRUE(aggregate.overflow_sizes.empty());
}

}  // namespace
}  // namespace tw
