#include "scan/mft_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "ntfsbuild/record_builder.h"
#include "scan/attribute_walk.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

namespace tw {
namespace {

using build::FileNameSpec;
using build::kDos;
using build::kNameDirectoryFlag;
using build::kPosix;
using build::kWin32;
using build::kWin32AndDos;
using build::Listed;
using build::MftImage;
using build::NonResidentDataSpec;
using build::RecordBuilder;
using Bytes = std::vector<std::uint8_t>;

ByteSpan View(const Bytes& b) { return ByteSpan(b.data(), b.size()); }

// A record as the pass over the MFT sees it: fix-ups applied.
std::optional<MftEntry> Parse(Bytes record, std::int64_t id) {
  ApplyFixups(MutableSpan{record.data(), record.size()});
  MftEntry entry;
  if (!ParseBaseRecord(View(record), id, entry)) return std::nullopt;
  return entry;
}

// For records that must parse: a missing entry fails the test instead of crashing it.
MftEntry Must(const std::optional<MftEntry>& entry) {
  if (!entry) throw std::runtime_error("the record yields no entry");
  return *entry;
}

FileNameSpec Name(std::wstring name, std::uint8_t name_space = kWin32, std::int64_t parent = 5) {
  FileNameSpec spec;
  spec.name = std::move(name);
  spec.name_space = name_space;
  spec.parent = parent;
  return spec;
}

// One line per entry: name, parent, kind and sizes ("none" when there is no entry).
std::wstring Brief(const std::optional<MftEntry>& e) {
  if (!e) return L"none";
  return e->name + L" ^" + std::to_wstring(e->parent_id) + (e->is_directory ? L" dir " : L" file ") +
         std::to_wstring(e->size) + L"/" + std::to_wstring(e->alloc);
}

std::wstring BriefOf(RecordBuilder& b, std::int64_t id = 40) { return Brief(Parse(b.Build(), id)); }

// The entries of a slice, names widened.
std::vector<MftEntry> Entries(const ScanSlice& slice) {
  std::vector<MftEntry> entries;
  for (std::size_t i = 0; i < slice.entries.size(); ++i) entries.push_back(slice.entries.Entry(slice.entries[i]));
  return entries;
}

// Parses whole images the way a scan does: every record, then the records
// that had no name of their own.
std::vector<MftEntry> ParseImage(const MftImage& image) {
  ScanSlice slice;
  ParseRange(View(image.bytes()), static_cast<std::int32_t>(image.record_size()), 0, image.record_count(), slice);
  ResolvePendingRecords(slice);
  return Entries(slice);
}

// ---------------------------------------------------------------- fix-ups

TEST(Fixup, RestoresEverySectorEndOfProtectedRecords) {
  for (const std::size_t size : {std::size_t{1024}, std::size_t{4096}}) {
    // A name long enough to cross the first sector end, so the parse depends on the fix-up.
    RecordBuilder builder(size);
    builder.InUse().ResidentData(300).FileName(Name(std::wstring(120, L'n')));
    Bytes protected_record = builder.Build();
    const Bytes plain = builder.Unprotected().Build();
    const std::size_t sectors = size / 512;
    for (std::size_t i = 0; i < sectors; ++i) EXPECT_EQ(ReadU16(View(protected_record), i * 512 + 510), 1);

    ASSERT_TRUE(ApplyFixups(MutableSpan{protected_record.data(), protected_record.size()}));
    const std::size_t array_end = 48 + 2 * (sectors + 1);
    EXPECT_TRUE(std::equal(protected_record.begin() + static_cast<std::ptrdiff_t>(array_end), protected_record.end(),
                           plain.begin() + static_cast<std::ptrdiff_t>(array_end)))
        << size;
  }
}

TEST(Fixup, MismatchingSectorIsLeftAsItIs) {
  RecordBuilder builder(1024);
  builder.InUse().FileName(Name(L"x")).SequenceNumber(0x1234);
  const Bytes plain = builder.Unprotected().Build();
  Bytes record = builder.Unprotected(false).CorruptSectorEnd(1).Build();
  const std::uint16_t damaged = ReadU16(View(record), 1022);

  EXPECT_TRUE(ApplyFixups(MutableSpan{record.data(), record.size()}));
  EXPECT_EQ(ReadU16(View(record), 510), ReadU16(View(plain), 510));
  EXPECT_EQ(ReadU16(View(record), 1022), damaged);
  EXPECT_NE(damaged, 0x1234);
}

TEST(Fixup, RejectsArraysThatCannotBeThere) {
  const Bytes good = RecordBuilder(1024).InUse().FileName(Name(L"x")).Build();
  struct Case {
    std::uint16_t offset, count;
    bool ok;
  } cases[] = {
      {48, 0, false},   {48, 1, false},    // below 2 words
      {1020, 3, false}, {48, 600, false},  // array past the span
      {1018, 3, true},                     // array ends exactly at the span end
  };
  for (const Case& c : cases) {
    Bytes record = good;
    WriteU16(record.data() + 4, c.offset);
    WriteU16(record.data() + 6, c.count);
    const Bytes before = record;
    EXPECT_EQ(ApplyFixups(MutableSpan{record.data(), record.size()}), c.ok) << c.offset << "/" << c.count;
    if (!c.ok) {
      EXPECT_EQ(record, before);
    }
  }
  Bytes tiny(7, 0);
  EXPECT_FALSE(ApplyFixups(MutableSpan{tiny.data(), tiny.size()}));
  EXPECT_FALSE(ApplyFixups(MutableSpan{}));
}

TEST(Fixup, StopsAtTheFirstSectorPastTheSpan) {
  // Sequence number 0 matches the zero bytes a reader sees past a span's end,
  // so only the stop keeps the fix-up from writing beyond the span.
  RecordBuilder builder(1024);
  builder.InUse().ResidentData(600).SequenceNumber(0);
  const Bytes plain = builder.Unprotected().Build();
  Bytes record = builder.Unprotected(false).Build();
  WriteU16(record.data() + 48 + 4, 0xBEEF);                   // the saved word of the second sector
  ASSERT_TRUE(ApplyFixups(MutableSpan{record.data(), 700}));  // the second sector is cut off
  EXPECT_EQ(ReadU16(View(record), 510), ReadU16(View(plain), 510));
  EXPECT_NE(ReadU16(View(plain), 510), 0);
  EXPECT_EQ(ReadU16(View(record), 1022), 0);  // not reached
}

// ------------------------------------------------------------ attribute walk

std::vector<std::uint32_t> WalkedTypes(const Bytes& record) {
  std::vector<std::uint32_t> types;
  WalkAttributes(View(record), [&](const AttributeView& a) { types.push_back(a.type); });
  return types;
}

TEST(AttributeWalk, ResynchronisesEightBytesAfterAnOverrunningLength) {
  // A bogus 8-byte head claiming 2 GiB, then a real name: the walk steps over the head.
  const Bytes record = RecordBuilder(1024)
                           .InUse()
                           .RawBytes({0x40, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0x7F})
                           .FileName(Name(L"found.txt"))
                           .Unprotected()
                           .Build();
  EXPECT_EQ(WalkedTypes(record), std::vector<std::uint32_t>{0x30});
  EXPECT_EQ(Brief(Parse(record, 40)), L"found.txt ^5 file 0/0");
}

TEST(AttributeWalk, StopsAtZeroOrNegativeLengthAndAtTheEndMarker) {
  for (const std::int32_t length : {0, -8, static_cast<std::int32_t>(0x80000000)}) {
    const Bytes record = RecordBuilder(1024)
                             .InUse()
                             .StandardInformation({})
                             .FileName(Name(L"a"))
                             .WithLength(length)
                             .FileName(Name(L"b"))
                             .Build();
    EXPECT_EQ(WalkedTypes(record), std::vector<std::uint32_t>{0x10}) << length;
  }
  // The end marker ends the walk even when the bytes after it look like a length.
  const Bytes ended = RecordBuilder(1024)
                          .InUse()
                          .StandardInformation({})
                          .RawBytes({0xFF, 0xFF, 0xFF, 0xFF, 8, 0, 0, 0})
                          .FileName(Name(L"b"))
                          .Build();
  EXPECT_EQ(WalkedTypes(ended), std::vector<std::uint32_t>{0x10});
  // Nothing is walked without a header or with a first offset outside the record.
  EXPECT_TRUE(WalkedTypes(Bytes(ended.begin(), ended.begin() + 23)).empty());
  Bytes moved = ended;
  WriteU16(moved.data() + 20, 1024);
  EXPECT_TRUE(WalkedTypes(moved).empty());
  int visits = 0;
  WalkAttributes(View(ended), [&](const AttributeView&) { return ++visits < 1; });
  EXPECT_EQ(visits, 1);  // a visitor returning false ends the walk
}

TEST(AttributeWalk, ListEntriesStopAtShortLengthsEndMarkerAndValueEnd) {
  auto entries_of = [](const Bytes& record) {
    std::vector<std::int64_t> records;
    WalkAttributes(View(record), [&](const AttributeView& a) {
      WalkAttributeListEntries(View(record), a,
                               [&](const ListEntryView& e) { records.push_back(e.RecordNumber(View(record))); });
    });
    return records;
  };
  // A name of 3 units makes a 32-byte entry: the next one starts 8-aligned after it.
  const Bytes normal =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x80, 41, 0, L"abc"), Listed(0x30, 42)}).Build();
  EXPECT_EQ(entries_of(normal), (std::vector<std::int64_t>{41, 42}));

  // An entry length that is not a multiple of 8 is rounded up to find the next entry.
  const Bytes unaligned =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x80, 41, 0, L"abc").WithLength(27), Listed(0x30, 42)}).Build();
  EXPECT_EQ(entries_of(unaligned), (std::vector<std::int64_t>{41, 42}));

  const Bytes short_entry =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 41).WithLength(25), Listed(0x30, 42)}).Build();
  EXPECT_TRUE(entries_of(short_entry).empty());
  const Bytes past_value =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 41), Listed(0x30, 42).WithLength(40)}).Build();
  EXPECT_EQ(entries_of(past_value), std::vector<std::int64_t>{41});
  const Bytes marker =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 41), Listed(0xFFFFFFFF, 42), Listed(0x30, 43)}).Build();
  EXPECT_EQ(entries_of(marker), std::vector<std::int64_t>{41});
  // A value length claiming more than the record holds: entries still end where the list's bytes do.
  const Bytes cut = RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 41)}).WithValueLength(5000).Build();
  EXPECT_EQ(entries_of(cut), std::vector<std::int64_t>{41});
  const Bytes nonresident =
      RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 41)}).WithNonResidentHeader(1).Build();
  EXPECT_TRUE(entries_of(nonresident).empty());
}

