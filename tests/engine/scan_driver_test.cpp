#include "engine/scan_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/small_records.h"
#include "ntfsbuild/record_builder.h"
#include "scan/memory_volume.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/volume_bytes.h"

namespace tw {
namespace {

using namespace build;

constexpr std::size_t kRecord = 1024;
constexpr std::int64_t kCluster = 4096;
constexpr std::int64_t kMftLcn = 4;

// A whole NTFS volume in memory: a boot sector (512-byte sectors, 4 KiB
// clusters, 1 KiB records), the MFT at cluster 4 and record 0 whose run list
// covers it. mft_length is the MFT's valid data length (default: the image).
std::vector<std::uint8_t> BuildVolume(MftImage mft, std::int64_t mft_length = -1) {
  if (mft_length < 0) mft_length = static_cast<std::int64_t>(mft.bytes().size());
  const std::int64_t clusters = std::max<std::int64_t>((mft_length + kCluster - 1) / kCluster, 1);
  NonResidentDataSpec data;
  data.data_size = mft_length;
  data.initialized_size = mft_length;
  data.allocated_size = clusters * kCluster;
  data.runs = {{clusters, kMftLcn}};
  mft.Put(
      0,
      RecordBuilder(kRecord).Number(0).InUse().FileName({.parent = 5, .name = L"$MFT"}).NonResidentData(data).Build());
  mft.Reserve((clusters * kCluster) / static_cast<std::int64_t>(kRecord));

  std::vector<std::uint8_t> volume(static_cast<std::size_t>((kMftLcn + clusters + 2) * kCluster), 0);
  const std::vector<std::uint8_t> boot =
      test::BootSector({.total_sectors = static_cast<std::int64_t>(volume.size() / 512), .mft_lcn = kMftLcn});
  std::memcpy(volume.data(), boot.data(), boot.size());
  std::memcpy(volume.data() + kMftLcn * kCluster, mft.bytes().data(),
              std::min(mft.bytes().size(), volume.size() - static_cast<std::size_t>(kMftLcn * kCluster)));
  return volume;
}

RecordBuilder Folder(std::uint32_t id, std::int64_t parent, const std::wstring& name) {
  return test::FolderRecord(id, parent, name);
}

RecordBuilder File(std::uint32_t id, std::int64_t parent, const std::wstring& name, std::uint32_t bytes) {
  return test::FileRecord(id, parent, name, bytes);
}

// Root, two folders and a few files; record numbers below 64.
MftImage SmallMft() {
  MftImage mft(kRecord);
  mft.Put(5, Folder(5, 5, L".").Build());
  mft.Put(30, Folder(30, 5, L"docs").Build());
  mft.Put(31, Folder(31, 30, L"old").Build());
  mft.Put(40, File(40, 5, L"a.txt", 100).Build());
  mft.Put(41, File(41, 30, L"b.txt", 200).Build());
  mft.Put(42, File(42, 31, L"c.bin", 300).Build());
  mft.Reserve(64);
  return mft;
}

struct Recorder {
  std::mutex lock;
  std::vector<ScanProgress> reports;
  ProgressCallback Callback() {
    return [this](const ScanProgress& p) {
      std::lock_guard<std::mutex> guard(lock);
      reports.push_back(p);
    };
  }
};

// A report of the small MFT (64 records of 1 KiB) scanned with `threads`.
ScanProgress Figures(ScanStage stage, std::int32_t threads, std::int64_t done = 0) {
  return ScanProgress{stage, done, 64, 64 * kRecord, threads};
}

ScanOptions Threads(std::int32_t threads) {
  ScanOptions options;
  options.threads = threads;
  return options;
}

ScanError ErrorOf(std::unique_ptr<RawVolume> volume, Recorder& recorder) {
  try {
    ScanOpenedVolume(std::move(volume), L"C", recorder.Callback(), Threads(2));
  } catch (const ScanFailure& e) {
    return e.error();
  }
  return ScanError::kNone;
}

// A memory volume that tells whether it was closed.
class WatchedVolume : public MemoryVolume {
 public:
  WatchedVolume(std::vector<std::uint8_t> bytes, std::shared_ptr<bool> closed)
      : MemoryVolume(std::move(bytes)), closed_(std::move(closed)) {}
  void Close() override {
    *closed_ = true;
    MemoryVolume::Close();
  }

