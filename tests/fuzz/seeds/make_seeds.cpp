// Writes the seed corpora of the fuzz targets: records, MFT images and whole
// small volumes made with the record builder, and records cut from the
// project's real test volumes (unpacked images given on the command line).
//
//   fuzz_seeds CORPUS_DIR [IMAGE...]
//
// Every file is named after what it holds; rerunning overwrites them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ntfsbuild/record_builder.h"
#include "scan/mft_loader.h"
#include "scan/raw_volume.h"
#include "support/mft_image.h"

namespace {

using namespace tw::build;
using Bytes = std::vector<std::uint8_t>;

std::filesystem::path g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  const std::filesystem::path dir = g_root / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLe(Bytes& b, std::size_t at, std::uint64_t v, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

RecordBuilder Folder(std::size_t size, std::uint32_t id, std::int64_t parent, const std::wstring& name) {
  return RecordBuilder(size)
      .Number(id)
      .InUse()
      .Directory()
      .StandardInformation({.read = 1, .attributes = 0x10})
      .FileName({.parent = parent, .name = name, .flags = kNameDirectoryFlag});
}

RecordBuilder File(std::size_t size, std::uint32_t id, std::int64_t parent, const std::wstring& name,
                   std::uint32_t bytes) {
  return RecordBuilder(size)
      .Number(id)
      .InUse()
      .StandardInformation({.read = 2, .attributes = 0x20})
      .FileName({.parent = parent, .name = name, .real_size = bytes})
      .ResidentData(bytes);
}

NonResidentDataSpec Stream(std::int64_t size, std::vector<Run> runs) {
  NonResidentDataSpec spec;
  spec.data_size = size;
  spec.allocated_size = (size + 4095) / 4096 * 4096;
  spec.runs = std::move(runs);
  return spec;
}

// A small tree: root, two folders, files, a file whose name and data sit in
// extension records named by its attribute list, and a loose extension record.
MftImage SmallTree(std::size_t size, std::int64_t records) {
  MftImage mft(size);
  mft.Put(5, Folder(size, 5, 5, L".").Build());
  mft.Put(11, Folder(size, 11, 5, L"$Extend").Excluded().Build());
  mft.Put(16, Folder(size, 16, 5, L"docs").Build());
  mft.Put(17, Folder(size, 17, 16, L"old").Build());
  mft.Put(18, File(size, 18, 5, L"a.txt", 100).Build());
  mft.Put(19, File(size, 19, 16, L"b.tar.gz", 200).Build());
  mft.Put(20, RecordBuilder(size)
                  .Number(20)
                  .InUse()
                  .FileName({.parent = 17, .name = L"BIG~1", .name_space = kDos})
                  .FileName({.parent = 17, .name = L"big stream.bin", .name_space = kWin32})
                  .NonResidentData(Stream(70000, {{9, 30}, {4, 0, true}, {5, 12}}))
                  .Build());
  mft.Put(21, RecordBuilder(size).Number(21).InUse().AttributeList({Listed(0x30, 22), Listed(0x80, 23)}).Build());
  mft.Put(
      22,
      RecordBuilder(size).Number(22).InUse().BaseRecord(21).FileName({.parent = 16, .name = L"listed.dat"}).Build());
  mft.Put(
      23,
      RecordBuilder(size).Number(23).InUse().BaseRecord(21).NonResidentData(Stream(123456789, {{100, 40}})).Build());
  mft.Put(24, RecordBuilder(size)
                  .Number(24)
                  .InUse()
                  .FileName({.parent = 5, .name = L"grown.log", .real_size = 10})
                  .ResidentData(10)
                  .Build());
  mft.Put(25,
          RecordBuilder(size).Number(25).InUse().BaseRecord(24).NonResidentData(Stream(5000000, {{2, 50}})).Build());
  mft.Put(26, Folder(size, 26, 27, L"loop a").Build());
  mft.Put(27, Folder(size, 27, 26, L"loop b").Build());
  mft.Reserve(records);
  return mft;
}

// Lays an MFT out on a volume of 512-byte sectors and clusters, in the given
// fragments (cluster counts, in MFT order) starting at the given clusters,
// with record 0 replaced by one whose run list says so.
Bytes Volume(MftImage mft, const std::vector<std::pair<std::int64_t, std::int64_t>>& fragments) {
  const std::int64_t cluster = 512;
  const std::size_t size = mft.record_size();
  const auto length = static_cast<std::int64_t>(mft.bytes().size());
  std::vector<Run> runs;
  std::int64_t end = 0;
  for (const auto& [count, lcn] : fragments) {
    runs.push_back({count, lcn});
    end = std::max(end, lcn + count);
  }
  NonResidentDataSpec data = Stream(length, runs);
  data.allocated_size = length;
  mft.Put(0, RecordBuilder(size)
                 .Number(0)
                 .InUse()
                 .StandardInformation({.attributes = 6})
                 .FileName({.parent = 5, .name = L"$MFT"})
                 .NonResidentData(data)
                 .Build());
  Bytes volume(static_cast<std::size_t>((end + 1) * cluster), 0);
  std::memcpy(volume.data() + 3, "NTFS    ", 8);
  PutLe(volume, 11, 512, 2);
  volume[13] = 1;
  volume[64] = static_cast<std::uint8_t>(-static_cast<std::int8_t>(__builtin_ctzll(size)));
  PutLe(volume, 40, volume.size() / 512, 8);
  PutLe(volume, 48, static_cast<std::uint64_t>(fragments.front().second), 8);
  volume[510] = 0x55;
  volume[511] = 0xAA;
  std::int64_t at = 0;
  for (const auto& [count, lcn] : fragments) {
    std::memcpy(volume.data() + lcn * cluster, mft.bytes().data() + at * cluster,
                static_cast<std::size_t>(count * cluster));
    at += count;
  }
  return volume;
}

void BuiltSeeds() {
  const std::size_t k = 1024;
  // Records, one at a time and as small images for the attribute-list walk.
  Write("fuzz_record", "file", File(k, 18, 5, L"a.txt", 100).Build());
  Write("fuzz_record", "folder", Folder(k, 16, 5, L"docs").Build());
  Write("fuzz_record", "root", Folder(k, 5, 5, L".").FileName({.parent = 5, .name = L"..", .flags = 0x10}).Build());
  Write("fuzz_record", "nameless_folder", RecordBuilder(k).Number(40).InUse().Directory().Build());
  Write("fuzz_record", "names_in_every_space",
        RecordBuilder(k)
            .Number(41)
            .InUse()
            .FileName({.name = L"A~1", .name_space = kDos})
            .FileName({.name = L"posix", .name_space = kPosix})
            .FileName({.name = L"Long Name", .name_space = kWin32})
            .NonResidentData(Stream(9000, {{3, 100}}))
            .Build());
  Write("fuzz_record", "record_512", File(512, 18, 5, L"small.txt", 7).Build());
  Write("fuzz_record", "record_4096", File(4096, 18, 5, L"wide.txt", 3000).Build());
  Write("fuzz_record", "damaged_lengths",
        RecordBuilder(k)
            .Number(42)
            .InUse()
            .FileName({.name = L"x"})
            .WithLength(4000)
            .FileName({.name = L"y"})
            .ResidentData(10)
            .WithValueOffset(1000)
            .Build());
  Write("fuzz_record", "torn_sector", File(k, 43, 5, L"torn", 600).CorruptSectorEnd(1).Build());
  MftImage listed(k);
  listed.Put(0, RecordBuilder(k).Number(40).InUse().AttributeList({Listed(0x30, 1), Listed(0x80, 2)}).Build());
  listed.Put(1, RecordBuilder(k).Number(41).InUse().BaseRecord(40).FileName({.name = L"listed.dat"}).Build());
  listed.Put(2,
             RecordBuilder(k).Number(42).InUse().BaseRecord(40).NonResidentData(Stream(1 << 20, {{256, 9}})).Build());
  Write("fuzz_record", "attribute_list_image", listed.bytes());
  Write("fuzz_overflow", "attribute_list_image", listed.bytes());

  // Run lists of record 0.
  auto record0 = [&](std::vector<Run> runs, std::int64_t size) {
    NonResidentDataSpec data = Stream(size, std::move(runs));
    return RecordBuilder(k).Number(0).InUse().FileName({.name = L"$MFT"}).NonResidentData(data).Build();
  };
  Write("fuzz_data_runs", "one_run", record0({{16, 4}}, 65536));
  Write("fuzz_data_runs", "fragments", record0({{4, 100}, {8, 20}, {2, 0, true}, {6, 70000}}, 81920));
  Write("fuzz_data_runs", "wide_fields", record0({{0x123456789, 0x7FFFFFFFFF}, {1, 3}}, 4096));
  Write("fuzz_data_runs", "record_4096",
        RecordBuilder(4096).Number(0).InUse().NonResidentData(Stream(1 << 16, {{16, 8}})).Build());

  // The overflow pass over a whole small MFT.
  Write("fuzz_overflow", "small_tree", SmallTree(k, 32).bytes());
  Write("fuzz_overflow", "small_tree_512", SmallTree(512, 32).bytes());

  // Whole volumes.
  Write("fuzz_volume", "contiguous", Volume(SmallTree(k, 32), {{64, 2}}));
  Write("fuzz_volume", "fragmented", Volume(SmallTree(k, 32), {{16, 70}, {32, 3}, {16, 40}}));
  Write("fuzz_volume", "records_512", Volume(SmallTree(512, 32), {{32, 4}}));
  Write("fuzz_volume", "records_4096", Volume(SmallTree(4096, 28), {{224, 8}}));
}

// Seeds cut from a real volume: single records, record 0 and, for the volume
// target, its first records laid out on a small volume.
void RealSeeds(const std::string& path) {
  const std::string name = std::filesystem::path(path).stem().stem().string();
  auto volume = tw::OpenSourceVolume(path, 0);
  Bytes image;
  std::int32_t size = 0;
  if (!volume || !tw::test::ReadMftBytes(*volume, image, size)) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    return;
  }
  const auto k = static_cast<std::size_t>(size);
  const std::size_t count = image.size() / k;
  auto record = [&](std::size_t n) { return Bytes(image.begin() + n * k, image.begin() + (n + 1) * k); };
  Write("fuzz_data_runs", name + "_record0", record(0));
  if (name != "tree" && name != "records4k") return;
  for (const std::size_t n : {5, 11, 64, 70, 100}) {
    if (n < count) Write("fuzz_record", name + "_record" + std::to_string(n), record(n));
  }
  // The first 72 records (system files and the first user files); the corpora
  // stay small, so only for the volume of 1 KiB records.
  if (k != 1024) return;
  const std::size_t first = std::min<std::size_t>(count, 72);
  MftImage head(k);
  for (std::size_t n = 1; n < first; ++n) head.Put(static_cast<std::int64_t>(n), record(n));
  Write("fuzz_overflow", name + "_head", Bytes(image.begin(), image.begin() + first * k));
  const auto clusters = static_cast<std::int64_t>(first * k / 512);
  Write("fuzz_volume", name + "_head", Volume(head, {{clusters, 2}}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [IMAGE...]\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  BuiltSeeds();
  for (int i = 2; i < argc; ++i) RealSeeds(argv[i]);
  return 0;
}