// ---------------------------------------------------------------- names

TEST(MftRecordName, RanksWin32AboveWin32AndDosAbovePosixAboveDosAboveOthers) {
  const std::uint8_t order[] = {kWin32, kWin32AndDos, kPosix, kDos, 7};
  for (std::size_t better = 0; better < 5; ++better) {
    for (std::size_t worse = better + 1; worse < 5; ++worse) {
      const FileNameSpec good = Name(L"good", order[better], 11), bad = Name(L"bad", order[worse], 12);
      RecordBuilder first(1024), second(1024);
      first.InUse().FileName(good).FileName(bad);
      second.InUse().FileName(bad).FileName(good);
      EXPECT_EQ(BriefOf(first), L"good ^11 file 0/0") << int(order[better]) << " vs " << int(order[worse]);
      EXPECT_EQ(BriefOf(second), L"good ^11 file 0/0") << int(order[better]) << " vs " << int(order[worse]);
    }
  }
}

TEST(MftRecordName, FirstNameWinsAmongEqualRanksAndAnyNamespaceIsAName) {
  for (const std::uint8_t ns : {kWin32, kDos, std::uint8_t{9}}) {
    RecordBuilder b(1024);
    b.InUse().FileName(Name(L"first", ns, 20)).FileName(Name(L"second", ns, 21));
    EXPECT_EQ(BriefOf(b), L"first ^20 file 0/0");
  }
  RecordBuilder odd(1024);
  odd.InUse().FileName(Name(L"odd", 200));
  EXPECT_EQ(BriefOf(odd), L"odd ^5 file 0/0");
}