 private:
  std::shared_ptr<bool> closed_;
};

// ---------------------------------------------------------------------------

TEST(ScanDriver, ReportsEveryStageInOrder) {
  Recorder recorder;
  auto closed = std::make_shared<bool>(false);
  bool open_while_parsing = false;
  bool closed_before_tree = false;
  const ProgressCallback record = recorder.Callback();
  const ProgressCallback progress = [&](const ScanProgress& p) {
    if (p.stage == ScanStage::kParsing) open_while_parsing = !*closed;
    if (p.stage == ScanStage::kOverflow) closed_before_tree = *closed;
    record(p);
  };
  const ScanResult result =
      ScanOpenedVolume(std::make_unique<WatchedVolume>(BuildVolume(SmallMft()), closed), L"C", progress, Threads(3));
  EXPECT_TRUE(open_while_parsing);  // read window by window while the parse runs
  EXPECT_TRUE(closed_before_tree);  // and closed once the whole MFT has been read
  EXPECT_EQ(recorder.reports, (std::vector<ScanProgress>{{ScanStage::kOpening},
                                                         {ScanStage::kReadingMft},
                                                         Figures(ScanStage::kParseStart, 3),
                                                         Figures(ScanStage::kParsing, 3, 64),
                                                         Figures(ScanStage::kOverflow, 3),
                                                         Figures(ScanStage::kApply, 3),
                                                         Figures(ScanStage::kTree, 3)}));
  // The tree: root, docs, old; files under each.
  EXPECT_EQ(result.folder_count, 2);
  EXPECT_EQ(result.file_count, 4);  // $MFT is a file under the root too
  ASSERT_NE(result.FindFolder(31), nullptr);
  EXPECT_EQ(result.FindFolder(31)->total_size, 300);
  EXPECT_EQ(result.FindFolder(30)->total_size, 500);
  EXPECT_EQ(result.drive, L"C");
  EXPECT_GE(result.elapsed_seconds, 0.0);
}

TEST(ScanDriver, EmptyCallbackChangesNothingElse) {
  Recorder recorder;
  const ScanResult with =
      ScanOpenedVolume(std::make_unique<MemoryVolume>(BuildVolume(SmallMft())), L"D", recorder.Callback(), Threads(2));
  const ScanResult without =
      ScanOpenedVolume(std::make_unique<MemoryVolume>(BuildVolume(SmallMft())), L"D", nullptr, Threads(2));
  EXPECT_EQ(without.folders.size(), with.folders.size());
  EXPECT_EQ(without.file_count, with.file_count);
  EXPECT_EQ(without.root_total_size, with.root_total_size);
}

TEST(ScanDriver, NoRecordsLeaveOnlyTheRoot) {
  // An MFT shorter than one record: the volume data say 500 bytes.
  auto volume = std::make_unique<MemoryVolume>(BuildVolume(SmallMft()));
  NtfsVolumeData data;
  data.bytes_per_cluster = static_cast<std::uint32_t>(kCluster);
  data.bytes_per_record = static_cast<std::uint32_t>(kRecord);
  data.mft_valid_data_length = 500;
  data.mft_start_lcn = kMftLcn;
  volume->SetVolumeData(data);
  Recorder recorder;
  const ScanResult result = ScanOpenedVolume(std::move(volume), L"C", recorder.Callback(), Threads(2));
  EXPECT_EQ(result.folders.size(), 1u);
  EXPECT_NE(result.FindFolder(kRootId), nullptr);
  EXPECT_EQ(result.file_count, 0);
  for (const ScanProgress& r : recorder.reports) EXPECT_NE(r.stage, ScanStage::kParsing);
  EXPECT_EQ(recorder.reports.back(), (ScanProgress{ScanStage::kTree, 0, 0, 500, 2}));
}

TEST(ScanDriver, TrailingPartialRecordIsIgnored) {
  MftImage mft = SmallMft();
  mft.Put(64, File(64, 5, L"cut.txt", 10).Build());
  Recorder recorder;
  const ScanResult result = ScanOpenedVolume(std::make_unique<MemoryVolume>(BuildVolume(mft, 64 * kRecord + 500)), L"C",
                                             recorder.Callback(), Threads(2));
  EXPECT_EQ(result.file_count, 4);
  const ScanProgress parsed{ScanStage::kParsing, 64, 64, 64 * kRecord + 500, 2};
  EXPECT_NE(std::find(recorder.reports.begin(), recorder.reports.end(), parsed), recorder.reports.end());
}

TEST(ScanDriver, UnopenedVolumeFailsWithTheOpenMessageAfterTheFirstReport) {
  Recorder recorder;
  auto closed = std::make_unique<MemoryVolume>(BuildVolume(SmallMft()));
  closed->Close();
  EXPECT_EQ(ErrorOf(std::move(closed), recorder), ScanError::kCannotOpen);
  EXPECT_EQ(recorder.reports, (std::vector<ScanProgress>{{ScanStage::kOpening}}));
  Recorder none;
  EXPECT_EQ(ErrorOf(nullptr, none), ScanError::kCannotOpen);
}

TEST(ScanDriver, UnreadableMftClosesTheVolumeThenFails) {
  auto closed = std::make_shared<bool>(false);
  auto volume = std::make_unique<WatchedVolume>(BuildVolume(SmallMft()), closed);
  volume->SetReadFailure([](std::int64_t offset, std::size_t) { return offset >= kMftLcn * kCluster; });
  Recorder recorder;
  EXPECT_EQ(ErrorOf(std::move(volume), recorder), ScanError::kCannotReadMft);
  EXPECT_TRUE(*closed);
  EXPECT_EQ(recorder.reports, (std::vector<ScanProgress>{{ScanStage::kOpening}, {ScanStage::kReadingMft}}));

  Recorder not_ntfs;  // no boot sector: the volume data cannot be derived
  EXPECT_EQ(ErrorOf(std::make_unique<MemoryVolume>(std::vector<std::uint8_t>(65536, 0)), not_ntfs),
            ScanError::kCannotReadMft);
}

// A read the system refuses (the memory volume answers EIO, as a bad sector
// would) is named with its error number: on the boot sector as a read error
// of the source, on record 0 as one of the MFT. A source that merely ends
// early carries no error number.
TEST(ScanDriver, ReadsTheSystemRefusesAreNamedWithTheSystemsError) {
  const auto failure_of = [](std::unique_ptr<RawVolume> volume) {
    try {
      ScanOpenedVolume(std::move(volume), L"C", nullptr, Threads(2));
    } catch (const ScanFailure& e) {
      return std::make_pair(e.error(), e.system_error());
    }
    return std::make_pair(ScanError::kNone, 0);
  };
  auto boot = std::make_unique<MemoryVolume>(BuildVolume(SmallMft()));
  boot->SetReadFailure([](std::int64_t offset, std::size_t) { return offset == 0; }, EIO);
  EXPECT_EQ(failure_of(std::move(boot)), std::make_pair(ScanError::kCannotRead, EIO));
  auto record0 = std::make_unique<MemoryVolume>(BuildVolume(SmallMft()));
  record0->SetReadFailure([](std::int64_t offset, std::size_t) { return offset == kMftLcn * kCluster; }, EACCES);
  EXPECT_EQ(failure_of(std::move(record0)), std::make_pair(ScanError::kCannotReadMft, EACCES));
  std::vector<std::uint8_t> cut = BuildVolume(SmallMft());
  cut.resize(kMftLcn * kCluster);  // ends before record 0
  EXPECT_EQ(failure_of(std::make_unique<MemoryVolume>(cut)), std::make_pair(ScanError::kCannotReadMft, 0));
}

TEST(ScanDriver, StageTimingsAreFilledWhenAsked) {
  ScanTimings timings;
  timings.load = -1;
  timings.tree = -1;
  ScanOptions options = Threads(2);
  options.timings = &timings;
  const ScanResult result =
      ScanOpenedVolume(std::make_unique<MemoryVolume>(BuildVolume(SmallMft())), L"C", nullptr, options);
  EXPECT_GE(timings.load, 0.0);
  EXPECT_GE(timings.tree, 0.0);
  EXPECT_LE(timings.load + timings.slice_pass + timings.merge + timings.overflow_pass + timings.apply + timings.tree,
            result.elapsed_seconds + 1e-9);
}

// Folder sizes and sorted file lists: everything but the completion-order detail.
using Shape = std::vector<std::tuple<std::int64_t, std::int64_t, std::int32_t, std::vector<std::int64_t>>>;
Shape ShapeOf(const ScanResult& result) {
  Shape shape;
  for (const DirNode& node : result.folders) {
    std::vector<std::int64_t> files;
    for (const FileItem& f : result.Files(node)) files.push_back(f.id);
    std::sort(files.begin(), files.end());
    shape.emplace_back(node.id, node.total_size, node.total_file_count, files);
  }
  std::sort(shape.begin(), shape.end());
  return shape;
}

// 40,000 records: three slices of at least 16,384 records with 2 or 8
// threads, ten windows.
MftImage ManyRecords() {
  MftImage mft = SmallMft();
  for (std::uint32_t i = 100; i < 40000; i += 37) {
    const std::int64_t parent = (i % 3 == 0) ? 30 : (i % 3 == 1 ? 31 : 5);
    const wchar_t* extension = i % 5 == 0 ? L".txt" : L".dat";
    mft.Put(i, File(i, parent, L"f" + std::to_wstring(i) + extension, i % 700).Build());
  }
  mft.Put(39999, Folder(39999, 30, L"late").Build());
  mft.Put(39998, File(39998, 39999, L"z.txt", 77).Build());
  return mft;
}

TEST(ScanDriver, SameResultWithOneTwoOrEightThreads) {
  const std::vector<std::uint8_t> volume = BuildVolume(ManyRecords());

  std::vector<ScanResult> results;
  Recorder recorder;
  for (const std::int32_t threads : {1, 2, 8}) {
    results.push_back(
        ScanOpenedVolume(std::make_unique<MemoryVolume>(volume), L"C", recorder.Callback(), Threads(threads)));
  }
  EXPECT_EQ(recorder.reports[2], (ScanProgress{ScanStage::kParseStart, 0, 40000, 40960000, 1}));
  EXPECT_EQ(results[0].file_count, 4 + 1 + static_cast<std::int32_t>((40000 - 100 + 36) / 37));
  EXPECT_EQ(results[0].extensions.size(), 4u);  // .txt, .bin, .dat and $MFT's none
  EXPECT_EQ(results[0].FindFolder(39999)->total_size, 77);
  for (std::size_t k = 1; k < results.size(); ++k) {
    EXPECT_EQ(results[k].file_count, results[0].file_count);
    EXPECT_EQ(results[k].folder_count, results[0].folder_count);
    EXPECT_EQ(results[k].root_total_size, results[0].root_total_size);
    EXPECT_EQ(ShapeOf(results[k]), ShapeOf(results[0]));
  }
}

// ---------------------------------------------------------------------------
// Sources on disk


// A file holding the given bytes, removed when the object goes.
class SourceFile {
 public:
  explicit SourceFile(const std::vector<std::uint8_t>& bytes) {
    const char* tmp = std::getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tw-source-XXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) throw std::runtime_error("cannot create a temporary file");
    const bool written = bytes.empty() || ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!written) throw std::runtime_error("cannot write the temporary file");
  }
  ~SourceFile() { ::unlink(path_.c_str()); }
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

ScanError SourceError(const std::string& path, std::int32_t partition = 0) {
  try {
    ScanOptions options = Threads(2);
    options.partition = partition;
    ScanSourceMft(path, L"E", nullptr, options);
  } catch (const ScanFailure& e) {
    return e.error();
  }
  return ScanError::kNone;
}

// Sets the sizes of record 0's unnamed $DATA (the MFT's length) in a volume
// built by BuildVolume.
void SetMftLength(std::vector<std::uint8_t>& volume, std::int64_t length) {
  const std::size_t at = static_cast<std::size_t>(kMftLcn * kCluster);
  std::vector<std::uint8_t> record0(volume.begin() + static_cast<std::ptrdiff_t>(at),
                                    volume.begin() + static_cast<std::ptrdiff_t>(at + kRecord));
  ApplyFixups(MutableSpan{record0.data(), record0.size()});
  ByteSpan data;
  ASSERT_TRUE(FindUnnamedDataAttribute(ByteSpan(record0.data(), record0.size()), kRecord, data));
  const auto offset = static_cast<std::size_t>(data.data - record0.data());
  ASSERT_LT(offset + 64, 510u);  // clear of the first sector's protected word
  for (const std::size_t field : {40u, 48u, 56u})
    test::PutLe(volume, at + offset + field, static_cast<std::uint64_t>(length), 8);
}

// What two scans of one volume must agree on, names and figures.
std::vector<std::wstring> Listing(const ScanResult& result) {
  std::vector<std::wstring> lines;
  for (const DirNode& node : result.folders) {
    lines.push_back(L"d " + std::to_wstring(node.id) + L" " + result.NameText(node) + L" " +
                    std::to_wstring(node.total_size) + L" " + std::to_wstring(node.total_alloc));
    for (const FileItem& f : result.Files(node)) {
      lines.push_back(L"f " + std::to_wstring(f.id) + L" " + result.NameText(f) + L" " + std::to_wstring(f.size));
    }
  }
  for (const ExtStat& e : result.extensions) {
    lines.push_back(L"e " + e.extension + L" " + std::to_wstring(e.total_size) + L" " + std::to_wstring(e.file_count));
  }
  for (const std::uint32_t f : result.largest_files) lines.push_back(L"l " + std::to_wstring(result.files[f].id));
  return lines;
}

// Drops a file's pages from the system's cache (clean once synced); false
// when they stay (a file system that keeps its files in memory).
bool Evict(const std::string& path, std::size_t length) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  void* const map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
  bool gone = false;
  if (map != MAP_FAILED) {
    std::vector<unsigned char> pages((length + 4095) / 4096);
    gone = ::mincore(map, length, pages.data()) == 0 &&
           std::none_of(pages.begin(), pages.end(), [](unsigned char p) { return (p & 1) != 0; });
    ::munmap(map, length);
  }
  ::close(fd);
  return gone;
}

