#include "ntfsbuild/synthetic_volume.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <utility>

#include "base/extension.h"
#include "ntfsbuild/record_builder.h"

namespace tw::build {
namespace {

constexpr std::int64_t kFirstUserRecord = 64;
constexpr std::int64_t kRootRecord = 5;
constexpr std::int64_t kExtendRecord = 11;
constexpr std::uint32_t kSectorSize = 512;
// FILETIME of 2015-01-01 and about ten years of 100 ns ticks.
constexpr std::int64_t kTimeBase = 130645440000000000;
constexpr std::int64_t kTimeSpan = 3156000000000000;
// Files up to this size keep their data in the record.
constexpr std::int64_t kResidentLimit = 400;

constexpr const wchar_t* kTopFolders[] = {L"Users", L"Program Files", L"Windows", L"ProgramData", L"data"};
constexpr const wchar_t* kWords[] = {L"report",  L"backup", L"cache", L"docs",    L"export", L"fonts", L"gallery",
                                     L"history", L"image",  L"jobs",  L"kernel",  L"logs",   L"media", L"notes",
                                     L"output",  L"photo",  L"queue", L"summary", L"src",    L"temp",  L"update",
                                     L"vendor",  L"work",   L"年度",  L"资料",    L"照片",   L"项目"};
constexpr const wchar_t* kExtensions[] = {L".txt", L".dll", L".jpg", L".png",  L".cpp", L".h",    L".log",
                                          L".dat", L".mp3", L".pdf", L".docx", L".xml", L".json", L".js",
                                          L".exe", L".JPG", L".sys", L".mp4",  L""};

NonResidentDataSpec DataSpec(std::int64_t allocated, std::int64_t size, std::vector<Run> runs) {
  NonResidentDataSpec spec;
  spec.allocated_size = allocated;
  spec.data_size = size;
  spec.runs = std::move(runs);
  return spec;
}

FileNameSpec NameSpec(std::int64_t parent, std::wstring name, std::uint8_t name_space, std::uint32_t flags = 0) {
  FileNameSpec spec;
  spec.parent = parent;
  spec.name = std::move(name);
  spec.name_space = name_space;
  spec.flags = flags;
  return spec;
}

void PutLe(std::uint8_t* at, std::uint64_t value, int width) {
  for (int k = 0; k < width; ++k) at[k] = static_cast<std::uint8_t>(value >> (8 * k));
}

struct Folder {
  std::int64_t id;
  int depth;
};

// Buffers records written in order and stores them at their place in the MFT
// extents of the volume file.
class MftWriter {
 public:
  MftWriter(std::fstream& file, std::uint32_t record_size, std::vector<SyntheticExtent> extents, std::int64_t records)
      : file_(file), record_size_(record_size), extents_(std::move(extents)), in_use_((records + 63) / 64 * 8, 0) {}

  // One bit per record, set when the record written there is in use (flag
  // bit 0 of the header's flags at offset 22), in 8-byte steps as NTFS keeps it.
  const std::vector<std::uint8_t>& in_use() const { return in_use_; }

  void Put(std::int64_t index, const std::vector<std::uint8_t>& record) {
    if (index != first_ + pending_) throw std::logic_error("records must be written in order");
    if (record.size() > 22 && (record[22] & 1) != 0) {
      in_use_[static_cast<std::size_t>(index >> 3)] |= static_cast<std::uint8_t>(1u << (index & 7));
    }
    if (pending_ > 0 && ExtentOf(index) != ExtentOf(first_)) Flush();
    if (pending_ == 0) first_ = index;
    buffer_.insert(buffer_.end(), record.begin(), record.end());
    ++pending_;
    if (pending_ == kBatch) Flush();
  }

  void Flush() {
    if (pending_ > 0) WriteAt(OffsetOf(first_), buffer_.data(), buffer_.size());
    first_ += pending_;
    pending_ = 0;
    buffer_.clear();
  }

  // Rewrites one record already flushed.
  void Rewrite(std::int64_t index, const std::vector<std::uint8_t>& record) {
    WriteAt(OffsetOf(index), record.data(), record.size());
  }

  // Writing past the end leaves a hole: the volume file stays sparse.
  void WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t length) {
    file_.seekp(static_cast<std::streamoff>(offset));
    file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    if (!file_) throw std::runtime_error("write failed");
  }