TEST(MftRecordName, ChosenNameDecidesParentFolderFlagAndFallbackSizes) {
  FileNameSpec dos = Name(L"LONGNA~1.TXT", kDos, 30);
  dos.flags = kNameDirectoryFlag;
  dos.real_size = 111;
  FileNameSpec win = Name(L"long name.txt", kWin32, 31);
  win.real_size = 222;
  win.allocated_size = 4096;
  RecordBuilder both(1024), dos_only(1024);
  both.InUse().FileName(dos).FileName(win);
  dos_only.InUse().FileName(dos);
  // The folder flag is assigned from the chosen name, not combined over names.
  EXPECT_EQ(BriefOf(both), L"long name.txt ^31 file 222/4096");
  // The name's folder flag alone makes a folder, and folders have no size.
  EXPECT_EQ(BriefOf(dos_only), L"LONGNA~1.TXT ^30 dir 0/0");
}

TEST(MftRecordName, DotNamesCountOnlyForTheRoot) {
  const auto brief = [](std::initializer_list<FileNameSpec> names, std::int64_t id, bool dir) {
    RecordBuilder b(1024);
    b.InUse().Directory(dir);
    for (const FileNameSpec& n : names) b.FileName(n);
    return BriefOf(b, id);
  };
  EXPECT_EQ(brief({Name(L".", kWin32AndDos, 5)}, 5, true), L". ^5 dir 0/0");
  EXPECT_EQ(brief({Name(L"..", kWin32, 3)}, 5, true), L".. ^3 dir 0/0");
  EXPECT_EQ(brief({Name(L"."), Name(L"..")}, 40, false), L"none");
  EXPECT_EQ(brief({Name(L"..", kWin32, 9), Name(L"real", kDos, 8)}, 40, false), L"real ^8 file 0/0");
  EXPECT_EQ(brief({Name(L"...")}, 40, false), L"... ^5 file 0/0");  // only the exact names are special
}

TEST(MftRecordName, NamelessFoldersBecomeDirNumberUnderDotParentOrRoot) {
  const auto brief = [](std::int64_t id, bool dir, std::optional<FileNameSpec> name = std::nullopt) {
    RecordBuilder b(1024);
    b.InUse().Directory(dir).StandardInformation({});
    if (name) b.FileName(*name);
    return BriefOf(b, id);
  };
  EXPECT_EQ(brief(1234, true), L"dir_1234 ^5 dir 0/0");
  EXPECT_EQ(brief(99, true, Name(L".", kWin32, 77)), L"dir_99 ^77 dir 0/0");
  EXPECT_EQ(brief(99, true, Name(L"..", kWin32, 77)), L"dir_99 ^5 dir 0/0");  // ".." gives no parent
  EXPECT_EQ(brief(99, true, Name(L".", kWin32, 0)), L"dir_99 ^5 dir 0/0");
  EXPECT_EQ(brief(99, false, Name(L".", kWin32, 77)), L"none");  // without the directory bit
  EXPECT_EQ(brief(5, true), L". ^0 dir 0/0");                    // a nameless root keeps its recorded parent

  // A nonzero parent already gathered stays; a positive "." parent beats it.
  RecordParseState state, dotted;
  state.parent_id = -3;
  dotted.parent_id = 8;
  dotted.dot_parent_id = 9;
  MftEntry entry;
  ASSERT_TRUE(FinishEntry(50, true, state, entry));
  EXPECT_EQ(entry.parent_id, -3);
  ASSERT_TRUE(FinishEntry(50, true, dotted, entry));
  EXPECT_EQ(entry.parent_id, 9);
  RecordParseState nameless_file;
  EXPECT_FALSE(FinishEntry(50, false, nameless_file, entry));
}

// ---------------------------------------------------------------- sizes