// Whether the kernel maps a file's pages in on request (MADV_POPULATE_READ),
// without which a source maps nothing.
bool KernelPopulatesMappings(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  void* const map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
  bool populates = false;
  if (map != MAP_FAILED) {
    populates = ::madvise(map, 4096, MADV_POPULATE_READ) == 0;
    ::munmap(map, 4096);
  }
  ::close(fd);
  return populates;
}

// Windows mapped from the cache and windows read give one result; a source
// maps only what the cache holds, and maps it at any offset.
TEST(ScanSourceMft, MappedAndReadWindowsGiveOneResult) {
  const std::vector<std::uint8_t> volume = BuildVolume(ManyRecords());
  auto unmappable = std::make_unique<MemoryVolume>(volume);
  unmappable->SetMappable(false);
  ScanTimings read_timings;
  ScanOptions options = Threads(2);
  options.timings = &read_timings;
  const std::vector<std::wstring> read = Listing(ScanOpenedVolume(std::move(unmappable), L"C", nullptr, options));
  ScanTimings mapped_timings;
  options.timings = &mapped_timings;
  EXPECT_EQ(Listing(ScanOpenedVolume(std::make_unique<MemoryVolume>(volume), L"C", nullptr, options)), read);
  EXPECT_EQ(mapped_timings.mft_bytes_read, read_timings.mft_bytes_read);
  EXPECT_EQ(read_timings.mft_bytes_read, 40000 * static_cast<std::int64_t>(kRecord));

  const SourceFile file(volume);
  if (!KernelPopulatesMappings(file.path())) GTEST_SKIP() << "this kernel cannot map pages in ahead (before 5.14)";
  std::unique_ptr<RawVolume> source = OpenSourceVolume(file.path());
  ASSERT_TRUE(source);
  const std::int64_t at = kMftLcn * kCluster + 3 * static_cast<std::int64_t>(kRecord) + 512;  // not on a page
  const auto expected = std::vector<std::uint8_t>(volume.begin() + at, volume.begin() + at + 5000);
  {
    const MappedView view = source->MapCached(at, 5000);
    ASSERT_TRUE(view) << "a file just written lies in the cache";
    EXPECT_EQ(std::vector<std::uint8_t>(view.data(), view.data() + 5000), expected);
  }
  EXPECT_FALSE(source->MapCached(static_cast<std::int64_t>(volume.size()) - 100, 200));  // past the end
  EXPECT_FALSE(source->MapCached(-1, 200));
  if (!Evict(file.path(), volume.size())) GTEST_SKIP() << "this file system keeps the file's pages in memory";
  EXPECT_FALSE(source->MapCached(at, 5000));
  EXPECT_EQ(Listing(ScanSourceMft(file.path(), L"C", nullptr, Threads(2))), read);  // read, then cached
  std::vector<std::uint8_t> bytes(5000);
  ASSERT_TRUE(source->ReadAt(at, bytes.data(), bytes.size()));
  EXPECT_TRUE(source->MapCached(at, 5000));
  EXPECT_EQ(Listing(ScanSourceMft(file.path(), L"C", nullptr, Threads(2))), read);  // mapped
}

