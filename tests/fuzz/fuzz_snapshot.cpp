// Reading a saved scan: any bytes either fail with a reason or give a result
// every view can walk (each folder's path, name, children and files), which
// saves and reads back to itself.
//
// An input starting with "RAW" holds the seven sections uncompressed instead
// (each a u32 length, little-endian, then its bytes): they are packed with
// correct checksums here, so that the fuzzer reaches the section readers and
// the tree checks rather than stopping at a checksum.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "store/snapshot.h"

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> Packed(const std::uint8_t* data, std::size_t size) {
  static const char* const kTags[] = {"META", "FOLD", "CHLD", "FILE", "NAME", "EXTS", "LARG"};
  std::vector<std::uint8_t> file = {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n'};
  Put(file, tw::kSnapshotVersion, 4);
  Put(file, 7, 4);
  std::size_t at = 3;
  for (const char* tag : kTags) {
    std::uint32_t length = 0;
    if (at + 4 <= size) std::memcpy(&length, data + at, 4);
    at = std::min(at + 4, size);
    length = static_cast<std::uint32_t>(std::min<std::size_t>(length, size - at));
    uLongf packed_size = compressBound(length);
    std::vector<std::uint8_t> packed(packed_size);
    compress2(packed.data(), &packed_size, data + at, length, 1);
    file.insert(file.end(), tag, tag + 4);
    Put(file, length, 8);
    Put(file, packed_size, 8);
    Put(file, crc32_z(0L, data + at, length), 4);
    file.insert(file.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed_size));
    at += length;
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  ScanResult result;
  SnapshotError error;
  std::vector<std::uint8_t> packed;
  std::span<const std::uint8_t> input(data, size);
  if (size >= 3 && std::memcmp(data, "RAW", 3) == 0) {
    packed = Packed(data, size);
    input = packed;
  }
  if (!DecodeSnapshot(input, result, error)) {
    TW_FUZZ_CHECK(error.problem != SnapshotProblem::kNone && !error.detail.empty());
    TW_FUZZ_CHECK(result.folders.empty() && result.files.empty());
    return 0;
  }
  std::size_t files = 0;
  for (const DirNode& folder : result.folders) {
    TW_FUZZ_CHECK(BuildFolderPath(result, folder.id, result.drive).size() <= kMaxPathLength + 3);
    TW_FUZZ_CHECK(result.Name(folder).size() == folder.name.length);
    for (const std::int64_t child : result.Children(folder)) TW_FUZZ_CHECK(result.FindFolder(child) != nullptr);
    for (const FileItem& file : result.Files(folder)) {
      TW_FUZZ_CHECK(result.Name(file).size() == file.name_length);
      TW_FUZZ_CHECK(result.FindFolder(result.FolderId(file)) == &folder);
      result.Extension(file);
      ++files;
    }
  }
  TW_FUZZ_CHECK(files == result.files.size());
  ScanResult again;
  TW_FUZZ_CHECK(DecodeSnapshot(EncodeSnapshot(result), again, error));
  TW_FUZZ_CHECK(EncodeSnapshot(again) == EncodeSnapshot(result));
  return 0;
}