TEST(MftRecordSizes, FinishEntryFallsBackFromDataToNameSizes) {
  struct Case {
    bool has_data;
    std::int64_t data_size, data_alloc, name_size, name_alloc, size, alloc;
  } cases[] = {
      {true, 300, 304, 7, 8, 300, 304},       // data wins
      {true, 0, 4096, 1234, 0, 1234, 4096},   // empty data: name's real size
      {true, 0, 0, 0, 512, 0, 512},           // alloc from the name
      {true, 100, 0, 0, 0, 100, 100},         // alloc falls back to size
      {true, -5, -5, -1, -1, 0, 0},           // nothing positive
      {false, 900, 900, 500, 512, 500, 512},  // data sizes without has_data are ignored
      {false, 0, 0, 500, 0, 500, 500},       {false, 0, 0, -7, 4096, 0, 4096},
  };
  for (const bool folder : {false, true}) {
    for (const Case& c : cases) {
      RecordParseState s;
      s.SetName("f");
      s.has_data = c.has_data;
      s.data_size = c.data_size;
      s.data_alloc = c.data_alloc;
      s.name_size = c.name_size;
      s.name_alloc = c.name_alloc;
      MftEntry e;
      ASSERT_TRUE(FinishEntry(60, folder, s, e));
      EXPECT_EQ(e.size, folder ? 0 : c.size) << c.data_size << "/" << c.name_size;
      EXPECT_EQ(e.alloc, folder ? 0 : c.alloc) << c.data_alloc << "/" << c.name_alloc;
      EXPECT_EQ(e.is_directory, folder);
    }
  }
}

TEST(MftRecordSizes, UnnamedDataGivesTheSizesNamedStreamsNever) {
  FileNameSpec name = Name(L"f", kWin32, 5);
  name.real_size = 1234;
  name.allocated_size = 8192;
  const auto with_data = [&](const NonResidentDataSpec& data, std::int32_t header_length = 0) {
    RecordBuilder b(1024);
    b.InUse().FileName(name).NonResidentData(data);
    if (header_length) b.WithLength(header_length);
    return BriefOf(b);
  };
  NonResidentDataSpec data;
  data.allocated_size = 4096;  // data size 0: the name's real size
  EXPECT_EQ(with_data(data), L"f ^5 file 1234/4096");
  data.data_size = 5000;
  data.allocated_size = 0;  // no allocation: the data size, not the name's allocation
  EXPECT_EQ(with_data(data), L"f ^5 file 5000/5000");
  data.data_size = -50;
  data.allocated_size = -1;
  EXPECT_EQ(with_data(data), L"f ^5 file 1234/8192");
  data.data_size = 5000;
  data.initialized_size = 0;                               // where the walk lands after a cut header: it stops there
  EXPECT_EQ(with_data(data, 56), L"f ^5 file 1234/8192");  // a header under 64 bytes is ignored

  RecordBuilder resident(1024), streams(1024), named_only(1024), nothing(1024);
  resident.InUse().FileName(name).ResidentData(300);
  EXPECT_EQ(BriefOf(resident), L"f ^5 file 300/300");
  // A later unnamed stream replaces the earlier one; named streams never count.
  streams.InUse()
      .FileName(name)
      .ResidentData(50, L"Zone.Identifier")
      .ResidentData(10)
      .ResidentData(20)
      .ResidentData(70, L"x");
  EXPECT_EQ(BriefOf(streams), L"f ^5 file 20/20");
  named_only.InUse().FileName(name).ResidentData(500, L"ads");
  EXPECT_EQ(BriefOf(named_only), L"f ^5 file 1234/8192");
  NonResidentDataSpec negative;
  negative.data_size = -50;
  negative.allocated_size = -1;
  nothing.InUse().FileName(Name(L"g")).NonResidentData(negative);
  EXPECT_EQ(BriefOf(nothing), L"g ^5 file 0/0");

  // Only the extent starting at VCN 0 carries the sizes: a later extent, with
  // the zeros NTFS leaves in its header, replaces nothing.
  NonResidentDataSpec first, later;
  first.data_size = 1925120;
  first.allocated_size = 1929216;
  first.runs = {{16, 4000}};
  later.start_vcn = 16;
  later.runs = {{455, 5000}};
  RecordBuilder extents(1024);
  extents.InUse().FileName(name).NonResidentData(first).NonResidentData(later);
  EXPECT_EQ(BriefOf(extents), L"f ^5 file 1925120/1929216");
}

// A sparse or compressed stream whose header holds the total-allocated field
// (offset 64, before the run list) counts that: the clusters in use, even 0.
// Any other header keeps the allocated length.
TEST(MftRecordSizes, SparseAndCompressedDataCountTheClustersInUse) {
  constexpr std::int64_t kLength = 300 << 20;
  struct Case {
    std::uint16_t flags;
    std::uint8_t unit;
    std::optional<std::int64_t> total;
    std::int64_t alloc;
  } cases[] = {
      {0x8000, 0, 262144, 262144},         // sparse, 256 KiB written
      {0x8000, 4, 0, 0},                   // all hole
      {0x0001, 4, 65536, 65536},           // compressed
      {0x0001, 0, 65536, 65536},           // compression flag alone
      {0x0000, 4, 65536, 65536},           // compression unit alone
      {0x8000, 0, std::nullopt, kLength},  // no field: the run list starts at 64
      {0x0000, 0, 65536, kLength},         // neither sparse nor compressed
      {0x8000, 4, -4096, kLength},         // negative: not a count of clusters
  };
  for (const Case& c : cases) {
    FileNameSpec name = Name(L"f");
    name.allocated_size = 8192;
    NonResidentDataSpec data;
    data.data_size = data.allocated_size = kLength;
    data.runs = {{10000, 0, true}, {64, 0x2200}, {66736, 0, true}};
    data.flags = c.flags;
    data.compression_unit = c.unit;
    data.total_allocated = c.total;
    RecordBuilder b(1024);
    b.InUse().FileName(name).NonResidentData(data);
    EXPECT_EQ(BriefOf(b), L"f ^5 file " + std::to_wstring(kLength) + L"/" + std::to_wstring(c.alloc))
        << c.flags << " " << int{c.unit} << " " << c.total.value_or(-1);
  }
}