 private:
  static constexpr std::int64_t kBatch = 8192;

  std::size_t ExtentOf(std::int64_t index) const {
    std::int64_t byte = index * record_size_;
    for (std::size_t e = 0; e < extents_.size(); ++e) {
      if (byte < extents_[e].length) return e;
      byte -= extents_[e].length;
    }
    throw std::logic_error("record beyond the MFT extents");
  }

  std::int64_t OffsetOf(std::int64_t index) const {
    std::int64_t byte = index * record_size_;
    for (const SyntheticExtent& extent : extents_) {
      if (byte < extent.length) return extent.offset + byte;
      byte -= extent.length;
    }
    throw std::logic_error("record beyond the MFT extents");
  }

  std::fstream& file_;
  std::uint32_t record_size_;
  std::vector<SyntheticExtent> extents_;
  std::vector<std::uint8_t> buffer_;
  std::int64_t first_ = 0;
  std::int64_t pending_ = 0;
  std::vector<std::uint8_t> in_use_;
};

class Generator {
 public:
  Generator(const SyntheticVolumeSpec& spec, SyntheticVolumeSummary& summary, MftWriter& writer,
            std::int64_t data_start_lcn)
      : spec_(spec), summary_(summary), writer_(writer), rng_(spec.seed), next_lcn_(data_start_lcn) {}

  RecordBuilder NewRecord(std::int64_t index) const {
    RecordBuilder b(spec_.record_size);
    b.Number(static_cast<std::uint32_t>(index));
    return b;
  }

  StandardInformationSpec Times(std::uint32_t attributes) {
    const std::int64_t created = kTimeBase + static_cast<std::int64_t>(rng_() % kTimeSpan);
    const std::int64_t modified = created + static_cast<std::int64_t>(rng_() % 10000000000000);
    return {created, modified, modified, modified, attributes};
  }

  // Clusters for `clusters` of data: one to three fragments, sometimes with
  // a gap between them.
  std::vector<Run> Allocate(std::int64_t clusters) {
    std::vector<Run> runs;
    const int fragments = clusters >= 3 && rng_() % 20 == 0 ? 3 : (clusters >= 2 && rng_() % 8 == 0 ? 2 : 1);
    std::int64_t left = clusters;
    for (int f = 0; f < fragments; ++f) {
      const std::int64_t n = f + 1 == fragments ? left : std::max<std::int64_t>(1, left / (fragments - f) / 2);
      runs.push_back({n, next_lcn_, false});
      next_lcn_ += n + (rng_() % 4 == 0 ? static_cast<std::int64_t>(rng_() % 64) : 0);
      left -= n;
    }
    return runs;
  }

  std::int64_t FileSize() {
    if (rng_() % 50000 == 0) return static_cast<std::int64_t>(1 + rng_() % 8) << 30;  // a few huge files
    const double size = std::lognormal_distribution<double>(std::log(3000.0), 2.0)(rng_);
    return static_cast<std::int64_t>(std::min(size, 64.0 * (1 << 30)));
  }

  void SystemFile(std::int64_t index, const wchar_t* name, std::int64_t size, std::int64_t parent = kRootRecord) {
    RecordBuilder b = NewRecord(index);
    b.InUse().StandardInformation(Times(0x06));
    b.FileName(NameSpec(parent, name, kWin32AndDos));
    if (size > 0) {
      const std::int64_t clusters = (size + spec_.cluster_size - 1) / spec_.cluster_size;
      b.NonResidentData(DataSpec(clusters * spec_.cluster_size, size, Allocate(clusters)));
    } else if (size == 0) {
      b.ResidentData(0);
    }
    writer_.Put(index, b.Build());
    ++summary_.files;
    summary_.total_size += std::max<std::int64_t>(size, 0);
  }

  void FolderRecordAt(std::int64_t index, std::int64_t parent, const std::wstring& name) {
    RecordBuilder b = NewRecord(index);
    b.InUse().Directory().StandardInformation(Times(0x10));
    b.FileName(NameSpec(parent, name, kWin32AndDos, kNameDirectoryFlag));
    b.ResidentAttribute(0x90, std::vector<std::uint8_t>(48, 0), L"$I30");
    writer_.Put(index, b.Build());
    if (index != kRootRecord) ++summary_.folders;
  }

