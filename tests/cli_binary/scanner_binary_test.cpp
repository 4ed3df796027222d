// Runs the built tarnwick-scan on real NTFS volumes and on bad input.
//
// Volumes: the image tier's committed volumes, the sample volume, a
// whole-disk image with an MBR made here around the sample, and the
// Windows-formatted fixtures next to the checkout when they are there. The
// JSON document is checked against sleuthkit's fls.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scan/mft_entry.h"
#include "scan/volume_bytes.h"
#include "support/fls_listing.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";
const std::string kPrintExtents = TARNWICK_BINARY_DIR "/bin/print_mft_extents";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct ProcessRun {
  int status = -1;  // exit status; -1 when the process died of a signal
  std::string out, err;
};

// Runs a shell command line with stdout and stderr captured in files (so
// stderr is never a terminal) and stdin from /dev/null.
ProcessRun RunCommand(const std::string& command) {
  static int counter = 0;
  const fs::path base =
      fs::path(testing::TempDir()) / ("tw_run_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
  const std::string out = base.string() + ".out", err = base.string() + ".err";
  const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null").c_str());
  ProcessRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

ProcessRun RunScanner(const std::string& args) { return RunCommand(Quote(kBinary) + " " + args); }

// What sleuthkit reports for an NTFS volume, in the model's terms: one file
// per record however many names it has, its size that of the unnamed data
// stream (0 when it has none), and every folder but the root. Left out, as
// the scan leaves them out: entries fls shows only through index attributes
// ($Extend's $Quota, $ObjId, $Reparse), and records whose header carries the
// excluded flag (bit 2), which fls lists but cannot mark; those flags are read
// from the MFT as sleuthkit's icat extracts it.
struct FlsTotals {
  std::set<std::int64_t> file_ids;
  std::set<std::int64_t> folder_ids;
  std::map<std::int64_t, std::int64_t> sizes;  // by file record
  std::int64_t total_size = 0;
};

constexpr std::int32_t kIndexRootAttribute = 144;
constexpr std::size_t kRecordFlagsOffset = 22;
constexpr std::uint8_t kExcludedRecordFlag = 0x04;

// Record numbers whose header has the excluded flag, from icat's copy of $MFT.
std::set<std::int64_t> ExcludedRecords(const std::string& image, std::int64_t sector_offset) {
  const std::string where = "-o " + std::to_string(sector_offset) + " " + Quote(image);
  const ProcessRun fsstat = RunCommand("fsstat " + where);
  const std::string label = "Size of MFT Entries: ";
  const std::size_t at = fsstat.out.find(label);
  EXPECT_NE(at, std::string::npos) << fsstat.err;
  std::set<std::int64_t> excluded;
  if (at == std::string::npos) return excluded;
  const std::size_t record_size = std::stoul(fsstat.out.substr(at + label.size()));
  const fs::path mft = fs::path(testing::TempDir()) / ("tw_mft_" + std::to_string(getpid()));
  EXPECT_EQ(std::system(("icat " + where + " 0 >" + Quote(mft.string())).c_str()), 0);
  const std::string bytes = ReadFile(mft);
  fs::remove(mft);
  for (std::size_t r = 0; record_size > 0 && (r + 1) * record_size <= bytes.size(); ++r) {
    const auto flags = static_cast<std::uint8_t>(bytes[r * record_size + kRecordFlagsOffset]);
    if (bytes.compare(r * record_size, 4, "FILE") == 0 && (flags & kExcludedRecordFlag) != 0) {
      excluded.insert(static_cast<std::int64_t>(r));
    }
  }
  return excluded;
}

FlsTotals ReadFls(const std::string& image, std::int64_t sector_offset) {
  std::vector<test::FlsEntry> listing;
  EXPECT_TRUE(test::ReadFlsListing(image, sector_offset, listing)) << image;
  const std::set<std::int64_t> excluded = ExcludedRecords(image, sector_offset);
  FlsTotals totals;
  std::map<std::int64_t, std::int64_t>& sizes = totals.sizes;
  for (const test::FlsEntry& e : listing) {
    if (e.record < 0 || excluded.count(e.record) != 0) continue;
    if (e.type == 'd') {
      if (e.stream.empty() && e.record != kRootId) totals.folder_ids.insert(e.record);
    } else if (e.type == 'r' && e.attribute_type != kIndexRootAttribute) {
      totals.file_ids.insert(e.record);
      if (e.stream.empty()) sizes[e.record] = e.size;
    }
  }
  for (const auto& [id, size] : sizes) totals.total_size += size;
  return totals;
}

std::string SampleArchive() { return test::TestDataDir() + "/sample.img.gz"; }

// The sample volume behind an MBR with one NTFS partition at sector 2048.
constexpr std::uint32_t kWholeDiskStart = 2048;

class WholeDiskImage {
 public:
  WholeDiskImage() : volume_(SampleArchive()) {
    path_ = (fs::path(testing::TempDir()) / ("tw_whole_disk_" + std::to_string(getpid()) + ".raw")).string();
    const auto sectors = static_cast<std::uint32_t>(fs::file_size(volume_.path()) / 512);
    std::vector<std::uint8_t> mbr(512, 0);
    mbr[446 + 4] = 0x07;  // NTFS
    test::PutLe(mbr, 446 + 8, kWholeDiskStart, 4);
    test::PutLe(mbr, 446 + 12, sectors, 4);
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(mbr.data()), 512);
    const std::string dd = "dd if=" + Quote(volume_.path()) + " of=" + Quote(path_) +
                           " bs=512 seek=" + std::to_string(kWholeDiskStart) + " conv=notrunc,sparse status=none";
    EXPECT_EQ(std::system(dd.c_str()), 0);
  }
  ~WholeDiskImage() { fs::remove(path_); }
  const std::string& path() const { return path_; }

 private:
  test::UnpackedImage volume_;
  std::string path_;
};

nlohmann::json ScanJson(const std::string& args) {
  const ProcessRun run = RunScanner("--json -q " + args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return nlohmann::json::parse(run.out);
}

// Whether istat shows the record's $ATTRIBUTE_LIST as non-resident. The scan
// follows only resident attribute lists (it never reads outside the MFT), so a
// file whose name sits in an extension record named by a non-resident list is
// not found.
bool HasNonResidentAttributeList(const std::string& image, std::int64_t sector_offset, std::int64_t record) {
  const ProcessRun istat =
      RunCommand("istat -o " + std::to_string(sector_offset) + " " + Quote(image) + " " + std::to_string(record));
  std::istringstream lines(istat.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("$ATTRIBUTE_LIST") != std::string::npos && line.find("Non-Resident") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// The document against fls and against itself: pre-order folders, totals,
// every file once. Files fls lists that the document lacks must be ones the
// scan cannot name (see HasNonResidentAttributeList); they leave the totals.
void CheckDocument(const nlohmann::json& doc, FlsTotals fls, const std::string& image, std::int64_t sector_offset) {
  std::set<std::int64_t> scanned;
  for (const nlohmann::json& f : doc.value("files", nlohmann::json::array()))
    scanned.insert(f["id"].get<std::int64_t>());
  for (auto it = fls.file_ids.begin(); it != fls.file_ids.end();) {
    if (scanned.count(*it) != 0) {
      ++it;
      continue;
    }
    EXPECT_TRUE(HasNonResidentAttributeList(image, sector_offset, *it)) << "file record " << *it << " is missing";
    fls.total_size -= fls.sizes[*it];
    it = fls.file_ids.erase(it);
  }
  EXPECT_EQ(doc["file_count"].get<std::size_t>(), fls.file_ids.size());
  EXPECT_EQ(doc["folder_count"].get<std::size_t>(), fls.folder_ids.size());
  EXPECT_EQ(doc["root_total_size"].get<std::int64_t>(), fls.total_size);

  const nlohmann::json& folders = doc["folders"];
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders[0]["id"], 5);
  EXPECT_EQ(folders[0]["tree_parent_id"], 5);
  EXPECT_EQ(folders[0]["total_size"], doc["root_total_size"]);
  EXPECT_EQ(folders[0]["total_folder_count"].get<std::size_t>() + 1, folders.size());
  std::set<std::int64_t> seen{5};
  std::int64_t direct_sum = 0;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const nlohmann::json& f = folders[i];
    direct_sum += f["direct_size"].get<std::int64_t>();
    if (i == 0) continue;
    const std::int64_t id = f["id"];
    EXPECT_EQ(seen.count(f["tree_parent_id"].get<std::int64_t>()), 1u) << "folder " << id << " before its parent";
    EXPECT_TRUE(seen.insert(id).second) << "folder " << id << " twice";
    EXPECT_EQ(fls.folder_ids.count(id), 1u) << "folder " << id << " unknown to fls";
  }
  EXPECT_EQ(direct_sum, doc["root_total_size"].get<std::int64_t>());

  ASSERT_TRUE(doc.contains("files"));
  std::set<std::int64_t> file_ids;
  std::int64_t file_sizes = 0;
  for (const nlohmann::json& f : doc["files"]) {
    EXPECT_TRUE(file_ids.insert(f["id"].get<std::int64_t>()).second) << "file " << f["id"] << " twice";
    file_sizes += f["size"].get<std::int64_t>();
  }
  EXPECT_EQ(file_ids, fls.file_ids);
  EXPECT_EQ(file_sizes, fls.total_size);

  const nlohmann::json& largest = doc["largest_files"];
  EXPECT_EQ(largest.size(), std::min<std::size_t>(100, fls.file_ids.size()));
  for (std::size_t i = 1; i < largest.size(); ++i) EXPECT_GE(largest[i - 1]["size"], largest[i]["size"]);
}

TEST(ScannerOnVolumes, JsonMatchesFlsOnEveryTestVolume) {
  std::vector<std::string> volumes = test::CommittedVolumes();
  volumes.push_back(SampleArchive());
  for (const std::string& compressed : volumes) {
    SCOPED_TRACE(test::ImageName(compressed));
    const test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    CheckDocument(ScanJson("--files " + Quote(image.path())), ReadFls(image.path(), 0), image.path(), 0);
  }
}

TEST(ScannerOnVolumes, WholeDiskImageScansItsNtfsPartition) {
  const WholeDiskImage disk;
  const FlsTotals fls = ReadFls(disk.path(), kWholeDiskStart);
  ASSERT_FALSE(fls.file_ids.empty());
  CheckDocument(ScanJson("--files " + Quote(disk.path())), fls, disk.path(), kWholeDiskStart);
  CheckDocument(ScanJson("--files --partition 1 " + Quote(disk.path())), fls, disk.path(), kWholeDiskStart);
}

TEST(ScannerOnVolumes, WindowsFormattedFixtures) {
  const std::vector<std::string> fixtures = test::FixtureImages();
  if (fixtures.empty()) GTEST_SKIP() << "no fixtures at " << test::FixturesDir();
  for (const std::string& compressed : fixtures) {
    SCOPED_TRACE(test::ImageName(compressed));
    const test::UnpackedImage image(compressed);
    ASSERT_FALSE(image.path().empty());
    const nlohmann::json doc = ScanJson("--files --drive-letter E " + Quote(image.path()));
    CheckDocument(doc, ReadFls(image.path(), test::kFixturePartitionSector), image.path(),
                  test::kFixturePartitionSector);
    EXPECT_EQ(doc["folders"][0]["name"], "[E:]");
  }
}

TEST(ScannerOnSample, ReportShowsSummaryTreeExtensionsAndFiles) {
  const test::UnpackedImage sample(SampleArchive());
  const ProcessRun run = RunScanner(Quote(sample.path()));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");  // stderr is not a terminal: no progress line
  EXPECT_EQ(run.out.rfind("扫描完成 ", 0), 0u);
  const std::string first_line = run.out.substr(0, run.out.find('\n'));
  EXPECT_EQ(first_line.substr(first_line.size() - 10), " 文件夹");
  for (const char* part : {"占父目录 %", "\n[X:] ", "\n  Users ", "\n    alice ", "扩展名", ".JPG", "文件名",
                           "holiday.mp4", "X:\\Users\\alice\\Videos"}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(run.out.find("\n      Documents "), std::string::npos);  // depth 3 is not shown
}

TEST(ScannerOnSample, OptionsChangeWhatIsPrinted) {
  const test::UnpackedImage sample(SampleArchive());
  const std::string image = Quote(sample.path());
  const ProcessRun deep = RunScanner("--depth 3 --drive-letter d " + image);
  ASSERT_EQ(deep.status, 0) << deep.err;
  EXPECT_NE(deep.out.find("\n[D:] "), std::string::npos);
  EXPECT_NE(deep.out.find("\n      Documents "), std::string::npos);
  EXPECT_NE(deep.out.find("D:\\Users"), std::string::npos);

  const ProcessRun timed = RunScanner("--timings --threads 1 " + image);
  ASSERT_EQ(timed.status, 0) << timed.err;
  for (const char* stage : {"load", "slice_pass", "merge", "overflow_pass", "apply", "tree", "total"}) {
    EXPECT_NE(("\n" + timed.err).find(std::string("\n") + stage + " "), std::string::npos)
        << stage << " in " << timed.err;
  }

  const nlohmann::json one = ScanJson("--threads 1 --top 3 " + image);
  const nlohmann::json two = ScanJson("--threads 2 " + image);
  EXPECT_EQ(one["largest_files"].size(), 3u);
  EXPECT_EQ(one["root_total_size"], two["root_total_size"]);
  EXPECT_EQ(one["file_count"], two["file_count"]);
  EXPECT_FALSE(one.contains("files"));
  EXPECT_TRUE(one["elapsed_seconds"].is_number_float());
  EXPECT_EQ(one["drive"], "X");
}

// One line on stderr holding every part, nothing on stdout, the expected status.
void ExpectFailure(const ProcessRun& run, int status, std::initializer_list<std::string> message_parts) {
  EXPECT_EQ(run.status, status) << run.err;
  EXPECT_EQ(run.out, "");
  for (const std::string& part : message_parts) EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST(ScannerBadInput, UsageErrorsAndMissingSourcesExitTwo) {
  const fs::path missing = fs::path(testing::TempDir()) / "tw_no_such.img";
  ExpectFailure(RunScanner(Quote(missing.string())), 2, {"no such file or device"});
  ExpectFailure(RunScanner(Quote(testing::TempDir())), 2, {"is a directory"});
  ExpectFailure(RunScanner(""), 2, {"no SOURCE given"});
  ExpectFailure(RunScanner("--depth x a.img"), 2, {"--depth needs a whole number"});
  ExpectFailure(RunScanner("--frobnicate a.img"), 2, {"unknown option --frobnicate"});
}

TEST(ScannerBadInput, SourcesNeitherFilesNorBlockDevicesAreRefusedUnopened) {
  const fs::path dir = fs::path(testing::TempDir()) / ("tw_kinds_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path fifo = dir / "fifo", link = dir / "link", socket_path = dir / "socket";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink(fifo, link);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "is a FIFO"}, {link, "is a FIFO"}, {"/dev/zero", "is a character device"}, {socket_path, "is a socket"}};
  for (const auto& [path, kind] : cases) {
    // Opening a FIFO without a writer would wait forever: the timeout ends that with 124.
    ExpectFailure(RunCommand("timeout 20 " + Quote(kBinary) + " " + Quote(path)), 2,
                  {path + ": " + kind + ", not a volume image or block device"});
  }
  close(listener);
  fs::remove_all(dir);
}

TEST(ScannerBadInput, UnscannableSourcesExitOneWithTheRealReason) {
  const fs::path dir = fs::path(testing::TempDir());
  const fs::path empty = dir / "tw_empty.img";
  std::ofstream(empty).close();
  ExpectFailure(RunScanner(Quote(empty.string())), 1, {"错误: 源为空。 (" + empty.string() + ")"});

  const fs::path text = dir / "tw_not_ntfs.img";
  {
    std::ofstream out(text, std::ios::binary);
    for (int i = 0; i < 4096; ++i) out << "not an NTFS volume\n";
  }
  ExpectFailure(RunScanner(Quote(text.string())), 1, {"错误: 没有找到 NTFS 卷。 (" + text.string() + ")"});

  const WholeDiskImage disk;
  ExpectFailure(RunScanner("--partition 3 " + Quote(disk.path())), 1, {"错误: 没有 NTFS 分区 3。"});
  // The administrator hint belongs to drives on Windows, never to an image.
  for (const auto& run : {RunScanner(Quote(empty.string())), RunScanner(Quote(text.string()))}) {
    EXPECT_EQ(run.err.find("管理员"), std::string::npos) << run.err;
  }
}

// An image cut inside its MFT scans what it holds: exit 0, the report, one
// warning line naming the records lost and where they lie, and the count in
// the JSON document.
TEST(ScannerBadInput, ACutImageScansWithAWarning) {
  const test::UnpackedImage sample(SampleArchive());
  const fs::path cut = fs::path(testing::TempDir()) / "tw_cut.img";
  fs::copy_file(sample.path(), cut, fs::copy_options::overwrite_existing);
  const ProcessRun extents = RunCommand(Quote(kPrintExtents) + " " + Quote(sample.path()));
  std::int64_t mft = 0, mft_length = 0;
  ASSERT_EQ(std::sscanf(extents.out.c_str(), "%lld %lld", reinterpret_cast<long long*>(&mft),
                        reinterpret_cast<long long*>(&mft_length)),
            2)
      << extents.out;
  const std::int64_t keep = mft + 200 * 1024;  // records 0-199 stay
  fs::resize_file(cut, static_cast<std::uintmax_t>(keep));
  const std::int64_t lost = mft_length / 1024 - 200;
  const ProcessRun run = RunScanner("-q " + Quote(cut.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "警告: " + std::to_string(lost) + " 条记录无法读取 (字节 " + std::to_string(keep) + "-" +
                         std::to_string(mft + mft_length - 1) + ")\n");
  EXPECT_NE(run.out.find(" · " + std::to_string(lost) + " 条记录无法读取\n"), std::string::npos);
  const ProcessRun json = RunScanner("--json -q " + Quote(cut.string()));
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(nlohmann::json::parse(json.out)["unreadable_records"], lost);
  EXPECT_FALSE(ScanJson(Quote(sample.path())).contains("unreadable_records"));
  fs::remove(cut);
}

// Output that does not reach its reader: status 1 and the system's reason,
// for stdout and for the export's file alike.
TEST(ScannerOutput, FailedWritesEndWithStatusOneAndTheReason) {
  const test::UnpackedImage sample(SampleArchive());
  const std::string scan = Quote(kBinary) + " -q " + Quote(sample.path());
  const std::string stdout_prefix = "错误: 无法写入输出。 (标准输出: ";
  // Inside the parentheses the redirections are the scanner's own.
  ExpectFailure(RunCommand("(" + scan + " >/dev/full)"), 1, {stdout_prefix + std::strerror(ENOSPC) + ")"});
  ExpectFailure(RunCommand("(" + scan + " >&-)"), 1, {stdout_prefix + std::strerror(EBADF) + ")"});
  ExpectFailure(RunCommand("(" + scan + " --version >/dev/full)"), 1, {stdout_prefix});
  const std::string piped = "trap '' PIPE; " + scan + " --json --files | head -c 100 >/dev/null; exit ${PIPESTATUS[0]}";
  ExpectFailure(RunCommand("bash -c " + Quote(piped)), 1, {stdout_prefix + std::strerror(EPIPE) + ")"});
  // The export's file, cut short by the system (here at the file-size limit).
  const std::string limited = testing::TempDir() + "tw_limited_" + std::to_string(getpid()) + ".json";
  ExpectFailure(RunCommand("bash -c " + Quote("trap '' XFSZ; ulimit -f 1; exec " + scan + " --ncdu " + Quote(limited) +
                                              " >/dev/null")),
                1, {"错误: 无法写入输出。 (" + limited + ": " + std::strerror(EFBIG) + ")"});
  fs::remove(limited);
  // A file that cannot be made fails before anything is printed.
  const std::string missing = testing::TempDir() + "tw_no_such_folder/x.json";
  ExpectFailure(RunCommand(scan + " --ncdu " + Quote(missing)), 1, {"(" + missing + ": " + std::strerror(ENOENT) + ")"});
}

TEST(ScannerOnSample, NcduExportHoldsTheScansTotals) {
  const test::UnpackedImage sample(SampleArchive());
  const std::string image = Quote(sample.path());
  const std::string path = testing::TempDir() + "tw_export_" + std::to_string(getpid()) + ".json";
  const ProcessRun run = RunScanner("-q --ncdu " + Quote(path) + " " + image);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("扫描完成 ", 0), 0u);  // the report as well
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(path));
  fs::remove(path);
  EXPECT_EQ(nlohmann::json::parse(RunScanner("-q --ncdu - " + image).out)[3], doc[3]);
  ASSERT_EQ(doc[3][0]["name"], "X:");
  std::int64_t asize = 0, dsize = 0, items = 0;
  std::vector<const nlohmann::json*> folders{&doc[3]};
  while (!folders.empty()) {
    const nlohmann::json& folder = *folders.back();
    folders.pop_back();
    for (std::size_t k = 1; k < folder.size(); ++k, ++items) {
      if (folder[k].is_array()) {
        folders.push_back(&folder[k]);
      } else {
        asize += folder[k]["asize"].get<std::int64_t>();
        dsize += folder[k]["dsize"].get<std::int64_t>();
      }
    }
  }
  const nlohmann::json scan = ScanJson(image);
  EXPECT_EQ(asize, scan["root_total_size"]);
  EXPECT_EQ(dsize, scan["folders"][0]["total_alloc"]);
  EXPECT_EQ(items, scan["file_count"].get<std::int64_t>() + scan["folder_count"].get<std::int64_t>());
  // Never over the volume it reads.
  ExpectFailure(RunScanner("--ncdu " + image + " " + image), 2, {"the ncdu export would overwrite SOURCE"});
  EXPECT_EQ(ScanJson(image)["root_total_size"], scan["root_total_size"]);
}

TEST(ScannerBadInput, UnreadableSourceSaysPermissionDenied) {
  const fs::path copy = fs::path(testing::TempDir()) / "tw_unreadable.img";
  const test::UnpackedImage sample(SampleArchive());
  fs::copy_file(sample.path(), copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
  std::string prefix;
  if (geteuid() == 0) {
    // Root reads everything: run the scanner as nobody instead.
    if (RunCommand("command -v setpriv").status != 0) GTEST_SKIP() << "setpriv not available";
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  } else {
    fs::permissions(copy, fs::perms::none);
  }
  const ProcessRun run = RunCommand(prefix + Quote(kBinary) + " " + Quote(copy.string()));
  if (run.status == 126 || run.status == 127) GTEST_SKIP() << "the binary cannot be run as nobody: " << run.err;
  ExpectFailure(run, 1, {"错误: 没有读取权限。"});
  fs::remove(copy);
}

}  // namespace
}  // namespace tw