TEST(MftRecordSizes, TimestampAndAttributesComeFromTheLastResidentStandardInformation) {
  build::StandardInformationSpec first{0, 111, 0, 222, 0x20}, second{0, 0, 0, 333, 0x06};
  const auto one = Must(Parse(RecordBuilder(1024).InUse().StandardInformation(first).FileName(Name(L"f")).Build(), 40));
  EXPECT_EQ(one.mtime, 222);  // offset 24, not offset 8
  EXPECT_EQ(one.attributes, 0x20u);
  const auto two = Must(Parse(
      RecordBuilder(1024).InUse().StandardInformation(first).FileName(Name(L"f")).StandardInformation(second).Build(),
      40));
  EXPECT_EQ(two.mtime, 333);
  EXPECT_EQ(two.attributes, 0x06u);
  const auto nonresident = Must(Parse(
      RecordBuilder(1024).InUse().StandardInformation(first).WithNonResidentHeader(1).FileName(Name(L"f")).Build(),
      40));
  EXPECT_EQ(nonresident.mtime, 0);
  EXPECT_EQ(nonresident.attributes, 0u);
}

// ---------------------------------------------------------------- record filters

TEST(MftRecordFilter, SkipsFreeExcludedForeignAndExtensionRecords) {
  const auto with = [](auto change) {
    RecordBuilder b(1024);
    b.InUse().FileName(Name(L"f"));
    change(b);
    return b.Build();
  };
  MftImage image;
  image.Put(40, with([](RecordBuilder& b) { b.InUse(false); }));
  image.Put(41, with([](RecordBuilder& b) { b.Excluded(); }));
  image.Put(42, with([](RecordBuilder& b) { b.BaseRecord(12); }));
  image.Put(43, with([](RecordBuilder& b) { b.Signature("BAAD"); }));
  image.Put(44, with([](RecordBuilder& b) { b.FirstAttributeOffset(1024); }));
  image.Put(45, with([](RecordBuilder& b) { b.BaseRecord(45); }));  // its own number: a base record
  image.Put(46, with([](RecordBuilder& b) { b.Directory().Excluded().InUse(); }));
  const std::vector<MftEntry> entries = ParseImage(image);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].id, 45);

  Bytes fixed = image.bytes();
  MftEntry entry;
  for (std::int64_t r = 40; r <= 46; ++r) {
    const std::size_t at = static_cast<std::size_t>(r) * 1024;
    ApplyFixups(MutableSpan{fixed.data() + at, 1024});
    const ByteSpan record = View(fixed).Sub(at, 1024);
    EXPECT_EQ(ParseBaseRecord(record, r, entry), r == 45) << r;
  }
  // The header's directory bit makes a folder whatever its name says.
  RecordBuilder folder(1024);
  folder.InUse().Directory().FileName(Name(L"docs")).ResidentData(50);
  EXPECT_EQ(BriefOf(folder), L"docs ^5 dir 0/0");
}

TEST(MftRecordFilter, RecordZeroIsNeverAFolder) {
  // A folder numbered 0 would stand for the root in the result and hang
  // under it as its own child (found by fuzzing the whole-volume scan).
  RecordBuilder by_header(1024);
  by_header.InUse().Directory().FileName(Name(L"$MFT"));
  EXPECT_EQ(BriefOf(by_header, 0), L"none");
  RecordBuilder by_name(1024);
  by_name.InUse().FileName({.parent = 5, .name = L"$MFT", .flags = kNameDirectoryFlag});
  EXPECT_EQ(BriefOf(by_name, 0), L"none");
  RecordBuilder nameless(1024);
  nameless.InUse().Directory();
  EXPECT_EQ(BriefOf(nameless, 0), L"none");
  RecordBuilder file(1024);
  file.InUse().FileName(Name(L"$MFT")).ResidentData(10);
  EXPECT_EQ(BriefOf(file, 0), L"$MFT ^5 file 10/10");
  // The same folder anywhere else is one.
  EXPECT_EQ(BriefOf(by_header, 40), L"$MFT ^5 dir 0/0");
}

// ---------------------------------------------------------------- attribute lists

TEST(MftRecordList, CollectsListedRecordsOnceInFirstSeenOrder) {
  const Bytes record =
      RecordBuilder(1024)
          .InUse()
          .AttributeList({Listed(0x10, 40),                                         // the record itself
                          Listed(0x30, 52), Listed(0x80, 51), Listed(0x80, 53, 8),  // a later extent: not taken
                          Listed(0x30, 52),                                         // seen already
                          Listed(0xE0, 0),                                          // no record
                          Listed(0x80, 54, 0, L"s")})                               // any type, any name
          .Build();
  EXPECT_EQ(CollectListedRecords(View(record), 40), (std::vector<std::int64_t>{52, 51, 54}));
  EXPECT_TRUE(CollectListedRecords(View(Bytes(record.begin(), record.begin() + 20)), 40).empty());
}