  std::wstring DosName(const std::wstring& name, std::int64_t index) const {
    std::wstring stem;
    for (wchar_t c : name) {
      if (c == L'.' || stem.size() == 6) break;
      if (c < 0x80 && c != L' ' && c != L'_') stem += static_cast<wchar_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
    }
    if (stem.empty()) stem = L"FILE";
    stem += L"~" + std::to_wstring(1 + index % 9);
    const std::wstring_view extension = ExtensionOf(name);
    if (!extension.empty()) {
      std::wstring ext(extension.substr(0, 4));
      for (wchar_t& c : ext) c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
      stem += ext;
    }
    return stem;
  }

  const Folder& PickFolder(std::size_t recent) {
    if (rng_() % 5 == 0) return folders_[rng_() % folders_.size()];
    const std::size_t n = std::min(recent, folders_.size());
    return folders_[folders_.size() - 1 - rng_() % n];
  }

  void UserFolder(std::int64_t index) {
    Folder parent = PickFolder(64);
    if (parent.depth >= 14) parent = folders_[rng_() % std::size(kTopFolders)];
    std::wstring name = kWords[rng_() % std::size(kWords)];
    name += L" " + std::to_wstring(index);
    FolderRecordAt(index, parent.id, name);
    folders_.push_back({index, parent.depth + 1});
  }

  // A file; with `extension_record` set its unnamed $DATA goes to that record
  // (the next one), listed by an $ATTRIBUTE_LIST in the base record.
  void UserFile(std::int64_t index, bool extension_record) {
    const Folder& parent = PickFolder(16);
    std::wstring name = kWords[rng_() % std::size(kWords)];
    name += L"_" + std::to_wstring(index) + kExtensions[rng_() % std::size(kExtensions)];
    const std::int64_t size = FileSize();
    const bool hard_link = !extension_record && rng_() % 200 == 0;
    const bool resident = size <= kResidentLimit && !hard_link && !extension_record;
    const std::int64_t clusters = resident ? 0 : (size + spec_.cluster_size - 1) / spec_.cluster_size;
    const std::int64_t alloc = resident ? size : clusters * spec_.cluster_size;
    const bool name_sizes = !extension_record && rng_() % 2 == 0;  // the system leaves these stale

    // A WOF-compressed file carries the reparse-point and sparse attribute bits.
    const bool wof = !resident && !hard_link && !extension_record && spec_.wof_every > 0 &&
                     ++files_with_clusters_ % spec_.wof_every == 0;
    RecordBuilder b = NewRecord(index);
    b.InUse().StandardInformation(Times((rng_() % 8 == 0 ? 0x21 : 0x20) | (wof ? 0x600 : 0)));
    if (extension_record) {
      b.AttributeList({Listed(0x10, index), Listed(0x30, index), Listed(0x80, index + 1)});
    }
    FileNameSpec primary = NameSpec(parent.id, name, kWin32);
    primary.allocated_size = name_sizes ? alloc : 0;
    primary.real_size = name_sizes ? size : 0;
    if (name.size() > 12) {  // long names also carry a short name, written first
      FileNameSpec dos = primary;
      dos.name = DosName(name, index);
      dos.name_space = kDos;
      b.FileName(dos);
    } else {
      primary.name_space = kWin32AndDos;
    }
    b.FileName(primary);
    if (hard_link) {
      FileNameSpec second = primary;
      second.parent = folders_[rng_() % folders_.size()].id;
      second.name = L"link to " + name;
      second.name_space = kWin32;
      b.FileName(second);
      ++summary_.hard_links;
    }

    if (wof) {
      WofData(b, size, clusters);
      writer_.Put(index, b.Build());
      ++summary_.files;
      summary_.total_size += size;
      return;
    }
    NonResidentDataSpec data = DataSpec(alloc, size, {});
    if (!resident) {
      if (clusters >= 16 && rng_() % 1000 == 0) {  // sparse: a hole, then data
        data.runs = {{clusters / 2, 0, true}};
        for (const Run& run : Allocate(clusters - clusters / 2)) data.runs.push_back(run);
      } else if (clusters > 0) {
        data.runs = Allocate(clusters);
      }
    }
    if (extension_record) {
      writer_.Put(index, b.Build());
      RecordBuilder ext = NewRecord(index + 1);
      ext.InUse().BaseRecord(index).NonResidentData(data);
      writer_.Put(index + 1, ext.Build());
      ++summary_.attribute_lists;
    } else {
      if (resident) {
        b.ResidentData(static_cast<std::uint32_t>(size));
      } else {
        b.NonResidentData(data);
      }
      writer_.Put(index, b.Build());
    }
    ++summary_.files;
    summary_.total_size += size;
  }

