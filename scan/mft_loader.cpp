#include "scan/mft_loader.h"

#include <type_traits>

#include "base/arithmetic.h"
#include "scan/memory_size.h"
#include "scan/mft_record.h"

namespace tw {
namespace {

// File record header.
constexpr std::size_t kRecordHeaderMin = 24;
constexpr std::size_t kFirstAttributeOffset = 20;  // u16

// Attribute header.
constexpr std::uint32_t kTypeData = 0x80;
constexpr std::uint32_t kTypeEnd = 0xFFFFFFFF;
constexpr std::size_t kAttrType = 0;            // u32
constexpr std::size_t kAttrLength = 4;          // u32
constexpr std::size_t kAttrNonResident = 8;     // u8
constexpr std::size_t kAttrNameLength = 9;      // u8
constexpr std::size_t kAttrRunListOffset = 32;  // u16, non-resident only

// a × b when it fits a non-negative int64.
bool MultiplyFits(std::int64_t a, std::int64_t b, std::int64_t& product) {
  return !__builtin_mul_overflow(a, b, &product) && product >= 0;
}

}  // namespace

bool FindUnnamedDataAttribute(ByteSpan record, std::int32_t record_size, ByteSpan& attribute) {
  if (record_size < static_cast<std::int32_t>(kRecordHeaderMin)) return false;
  const std::size_t size = static_cast<std::size_t>(record_size);
  if (record.size < size) return false;
  if (record.data[0] != 'F' || record.data[1] != 'I' || record.data[2] != 'L' || record.data[3] != 'E') {
    return false;
  }
  std::size_t offset = ReadU16(record, kFirstAttributeOffset);
  if (offset >= size) return false;
  while (offset + 8 <= size) {
    const std::uint32_t type = ReadU32(record, offset + kAttrType);
    if (type == kTypeEnd) break;
    const std::uint32_t length = ReadU32(record, offset + kAttrLength);
    if (length == 0 || (length & 0x80000000u) != 0) break;
    if (length > size - offset) break;  // an overrun ends the walk
    if (type == kTypeData && ReadU8(record, offset + kAttrNameLength) == 0 &&
        ReadU8(record, offset + kAttrNonResident) != 0) {
      attribute = record.Sub(offset, length);
      return true;
    }
    offset += length;
  }
  return false;
}

bool ParseDataRuns(ByteSpan record, std::int32_t record_size, std::vector<DataRun>& runs) {
  runs.clear();
  ByteSpan attribute;
  if (!FindUnnamedDataAttribute(record, record_size, attribute)) return false;
  std::size_t pos = ReadU16(attribute, kAttrRunListOffset);
  const std::size_t end = attribute.size;
  std::int64_t vcn = 0;
  std::int64_t lcn = 0;
  while (pos < end) {
    const std::uint8_t header = attribute.data[pos];
    if (header == 0) break;
    const std::size_t length_bytes = header & 0x0F;
    const std::size_t delta_bytes = header >> 4;
    if (length_bytes == 0) break;
    // Fields wider than 8 bytes cannot be held; the list is corrupt from here.
    if (length_bytes > 8 || delta_bytes > 8) break;
    if (1 + length_bytes + delta_bytes > end - pos) break;
    const std::uint64_t raw_length = ReadUnsigned(attribute, pos + 1, length_bytes);
    if (raw_length > static_cast<std::uint64_t>(INT64_MAX)) break;
    const auto length = static_cast<std::int64_t>(raw_length);
    std::int64_t run_lcn = -1;
    if (delta_bytes > 0) {
      const std::int64_t delta = ReadSignedVar(attribute, pos + 1 + length_bytes, delta_bytes);
      if (__builtin_add_overflow(lcn, delta, &lcn)) break;
      run_lcn = lcn;
    }
    if (length > 0) runs.push_back(DataRun{vcn, run_lcn, length});
    if (__builtin_add_overflow(vcn, length, &vcn)) break;
    pos += 1 + length_bytes + delta_bytes;
  }
  return !runs.empty();
}

bool PlaceRuns(const std::vector<DataRun>& runs, std::int64_t cluster_size, std::int64_t image_size,
               std::vector<RunPlacement>& placements) {
  placements.clear();
  for (const DataRun& run : runs) {
    if (run.lcn < 0) continue;  // sparse: its part of the image stays zero
    std::int64_t position = 0;
    if (run.vcn < 0 || !MultiplyFits(cluster_size, run.vcn, position) || position >= image_size) continue;
    std::int64_t count = 0;
    if (run.length <= 0) continue;
    if (!MultiplyFits(cluster_size, run.length, count) || count > image_size - position) {
      count = image_size - position;
    }
    if (count <= 0) continue;
    std::int64_t volume_offset = 0;
    if (!MultiplyFits(cluster_size, run.lcn, volume_offset)) return false;
    placements.push_back(RunPlacement{volume_offset, position, count});
  }
  return true;
}

bool VolumeDataIsSane(const NtfsVolumeData& data) {
  if (!IsPowerOfTwo(data.bytes_per_cluster) || data.bytes_per_cluster < kMinClusterSize ||
      data.bytes_per_cluster > kMaxClusterSize) {
    return false;
  }
  if (!IsPowerOfTwo(data.bytes_per_record) || data.bytes_per_record < kMinRecordSize ||
      data.bytes_per_record > kMaxRecordSize) {
    return false;
  }
  if (data.mft_valid_data_length <= 0 || data.volume_size < 0) return false;
  if (data.mft_valid_data_length > kMaxMftRecords * data.bytes_per_record) return false;
  if (data.volume_size > 0 && data.mft_valid_data_length > data.volume_size) return false;
  std::int64_t mft_offset = 0;
  if (data.mft_start_lcn < 0 || !MultiplyFits(data.bytes_per_cluster, data.mft_start_lcn, mft_offset)) {
    return false;
  }
  if (data.volume_size > 0 && mft_offset > data.volume_size - data.bytes_per_record) return false;
  return true;
}

bool MftFitsInMemory(std::int64_t mft_length, std::int64_t memory_bytes) {
  return memory_bytes <= 0 || mft_length <= memory_bytes;
}

namespace {

// The load, for either kind of image: make(length) turns the image into
// exactly length zero bytes.
template <typename Image, typename Make>
bool LoadMft(RawVolume& volume, Image& image, Make make, std::int32_t& record_size) {
  image = Image();
  if (!volume.IsOpen()) return false;
  NtfsVolumeData data;
  if (!volume.QueryVolumeData(data)) return false;
  record_size = static_cast<std::int32_t>(data.bytes_per_record);
  // Checked before anything is allocated: the sizes come straight from disk.
  if (!VolumeDataIsSane(data) || !MftFitsInMemory(data.mft_valid_data_length, PhysicalMemoryBytes())) return false;
  const std::int64_t cluster = data.bytes_per_cluster;
  const std::int64_t mft_offset = cluster * data.mft_start_lcn;

  std::vector<std::uint8_t> record(data.bytes_per_record);
  if (!volume.ReadAt(mft_offset, record.data(), record.size())) return false;
  ApplyFixups(MutableSpan{record.data(), record.size()});  // a mismatch leaves the copy as it was
  std::vector<DataRun> runs;
  const bool found = ParseDataRuns(ByteSpan(record.data(), record.size()), record_size, runs);

  make(image, static_cast<std::size_t>(data.mft_valid_data_length));
  std::vector<RunPlacement> placements;
  if (found && PlaceRuns(runs, cluster, static_cast<std::int64_t>(image.size()), placements)) {
    bool placed = true;
    for (const RunPlacement& p : placements) {
      std::uint8_t* destination = image.data() + p.image_offset;
      const auto length = static_cast<std::size_t>(p.length);
      // An image buffer may take whole pages of the source mapped in place
      // of a read: a run of whole pages, or the one that ends the image
      // (the rest of its last page lies past the image).
      if constexpr (std::is_same_v<Image, ImageBuffer>) {
        const std::size_t page = ImageBuffer::MapGranule();
        const bool last = p.image_offset + p.length == static_cast<std::int64_t>(image.size());
        if (page != 0 && (length % page == 0 || last) && volume.MapAt(p.volume_offset, destination, length)) continue;
      }
      if (!volume.ReadAt(p.volume_offset, destination, length)) {
        placed = false;
        break;
      }
    }
    if (placed) return true;
  }
  // No usable run list: the MFT is read as one range from record 0, which
  // overwrites whatever the failed run reads left behind (into fresh memory:
  // mapped runs are read-only).
  if constexpr (std::is_same_v<Image, ImageBuffer>) make(image, static_cast<std::size_t>(data.mft_valid_data_length));
  if (volume.ReadAt(mft_offset, image.data(), image.size())) return true;
  image = Image();
  return false;
}

}  // namespace

bool ReadMft(RawVolume& volume, ImageBuffer& image, std::int32_t& record_size) {
  // A fresh buffer is zero already: the reads are the first writes.
  return LoadMft(
      volume, image, [](ImageBuffer& b, std::size_t n) { b = ImageBuffer(n); }, record_size);
}

}  // namespace tw