TEST(MftRecordList, FileWithoutOwnNameTakesItFromAListedRecord) {
  FileNameSpec name = Name(L"moved.dat", kWin32, 77);
  name.real_size = 4000;
  name.allocated_size = 4096;
  MftImage image(1024);
  build::StandardInformationSpec si;
  si.read = 555;
  image.Put(40, RecordBuilder(1024)
                    .Number(40)
                    .InUse()
                    .StandardInformation(si)
                    .AttributeList({Listed(0x10, 40), Listed(0x30, 900), Listed(0x30, 41), Listed(0x30, 42)})
                    .Build());
  image.Put(
      41,
      RecordBuilder(1024).Number(41).InUse().BaseRecord(40).FileName(Name(L"M~1", kDos, 66)).FileName(name).Build());
  image.Put(42, RecordBuilder(1024).Number(42).BaseRecord(40).FileName(Name(L"stale")).Build());  // not in use
  const Bytes before = image.bytes();

  const std::vector<MftEntry> entries = ParseImage(image);
  EXPECT_EQ(image.bytes(), before);  // the image is never written
  ASSERT_EQ(entries.size(), 1u);     // 41 is an extension record, 900 lies past the image
  EXPECT_EQ(entries[0].id, 40);
  EXPECT_EQ(Brief(entries[0]), L"moved.dat ^77 file 4000/4096");
  EXPECT_EQ(entries[0].mtime, 555);  // the base record's own attributes still count

  // A record with a name of its own does not look at its list, even for a better name.
  image.Put(
      40,
      RecordBuilder(1024).InUse().FileName(Name(L"MOVED~1.DAT", kDos, 66)).AttributeList({Listed(0x30, 41)}).Build());
  const std::vector<MftEntry> own = ParseImage(image);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(Brief(own[0]), L"MOVED~1.DAT ^66 file 0/0");

  // Without a usable listed record the file yields nothing.
  MftImage lonely(1024);
  lonely.Put(40, RecordBuilder(1024).InUse().AttributeList({Listed(0x30, 42), Listed(0x30, 7000)}).Build());
  lonely.Put(42, RecordBuilder(1024).BaseRecord(40).FileName(Name(L"stale")).Build());
  EXPECT_TRUE(ParseImage(lonely).empty());
}

TEST(MftRecordList, AnExtensionRecordPassesOnOnlyItsWofTagAndStream) {
  Bytes tag(24, 0);
  tag[0] = 0x17;  // 0x80000017, the WOF tag
  tag[3] = 0x80;
  const auto extension = [&](const std::wstring& stream) {
    Bytes record = RecordBuilder(1024)
                       .Number(41)
                       .InUse()
                       .BaseRecord(40)
                       .FileName(Name(L"packed.dll", kWin32, 77))
                       .ResidentData(100)
                       .ResidentAttribute(0xC0, tag)
                       .ResidentData(600, stream)
                       .Build();
    ApplyFixups(MutableSpan{record.data(), record.size()});
    ScanSlice slice;
    ParseRecord(View(record), 41, slice);
    return slice;
  };

  const ScanSlice wof = extension(L"WofCompressedData");
  ASSERT_EQ(wof.overflow_sizes.count(40), 1u);
  const OverflowSizes& sizes = wof.overflow_sizes.at(40);
  EXPECT_TRUE(sizes.wof_tagged);
  EXPECT_EQ(sizes.wof_alloc, 600);    // a resident stream: its value length
  EXPECT_EQ(sizes.size, 100);         // the unnamed stream's bytes, not the named one's
  EXPECT_EQ(wof.entries.size(), 0u);  // its name stays with the record for the base to find
  ASSERT_EQ(wof.extension_records.size(), 1u);

  // Another named stream is not the compressed one: only the tag passes on.
  const ScanSlice other = extension(L"Zone.Identifier");
  ASSERT_EQ(other.overflow_sizes.count(40), 1u);
  EXPECT_TRUE(other.overflow_sizes.at(40).wof_tagged);
  EXPECT_EQ(other.overflow_sizes.at(40).wof_alloc, -1);
}

// ---------------------------------------------------------------- ranges and damage

TEST(MftRecordRange, ParsesEveryWholeRecordInOrderAndAppends) {
  MftImage image(1024);
  image.Put(5, RecordBuilder(1024).InUse().Directory().FileName(Name(L".", kWin32AndDos, 5)).Build());
  image.Put(7, RecordBuilder(1024).InUse().FileName(Name(std::wstring(200, L'z'))).Build());  // crosses the sector end
  image.Put(9, RecordBuilder(1024).InUse().Directory().Build());
  Bytes bytes = image.bytes();
  bytes.resize(bytes.size() + 1000, 0xEE);  // a cut-off tail record is never read
  const Bytes before = bytes;

  ScanSlice slice;
  slice.entries.Add(MftEntry{});
  ParseRange(View(bytes), 1024, 0, 50, slice);
  EXPECT_EQ(bytes, before);  // read-only bytes: the fix-ups go to a copy of each record
  ScanSlice in_place;
  in_place.entries.Add(MftEntry{});
  ParseWindow(MutableSpan{bytes.data(), 10 * 1024}, 0, 1024, in_place);
  ResolvePendingRecords(in_place);
  ResolvePendingRecords(slice);  // the nameless folder 9 comes last
  ASSERT_EQ(slice.entries.size(), 4u);
  EXPECT_EQ(Brief(Entries(slice)[1]), L". ^5 dir 0/0");
  EXPECT_EQ(Brief(Entries(slice)[2]), std::wstring(200, L'z') + L" ^5 file 0/0");
  EXPECT_EQ(Brief(Entries(slice)[3]), L"dir_9 ^5 dir 0/0");
  EXPECT_EQ(Entries(slice)[3].id, 9);
  ASSERT_EQ(in_place.entries.size(), 4u);
  for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(Brief(Entries(in_place)[k]), Brief(Entries(slice)[k]));

  ScanSlice part;
  ParseRange(View(bytes), 1024, 6, 9, part);
  ASSERT_EQ(part.entries.size(), 1u);
  EXPECT_EQ(Entries(part)[0].id, 7);
  ScanSlice none;
  ParseRange(View(bytes), 0, 0, 10, none);
  ParseRange(ByteSpan(), 1024, 0, 10, none);
  EXPECT_TRUE(none.entries.empty());
}