  // A WOF-compressed file's streams: the unnamed one sparse with nothing
  // allocated, a $REPARSE_POINT with the WOF tag and its external-provider
  // info (WOF version 1, the file provider, XPRESS4K), and the compressed
  // bytes, about half the size, in WofCompressedData.
  void WofData(RecordBuilder& b, std::int64_t size, std::int64_t clusters) {
    NonResidentDataSpec unnamed = DataSpec(clusters * spec_.cluster_size, size, {{clusters, 0, true}});
    unnamed.flags = 0x8000;
    unnamed.total_allocated = 0;
    b.NonResidentData(unnamed);
    std::vector<std::uint8_t> reparse(24, 0);
    PutLe(&reparse[0], 0x80000017, 4);  // the tag
    PutLe(&reparse[4], 16, 2);          // the data's length
    PutLe(&reparse[8], 1, 4);           // WOF_EXTERNAL_INFO: version
    PutLe(&reparse[12], 2, 4);          // provider: a file
    PutLe(&reparse[16], 1, 4);          // FILE_PROVIDER_EXTERNAL_INFO_V1: version
    PutLe(&reparse[20], 0, 4);          // algorithm XPRESS4K
    b.ResidentAttribute(0xC0, reparse);
    const std::int64_t packed = std::max<std::int64_t>(size / 2, 1);
    const std::int64_t packed_clusters = (packed + spec_.cluster_size - 1) / spec_.cluster_size;
    NonResidentDataSpec stream = DataSpec(packed_clusters * spec_.cluster_size, packed, Allocate(packed_clusters));
    stream.stream_name = L"WofCompressedData";
    b.NonResidentData(stream);
    ++summary_.wof_files;
    summary_.wof_alloc += packed_clusters * spec_.cluster_size;
  }

  // A record a deleted file left: its contents stay, its in-use flag is clear.
  void DeletedRecord(std::int64_t index) {
    RecordBuilder b = NewRecord(index);
    b.StandardInformation(Times(0x20));
    b.FileName(NameSpec(folders_[rng_() % folders_.size()].id, L"deleted " + std::to_wstring(index), kWin32AndDos));
    b.ResidentData(static_cast<std::uint32_t>(rng_() % 200));
    writer_.Put(index, b.Build());
    ++summary_.free_records;
  }

  bool InFreeZone(std::int64_t index) const {
    if (spec_.free_zones <= 0 || spec_.free_zone_records <= 0) return false;
    const std::int64_t span = spec_.records - kFirstUserRecord;
    const std::int64_t stride = span / spec_.free_zones;
    if (stride <= 0) return false;
    const std::int64_t offset = (index - kFirstUserRecord) % stride;
    const std::int64_t zone = (index - kFirstUserRecord) / stride;
    // Each zone sits in the middle of its stride.
    const std::int64_t start = (stride - std::min(stride, spec_.free_zone_records)) / 2;
    return zone < spec_.free_zones && offset >= start && offset < start + spec_.free_zone_records;
  }

  void FreeRecord(std::int64_t index) {
    writer_.Put(index, NewRecord(index).Build());
    ++summary_.free_records;
  }