TEST(ScanSourceMft, BadSourcesEndInTheirMessage) {
  const std::vector<std::uint8_t> good = BuildVolume(SmallMft());
  const std::size_t mft = static_cast<std::size_t>(kMftLcn * kCluster);
  const auto changed = [&good](auto change) {
    std::vector<std::uint8_t> bytes = good;
    change(bytes);
    return bytes;
  };
  const auto cut = [&good](std::size_t size) {
    return std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
  };
  std::vector<std::uint8_t> text;
  for (const char c : std::string(4096, 'x') + "not a volume\n") text.push_back(static_cast<std::uint8_t>(c));
  std::vector<std::uint8_t> beyond = good;
  SetMftLength(beyond, std::int64_t{1} << 40);  // 1 TiB: refused before anything is allocated

  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    ScanError error;
  } cases[] = {
      {"not NTFS", text, ScanError::kNotNtfs},
      {"empty", {}, ScanError::kEmptySource},
      {"cut inside the boot sector", cut(300), ScanError::kNotNtfs},
      {"cut after the boot sector", cut(512), ScanError::kCannotReadMft},
      {"cut inside the MFT", cut(mft + 10 * kRecord), ScanError::kNone},  // loses the records cut off
      {"record 0 garbage", changed([&](auto& b) { std::fill(b.begin() + mft, b.begin() + mft + kRecord, 0xA5); }),
       ScanError::kCannotReadMft},
      {"cluster size 0", changed([](auto& b) { b[13] = 0; }), ScanError::kCannotReadMft},
      {"records of 128 KiB", changed([](auto& b) { b[64] = 0xEF; }), ScanError::kCannotReadMft},
      {"MFT length beyond the volume", beyond, ScanError::kCannotReadMft},
  };
  for (const auto& c : cases) {
    const SourceFile file(c.bytes);
    EXPECT_EQ(SourceError(file.path()), c.error) << c.what;
  }
  EXPECT_EQ(SourceError("/nonexistent/volume.img"), ScanError::kCannotOpen);
  {
    // A bare volume has no partition table, so no partition 2.
    const SourceFile file(good);
    EXPECT_EQ(SourceError(file.path(), 2), ScanError::kNoSuchPartition);
  }
  // The untouched volume scans: the cases fail for their damage alone.
  const SourceFile file(good);
  EXPECT_EQ(ScanSourceMft(file.path(), L"E", nullptr, Threads(2)).file_count, 4);
  // No drive letters here: every drive fails to open, as does a non-letter.
  for (const wchar_t* drive : {L"C", L"", L"CD", L"1"}) {
    try {
      ScanDriveMft(drive, nullptr);
      ADD_FAILURE() << "no error";
    } catch (const ScanFailure& e) {
      EXPECT_EQ(e.error(), ScanError::kCannotOpen);
    }
  }
}

