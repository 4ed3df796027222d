// Saved scans are checked before they are trusted: the header and the
// section table come in a few bytes at a time and must end where the file
// does, a section may not declare more bytes than its counts allow, the
// packed bytes are read in bounded pieces, and numbers a scan never yields
// (negative ones, counts beyond 32 bits) are damage.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "store/snapshot.h"
#include "store/snapshot_inflate.h"
#include "support/scan_result_builder.h"
#include "support/snapshot_craft.h"

namespace tw {
namespace {

using test::CraftedSection;

std::vector<std::uint8_t> SmallSnapshot() {
  test::ScanResultBuilder b(L"Q");
  b.AddFolder(30, kRootId, L"Users");
  b.AddFile(30, 100, L"notes.txt", 700);
  b.AddFile(30, 101, L"photo.jpg", 250'000);
  b.AddFile(kRootId, 102, L"readme", 12);
  ScanResult& r = b.Finish();
  r.unreadable_records = 2;
  r.unreadable_ranges = {{4096, 2048}};
  return EncodeSnapshot(r);
}

// Every read the decoder makes (from two threads) of a file served from
// `bytes`, and zeros past their end, as from a sparse file.
struct ReadLog {
  struct Read {
    std::uint64_t offset;
    std::size_t length;
  };
  std::vector<Read> reads;
  std::uint64_t total = 0;
  std::mutex lock;

  SnapshotReadFunction Over(const std::vector<std::uint8_t>& bytes) {
    return [this, &bytes](std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
      const std::lock_guard<std::mutex> hold(lock);
      reads.push_back({offset, length});
      total += length;
      std::memset(destination, 0, length);
      if (offset < bytes.size()) {
        std::memcpy(destination, bytes.data() + offset, std::min<std::uint64_t>(length, bytes.size() - offset));
      }
      return true;
    };
  }
};

SnapshotError Refusal(const std::vector<std::uint8_t>& bytes) {
  ScanResult back;
  SnapshotError error;
  EXPECT_FALSE(DecodeSnapshot(bytes, back, error));
  EXPECT_TRUE(back.folders.empty() && back.files.empty());
  return error;
}

TEST(SnapshotBounds, TheSectionTableIsReadInFewBytesBeforeAnySection) {
  const std::vector<std::uint8_t> bytes = SmallSnapshot();
  ReadLog log;
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(DecodeSnapshot(log.Over(bytes), bytes.size(), back, error)) << error.detail;
  ASSERT_GE(log.reads.size(), 8u);
  EXPECT_EQ(log.reads[0].offset, 0u);
  EXPECT_EQ(log.reads[0].length, 16u);  // magic, version, section count
  for (std::size_t k = 1; k <= 7; ++k) EXPECT_EQ(log.reads[k].length, 24u) << "section header " << k;
  EXPECT_EQ(log.total, bytes.size());  // then each packed byte once
  for (const ReadLog::Read& read : log.reads) EXPECT_LE(read.length, snapshot::kPieceSize);
}

TEST(SnapshotBounds, AHugeFileWithTheMagicFailsAfterABoundedRead) {
  constexpr std::uint64_t kHuge = std::uint64_t{3} << 30;
  ScanResult back;
  SnapshotError error;
  {
    // The magic, then zeros: a sparse file of 3 GiB.
    const std::vector<std::uint8_t> magic = {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n'};
    ReadLog log;
    EXPECT_FALSE(DecodeSnapshot(log.Over(magic), kHuge, back, error));
    EXPECT_EQ(error.detail, "the header is damaged");
    EXPECT_LE(log.total, 16u);
  }
  {
    // A whole snapshot, then zeros to 3 GiB: its table ends before the file.
    const std::vector<std::uint8_t> bytes = SmallSnapshot();
    ReadLog log;
    EXPECT_FALSE(DecodeSnapshot(log.Over(bytes), kHuge, back, error));
    EXPECT_EQ(error.detail, "bytes follow the last section");
    EXPECT_EQ(log.total, 16u + 7 * 24u);
  }
  {
    // The last section claims the rest of the 3 GiB: read no further than
    // its first piece, where its zlib stream ends before the bytes do.
    const std::vector<CraftedSection> sections = test::SplitSnapshot(SmallSnapshot());
    std::vector<std::uint8_t> bytes = test::JoinSnapshot(sections);
    const std::size_t last = bytes.size() - sections.back().packed.size() - 24;
    const std::uint64_t packed = kHuge - (last + 24);
    for (int i = 0; i < 8; ++i)
      bytes[last + 12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(packed >> (8 * i));
    ReadLog log;
    EXPECT_FALSE(DecodeSnapshot(log.Over(bytes), kHuge, back, error));
    EXPECT_EQ(error.detail, "the largest files do not match their checksum");
    EXPECT_LE(log.total, bytes.size() + snapshot::kPieceSize);
  }
}

TEST(SnapshotBounds, ASectionMayNotDeclareMoreThanItsCountsAllow) {
  // Each section's first count bounds it: a file at most 9 numbers of ten
  // bytes, a name unit exactly two bytes, a range of the header two numbers.
  struct Case {
    std::size_t section;
    std::uint64_t most;  // for SmallSnapshot's counts
    const char* name;
  } cases[] = {{3, 10 + 3 * 90, "files"}, {4, 0, "names"}, {1, 10 + 2 * 180, "folders"}};
  for (const Case& c : cases) {
    std::vector<CraftedSection> sections = test::SplitSnapshot(SmallSnapshot());
    ASSERT_EQ(sections.size(), 7u);
    std::uint64_t most = c.most;
    if (c.section == 4) most = 10 + 2 * std::uint64_t{sections[4].raw[0]};  // name units, below 128
    sections[c.section].raw_size = most;  // as much as the counts allow: inflated, then the checksum
    EXPECT_EQ(Refusal(test::JoinSnapshot(sections)).detail,
              std::string("the ") + c.name + " do not match their checksum");
    sections[c.section].raw_size = most + 1;  // more: refused from its counts
    EXPECT_EQ(Refusal(test::JoinSnapshot(sections)).detail,
              std::string("the ") + c.name + " section's header is damaged");
  }
  // The header's count of unreadable ranges bounds it the same way.
  std::vector<CraftedSection> sections = test::SplitSnapshot(SmallSnapshot());
  sections[0].raw_size = sections[0].raw.size() + 2 * 10;  // after its one range: room for one more
  EXPECT_EQ(Refusal(test::JoinSnapshot(sections)).detail, "the header section's header is damaged");
}

TEST(SnapshotBounds, MemoryFollowsTheBytesAFileHoldsNotTheSizeItDeclares) {
  // A files section whose count says 100 million files, with a megabyte of
  // random bytes behind it, declaring 1,100 times its packed size: within
  // what the count allows, so only the data that really arrives decides.
  std::vector<CraftedSection> sections = test::SplitSnapshot(SmallSnapshot());
  CraftedSection& files = sections[test::kFileSection];
  files.raw.clear();
  test::PutVarint(files.raw, 100'000'000);
  std::mt19937 random(7);
  for (int i = 0; i < (1 << 20); ++i) files.raw.push_back(static_cast<std::uint8_t>(random()));
  test::Repack(files);
  files.raw_size = 1100 * files.packed.size();
  const std::vector<std::uint8_t> bytes = test::JoinSnapshot(sections);
  ASSERT_LT(bytes.size(), 1'100'000u);

  snapshot::Bytes raw;
  snapshot::PackedSection packed;
  packed.packed_size = files.packed.size();
  packed.raw_size = files.raw_size;
  packed.crc = files.crc;
  const auto read = [&files](std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
    std::memcpy(destination, files.packed.data() + offset, length);
    return true;
  };
  EXPECT_EQ(snapshot::InflateSection(read, packed, nullptr, raw), snapshot::Inflated::kMismatch);
  // The buffer never grew past twice what was inflated.
  EXPECT_LE(raw.capacity(), 2 * files.raw.size() + snapshot::kFirstOutput);
  EXPECT_EQ(Refusal(bytes).detail, "the files do not match their checksum");
}

TEST(SnapshotBounds, CountsBeyondThirtyTwoBitsAreDamage) {
  // The header section written by hand: drive "Q", the time, serial and
  // duration, the root, then a file count of 2^32 + 3 (which 32 bits would
  // have taken for 3).
  std::vector<CraftedSection> sections = test::SplitSnapshot(SmallSnapshot());
  std::vector<std::uint8_t>& meta = sections[0].raw;
  meta.clear();
  for (const std::uint64_t v : {std::uint64_t{1}, std::uint64_t{'Q'}, std::uint64_t{0}}) test::PutVarint(meta, v);
  meta.insert(meta.end(), 16, 0);                             // serial, duration
  test::PutVarint(meta, 10);                                  // root id 5, zigzag
  test::PutVarint(meta, 2 * ((std::uint64_t{1} << 32) + 3));  // file count
  for (int i = 0; i < 4; ++i) test::PutVarint(meta, 0);       // folders, total, unreadable, ranges
  test::Repack(sections[0]);
  EXPECT_EQ(Refusal(test::JoinSnapshot(sections)).detail, "the header cannot be read");
}

// The crafted files of the fuzz corpus, each refused for what it was made for.
TEST(SnapshotBounds, CraftedCorpusFilesAreRefused) {
  const std::string corpus = std::string(TARNWICK_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_snapshot/";
  const std::pair<const char*, const char*> cases[] = {
      {"crafted-negative-size", "a file's size is negative"},
      {"crafted-negative-folder-total", "a folder's size or count is negative"},
      {"crafted-raw-size-beyond-counts", "the files section's header is damaged"},
      {"crafted-raw-size-beyond-data", "the files do not match their checksum"},
      {"crafted-magic-then-zeros", "the header is damaged"},
  };
  for (const auto& [name, detail] : cases) {
    std::ifstream in(corpus + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(Refusal(bytes).detail, detail) << name;
  }
}

}  // namespace
}  // namespace tw