  void Generate() {
    const std::int64_t n = spec_.records;
    const std::int64_t mft_bytes = n * spec_.record_size;

    // Record 0 describes the MFT's own two extents (and, once every record
    // is written, its bitmap).
    record0_times_ = Times(0x06);
    writer_.Put(0, MftRecord(0, 0).Build());
    ++summary_.files;
    summary_.total_size += mft_bytes;
    SystemFile(1, L"$MFTMirr", 4 * spec_.record_size);
    SystemFile(2, L"$LogFile", 16 << 20);
    SystemFile(3, L"$Volume", 0);
    SystemFile(4, L"$AttrDef", 2560);
    FolderRecordAt(kRootRecord, kRootRecord, L".");
    SystemFile(6, L"$Bitmap", 4096);  // rewritten once the volume size is known
    SystemFile(7, L"$Boot", 8192);
    SystemFile(8, L"$BadClus", 0);
    SystemFile(9, L"$Secure", -1);  // no unnamed stream
    SystemFile(10, L"$UpCase", 131072);
    FolderRecordAt(kExtendRecord, kRootRecord, L"$Extend");
    for (std::int64_t i = 12; i < 24; ++i) FreeRecord(i);
    SystemFile(24, L"$Quota", -1, kExtendRecord);
    SystemFile(25, L"$ObjId", -1, kExtendRecord);
    SystemFile(26, L"$Reparse", -1, kExtendRecord);
    for (std::int64_t i = 27; i < kFirstUserRecord; ++i) FreeRecord(i);

    folders_.push_back({kRootRecord, 0});
    std::int64_t i = kFirstUserRecord;
    for (const wchar_t* top : kTopFolders) {
      if (i >= n) break;
      FolderRecordAt(i, kRootRecord, top);
      folders_.push_back({i++, 1});
    }
    folders_.erase(folders_.begin());  // nothing but the top folders hangs under the root
    for (; i < n; ++i) {
      if (InFreeZone(i)) {
        DeletedRecord(i);
        continue;
      }
      const std::uint64_t roll = rng_() % 1000;
      if (roll < 15) {
        FreeRecord(i);
      } else if (roll < 75) {
        UserFolder(i);
      } else if (i + 1 < n && !InFreeZone(i + 1) && rng_() % 4000 == 0) {
        UserFile(i, true);
        ++i;
      } else {
        UserFile(i, false);
      }
    }
    writer_.Flush();
  }

  std::int64_t next_lcn() const { return next_lcn_; }

  // Record 0: $MFT with the run list of the MFT's extents and, when
  // bitmap_clusters is not 0, its $BITMAP at bitmap_lcn.
  RecordBuilder MftRecord(std::int64_t bitmap_lcn, std::int64_t bitmap_clusters) {
    const std::int64_t cluster = spec_.cluster_size;
    NonResidentDataSpec mft = DataSpec(0, spec_.records * spec_.record_size, {});
    for (const SyntheticExtent& e : summary_.mft_extents) {
      mft.runs.push_back({e.length / cluster, e.offset / cluster, false});
      mft.allocated_size += e.length;
    }
    RecordBuilder b = NewRecord(0);
    b.InUse().StandardInformation(record0_times_);
    b.FileName(NameSpec(kRootRecord, L"$MFT", kWin32AndDos));
    b.NonResidentData(mft);
    if (bitmap_clusters > 0) {
      const auto bytes = static_cast<std::int64_t>(writer_.in_use().size());
      b.NonResidentAttribute(0xB0, DataSpec(bitmap_clusters * cluster, bytes, {{bitmap_clusters, bitmap_lcn, false}}));
    }
    return b;
  }