TEST(MftRecordRange, RecordsWithoutANameWaitForTheWholeMft) {
  MftImage image(1024);
  const auto nameless = [] { return RecordBuilder(1024).InUse().StandardInformation({}); };
  // Its attribute list lies outside the record: nothing to follow.
  image.Put(40, nameless().AttributeList({Listed(0x30, 45)}).WithNonResidentHeader(1).Build());
  image.Put(41, nameless().Build());
  image.Put(42, nameless().Directory().Build());     // a folder: dir_42
  image.Put(43, nameless().InUse(false).Build());    // free
  image.Put(44, nameless().Excluded().Build());      // flag bit 2 without a base: nothing
  image.Put(45, nameless().BaseRecord(40).Build());  // an extension record
  image.Put(46, nameless().FileName(Name(L"named")).Build());
  // Its list leads to a base record, not an extension record: no name from there.
  image.Put(47, nameless().AttributeList({Listed(0x30, 46)}).Build());
  ScanSlice slice;
  ParseRange(View(image.bytes()), 1024, 0, image.record_count(), slice);
  const auto ids = [](const auto& list) {
    std::vector<std::int64_t> out;
    for (const auto& item : list) out.push_back(item.id);
    return out;
  };
  EXPECT_EQ(ids(Entries(slice)), (std::vector<std::int64_t>{46}));
  EXPECT_EQ(ids(slice.pending), (std::vector<std::int64_t>{40, 41, 42, 47}));
  EXPECT_EQ(ids(slice.extension_records), (std::vector<std::int64_t>{45}));
  EXPECT_EQ(slice.extension_records[0].base, 40);
  ResolvePendingRecords(slice);
  EXPECT_EQ(ids(Entries(slice)), (std::vector<std::int64_t>{46, 42}));
  EXPECT_TRUE(slice.pending.empty());
  EXPECT_TRUE(slice.extension_records.empty());
}

Bytes RichRecord(std::size_t size);

// A compact record parses as the record it was made from: names, time,
// attribute bits and the first extent's sizes, whatever else the record held.
TEST(MftRecordRange, ACompactRecordParsesAsItsRecord) {
  for (const std::size_t size : {std::size_t{1024}, std::size_t{4096}}) {
    Bytes full = RichRecord(size);
    ApplyFixups(MutableSpan{full.data(), full.size()});
    const std::vector<std::uint8_t> compact = CompactRecord(View(full));
    EXPECT_LT(compact.size(), ReadU32(View(full), 24));  // less than the record's bytes in use
    RecordParseState a, b;
    ParseRecordAttributes(View(full), 40, false, a);
    ParseRecordAttributes(ByteSpan(compact.data(), compact.size()), 40, false, b);
    EXPECT_EQ(a.NameText(), b.NameText());
    EXPECT_EQ(a.parent_id, b.parent_id);
    EXPECT_EQ(a.data_size, b.data_size);
    EXPECT_EQ(a.data_alloc, b.data_alloc);
    EXPECT_EQ(a.name_size, b.name_size);
    EXPECT_EQ(a.mtime, b.mtime);
    EXPECT_EQ(a.attributes, b.attributes);
    std::int64_t full_size = 0, full_alloc = 0, compact_size = 0, compact_alloc = 0;
    EXPECT_EQ(SumUnnamedData(View(full), full_size, full_alloc),
              SumUnnamedData(ByteSpan(compact.data(), compact.size()), compact_size, compact_alloc));
    EXPECT_EQ(full_size, compact_size);
    EXPECT_EQ(full_alloc, compact_alloc);
  }
  EXPECT_TRUE(CompactRecord(ByteSpan()).empty());
}

TEST(MftRecordList, FolderWithoutOwnNameTakesItFromAListedRecord) {
  build::StandardInformationSpec si;
  si.read = 4242;
  si.attributes = 0x10;
  const auto folder = [&](std::uint32_t id) {
    return RecordBuilder(1024).Number(id).InUse().Directory().StandardInformation(si);
  };
  FileNameSpec big = Name(L"100k files", kWin32, 30);
  big.flags = kNameDirectoryFlag;
  MftImage image(1024);
  image.Put(40, folder(40).AttributeList({Listed(0x10, 40), Listed(0x30, 41), Listed(0x90, 40)}).Build());
  image.Put(41, RecordBuilder(1024)
                    .Number(41)
                    .InUse()
                    .BaseRecord(40)
                    .FileName(Name(L"100KFI~1", kDos, 30))
                    .FileName(big)
                    .Build());
  // Listed records without a name: the fallback stays, "." still gives the parent.
  image.Put(50,
            folder(50).FileName(Name(L".", kWin32, 77)).AttributeList({Listed(0x30, 51), Listed(0x30, 9000)}).Build());
  image.Put(51, RecordBuilder(1024).Number(51).BaseRecord(50).FileName(Name(L"free")).Build());  // not in use
  image.Put(52, folder(52).Build());
  // The root keeps "." even when its list names a record with another name.
  image.Put(5, RecordBuilder(1024).Number(5).InUse().Directory().AttributeList({Listed(0x30, 41)}).Build());

  ScanSlice slice;
  ParseRange(View(image.bytes()), 1024, 0, image.record_count(), slice);
  ResolvePendingRecords(slice);
  ASSERT_EQ(slice.entries.size(), 4u);
  EXPECT_EQ(Entries(slice)[0].id, 5);
  EXPECT_EQ(Brief(Entries(slice)[0]), L". ^0 dir 0/0");
  EXPECT_EQ(Entries(slice)[1].id, 40);
  EXPECT_EQ(Brief(Entries(slice)[1]), L"100k files ^30 dir 0/0");
  EXPECT_EQ(Entries(slice)[1].mtime, 4242);  // the base record's own attributes still count
  EXPECT_EQ(Entries(slice)[1].attributes, 0x10u);
  EXPECT_EQ(Brief(Entries(slice)[2]), L"dir_50 ^77 dir 0/0");
  EXPECT_EQ(Brief(Entries(slice)[3]), L"dir_52 ^5 dir 0/0");
}