TEST(ScanSourceMft, ACutImageLosesOnlyTheRecordsPastItsEnd) {
  const std::vector<std::uint8_t> good = BuildVolume(SmallMft());
  const std::size_t mft = static_cast<std::size_t>(kMftLcn * kCluster);
  const SourceFile file(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(mft + 10 * kRecord)));
  const ScanResult result = ScanSourceMft(file.path(), L"E", nullptr, Threads(2));
  EXPECT_EQ(result.unreadable_records, 54);
  EXPECT_EQ(result.unreadable_ranges,
            (std::vector<ByteRange>{{static_cast<std::int64_t>(mft) + 10 * kRecord, 54 * kRecord}}));
  EXPECT_EQ(result.folders.size(), 1u);  // the folders lay past the cut
}

TEST(ScanSourceMft, ReadOnlyImageScans) {
  const SourceFile file(BuildVolume(SmallMft()));
  ASSERT_EQ(::chmod(file.path().c_str(), 0444), 0);
  // Root may write any file whatever its mode: check as an ordinary user
  // (the file-system id is per thread, and the scan opens on this thread).
  const bool as_root = ::geteuid() == 0;
  if (as_root) ::setfsuid(65534);
  const int writable = ::open(file.path().c_str(), O_RDWR);
  if (writable >= 0) ::close(writable);
  EXPECT_LT(writable, 0) << "the image is writable: the test proves nothing";
  std::string error;
  ScanResult result;
  try {
    result = ScanSourceMft(file.path(), L"E", nullptr, Threads(2));
  } catch (const std::runtime_error& e) {
    error = e.what();
  }
  if (as_root) ::setfsuid(0);
  EXPECT_EQ(error, "");
  EXPECT_EQ(result.file_count, 4);
  ASSERT_NE(result.FindFolder(31), nullptr);
  EXPECT_EQ(result.FindFolder(31)->total_size, 300);
}

}  // namespace
}  // namespace tw