 private:
  const SyntheticVolumeSpec& spec_;
  SyntheticVolumeSummary& summary_;
  MftWriter& writer_;
  std::mt19937_64 rng_;
  std::int64_t next_lcn_;
  std::vector<Folder> folders_;
  std::int64_t files_with_clusters_ = 0;
  StandardInformationSpec record0_times_;
};

std::vector<std::uint8_t> BootSector(const SyntheticVolumeSpec& spec, std::int64_t total_sectors, std::int64_t mft_lcn,
                                     std::int64_t mirror_lcn) {
  std::vector<std::uint8_t> s(kSectorSize, 0);
  s[0] = 0xEB;
  s[1] = 0x52;
  s[2] = 0x90;
  std::memcpy(&s[3], "NTFS    ", 8);
  PutLe(&s[11], kSectorSize, 2);
  PutLe(&s[13], spec.cluster_size / kSectorSize, 1);
  s[21] = 0xF8;  // fixed disk
  PutLe(&s[40], static_cast<std::uint64_t>(total_sectors), 8);
  PutLe(&s[48], static_cast<std::uint64_t>(mft_lcn), 8);
  PutLe(&s[56], static_cast<std::uint64_t>(mirror_lcn), 8);
  // Clusters per record: negative n means 2^n bytes.
  const int shift = std::countr_zero(spec.record_size);
  s[64] = spec.record_size >= spec.cluster_size ? static_cast<std::uint8_t>(spec.record_size / spec.cluster_size)
                                                : static_cast<std::uint8_t>(256 - shift);
  s[68] = 1;  // clusters per index record
  PutLe(&s[72], 0x5EED5EED5EED5EEDULL ^ spec.seed, 8);
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

}  // namespace

bool WriteSyntheticVolume(const std::string& path, const SyntheticVolumeSpec& spec, SyntheticVolumeSummary& summary,
                          std::string& error) {
  summary = SyntheticVolumeSummary{};
  const std::uint32_t cluster = spec.cluster_size;
  if (spec.records < kFirstUserRecord || spec.records > (std::int64_t{1} << 31) - 1 || cluster < kSectorSize ||
      (cluster & (cluster - 1)) != 0 || spec.record_size < 1024 || (spec.record_size & (spec.record_size - 1)) != 0 ||
      cluster % spec.record_size != 0) {
    error = "unsupported spec (records 64..2^31-1, record size 1024+ and a divisor of the cluster size)";
    return false;
  }
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file) {
    error = path + ": cannot create the file";
    return false;
  }
  try {
    // Layout in clusters: boot sector, the first eighth of the MFT, the
    // mirror, a gap, the rest of the MFT, then the data of every file.
    const std::int64_t per_cluster = cluster / spec.record_size;
    const std::int64_t mft_clusters = (spec.records + per_cluster - 1) / per_cluster;
    const std::int64_t first_part = std::max<std::int64_t>(1, mft_clusters / 8);
    const std::int64_t mft_lcn = 4;
    const std::int64_t mirror_lcn = mft_lcn + first_part;
    const std::int64_t second_lcn = mirror_lcn + 257;
    summary.records = spec.records;
    summary.mft_extents.push_back({mft_lcn * cluster, first_part * cluster});
    if (mft_clusters > first_part) {
      summary.mft_extents.push_back({second_lcn * cluster, (mft_clusters - first_part) * cluster});
    }
    MftWriter writer(file, spec.record_size, summary.mft_extents, spec.records);
    Generator generator(spec, summary, writer, second_lcn + mft_clusters - first_part + 16);
    generator.Generate();

    // The volume ends after the data with a tenth of free space; $Bitmap is
    // sized to it and the boot sector (and its backup in the last sector) declare it.
    std::int64_t clusters = generator.next_lcn();
    clusters += clusters / 10 + 1024;
    const std::int64_t bitmap_bytes = (clusters + 7) / 8;
    const std::int64_t bitmap_clusters = (bitmap_bytes + cluster - 1) / cluster;
    const std::int64_t bitmap_lcn = clusters;
    clusters += bitmap_clusters;
    {
      RecordBuilder b(spec.record_size);
      StandardInformationSpec times;
      times.attributes = 0x06;
      b.Number(6).InUse().StandardInformation(times);
      b.FileName(NameSpec(kRootRecord, L"$Bitmap", kWin32AndDos));
      b.NonResidentData(DataSpec(bitmap_clusters * cluster, bitmap_bytes, {{bitmap_clusters, bitmap_lcn, false}}));
      writer.Rewrite(6, b.Build());
      summary.total_size += bitmap_bytes - 4096;
    }
    // The MFT's bitmap after the volume's, and record 0 written again to name it.
    if (spec.mft_bitmap) {
      const std::int64_t bytes = static_cast<std::int64_t>(writer.in_use().size());
      const std::int64_t mft_bitmap_clusters = (bytes + cluster - 1) / cluster;
      const std::int64_t mft_bitmap_lcn = clusters;
      clusters += mft_bitmap_clusters;
      writer.WriteAt(mft_bitmap_lcn * cluster, writer.in_use().data(), writer.in_use().size());
      writer.Rewrite(0, generator.MftRecord(mft_bitmap_lcn, mft_bitmap_clusters).Build());
    }
    summary.volume_size = clusters * cluster;
    const std::int64_t total_sectors = summary.volume_size / kSectorSize - 1;  // the last sector holds the backup
    const std::vector<std::uint8_t> boot = BootSector(spec, total_sectors, mft_lcn, mirror_lcn);
    writer.WriteAt(0, boot.data(), boot.size());
    writer.WriteAt(summary.volume_size - kSectorSize, boot.data(), boot.size());
    file.close();
    if (!file) throw std::runtime_error("write failed");
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(summary.volume_size));
  } catch (const std::exception& e) {
    error = path + ": " + e.what();
    return false;
  }
  return true;
}

}  // namespace tw::build