Bytes RichRecord(std::size_t size) {
  FileNameSpec name = Name(L"report.final.pdf", kWin32, 70);
  name.real_size = 10;
  NonResidentDataSpec data;
  data.data_size = 123456;
  data.allocated_size = 126976;
  data.runs = {{31, 1000}, {2, 0, true}};
  return RecordBuilder(size)
      .InUse()
      .StandardInformation({1, 2, 3, 4, 0x20})
      .AttributeList({Listed(0x30, 41), Listed(0x80, 42)})
      .FileName(Name(L"REPORT~1.PDF", kDos, 70))
      .FileName(name)
      .NonResidentData(data)
      .ResidentData(40, L"ads")
      .Build();
}

TEST(MftRecordMalformed, TruncatedSpansNeverReadPastTheirEnd) {
  const Bytes full = RichRecord(1024);
  const std::size_t used = ReadU32(View(full), 24);
  const auto whole = Parse(full, 40);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size, 123456);
  for (std::size_t n = 0; n <= full.size(); ++n) {
    // Each prefix in its own allocation, so a sanitizer sees any overread.
    std::unique_ptr<std::uint8_t[]> cut(new std::uint8_t[n == 0 ? 1 : n]);
    std::memcpy(cut.get(), full.data(), n);
    const MutableSpan span{cut.get(), n};
    ApplyFixups(span);
    MftEntry entry;
    const bool ok = ParseBaseRecord(span.View(), 40, entry);
    CollectListedRecords(span.View(), 40);
    CompactRecord(span.View());
    ScanSlice slice;
    ParseRecord(span.View(), 40, slice);
    if (n < 24) {
      EXPECT_FALSE(ok);
    }
    if (n >= used) {
      ASSERT_TRUE(ok) << n;
      EXPECT_EQ(entry.name, whole->name);
      EXPECT_EQ(entry.size, whole->size);
    }
  }
}

TEST(MftRecordNames, TheLongestNameAndALaterWorseOneLeaveTheBestWhole) {
  // A parse keeps its chosen name in a buffer of the longest a $FILE_NAME
  // holds: 255 units, one beyond the BMP (a surrogate pair) at the end.
  std::wstring longest(253, L'z');
  longest += L"\xD83D\xDE00";
  Bytes record = RecordBuilder(1024)
                     .InUse()
                     .FileName(Name(longest, kWin32, 77))
                     .FileName(Name(L"ZZZZZZ~1", kDos, 77))
                     .ResidentData(9)
                     .Build();
  ApplyFixups(MutableSpan{record.data(), record.size()});
  ScanSlice slice;
  ParseRecord(View(record), 41, slice);
  ASSERT_EQ(slice.entries.size(), 1u);
  const std::u16string_view name = slice.entries.Name(slice.entries[0]);
  ASSERT_EQ(name.size(), 255u);
  EXPECT_EQ(name.substr(0, 253), std::u16string(253, u'z'));
  EXPECT_EQ(name[253], 0xD83D);
  EXPECT_EQ(name[254], 0xDE00);
  EXPECT_EQ(slice.entries.Entry(slice.entries[0]).parent_id, 77);
}

TEST(MftRecordMalformed, BadNamesAndLengthsAreSkippedNotTrusted) {
  // A name length running past a 512-byte record drops that name only.
  EXPECT_EQ(
      Brief(Parse(
          RecordBuilder(512).InUse().FileName(Name(L"ok", kDos)).FileName(Name(L"long")).WithNameLength(255).Build(),
          40)),
      L"ok ^5 file 0/0");
  // A zero name length is no name.
  EXPECT_FALSE(Parse(RecordBuilder(1024).InUse().FileName(Name(L"a")).WithNameLength(0).Build(), 40));
  // A $FILE_NAME shorter than its fixed part, or with a value offset past the record, is ignored.
  EXPECT_FALSE(Parse(RecordBuilder(1024).InUse().FileName(Name(L"a")).WithLength(64).Build(), 40));
  EXPECT_FALSE(Parse(RecordBuilder(1024).InUse().FileName(Name(L"a")).WithValueOffset(0xFFF0).Build(), 40));
}

TEST(MftRecordMalformed, ScrambledRecordsStaySane) {
  // Deterministic byte damage over a rich record; whatever comes out keeps the invariants.
  const Bytes base = RichRecord(1024);
  std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
  auto next = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return seed >> 33;
  };
  int parsed = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes record = base;
    const int flips = 1 + static_cast<int>(next() % 8);
    for (int i = 0; i < flips; ++i) record[next() % record.size()] = static_cast<std::uint8_t>(next());
    MftImage image(1024);
    image.Put(0, record);
    image.Put(41, record);
    for (const MftEntry& e : ParseImage(image)) {
      ++parsed;
      EXPECT_GE(e.size, 0);
      EXPECT_GE(e.alloc, 0);
      EXPECT_FALSE(e.name.empty());
      if (e.is_directory) {
        EXPECT_EQ(e.size + e.alloc, 0);
      }
    }
  }
  EXPECT_GT(parsed, 0);
}

}  // namespace
}  // namespace tw
