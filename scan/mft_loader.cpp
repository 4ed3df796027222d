#include "scan/mft_loader.h"

#include <algorithm>
#include <cstring>

#include "base/arithmetic.h"
#include "scan/mft_record.h"
#include "scan/ntfs_layout.h"
#include "scan/read_plan.h"

namespace tw {
namespace {

// a × b when it fits a non-negative int64.
bool MultiplyFits(std::int64_t a, std::int64_t b, std::int64_t& product) {
  return !__builtin_mul_overflow(a, b, &product) && product >= 0;
}

}  // namespace

namespace {

// The first unnamed attribute of `type` of a fixed-up record (non-resident
// only, when asked). Unlike the shared walk of the parsers, an overrun ends
// this one: nothing past a damaged attribute is taken for the MFT's own.
bool FindUnnamedAttribute(ByteSpan record, std::int32_t record_size, std::uint32_t type, bool non_resident_only,
                          ByteSpan& attribute) {
  if (record_size < static_cast<std::int32_t>(kRecordHeaderMinimum)) return false;
  const std::size_t size = static_cast<std::size_t>(record_size);
  if (record.size < size) return false;
  if (ReadU32(record, kRecordSignatureOffset) != kFileSignature) return false;
  std::size_t offset = ReadU16(record, kFirstAttributeOffsetField);
  if (offset >= size) return false;
  while (offset + 8 <= size) {
    const std::uint32_t at_type = ReadU32(record, offset + kAttrTypeField);
    if (at_type == kAttrEnd) break;
    const std::uint32_t length = ReadU32(record, offset + kAttrLengthField);
    if (length == 0 || (length & 0x80000000u) != 0) break;
    if (length > size - offset) break;  // an overrun ends the walk
    if (at_type == type && ReadU8(record, offset + kAttrNameLengthField) == 0 &&
        (!non_resident_only || ReadU8(record, offset + kAttrNonResidentField) != 0)) {
      attribute = record.Sub(offset, length);
      return true;
    }
    offset += length;
  }
  return false;
}

// Decodes the run list of a non-resident attribute. True when at least one
// run was produced.
bool DecodeRunList(ByteSpan attribute, std::vector<DataRun>& runs) {
  runs.clear();
  std::size_t pos = ReadU16(attribute, kAttrRunListOffsetField);
  const std::size_t end = attribute.size;
  std::int64_t vcn = 0;
  std::int64_t lcn = 0;
  while (pos < end) {
    const std::uint8_t header = attribute.data[pos];
    if (header == 0) break;
    const std::size_t length_bytes = header & kRunLengthWidthMask;
    const std::size_t delta_bytes = header >> kRunDeltaWidthShift;
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

}  // namespace

bool FindUnnamedDataAttribute(ByteSpan record, std::int32_t record_size, ByteSpan& attribute) {
  return FindUnnamedAttribute(record, record_size, kAttrData, true, attribute);
}

bool ParseDataRuns(ByteSpan record, std::int32_t record_size, std::vector<DataRun>& runs) {
  runs.clear();
  ByteSpan attribute;
  if (!FindUnnamedDataAttribute(record, record_size, attribute)) return false;
  return DecodeRunList(attribute, runs);
}

bool FindMftBitmap(ByteSpan record, std::int32_t record_size, MftBitmapAttribute& bitmap) {
  bitmap = MftBitmapAttribute();
  ByteSpan attribute;
  if (!FindUnnamedAttribute(record, record_size, kAttrBitmap, false, attribute)) return false;
  if (ReadU8(attribute, kAttrNonResidentField) == 0) {
    const std::size_t value = ReadU16(attribute, kAttrValueOffsetField);
    const std::size_t length = ReadU32(attribute, kAttrValueLengthField);
    if (!Fits(attribute, value, length)) return false;
    bitmap.value.assign(attribute.data + value, attribute.data + value + length);
    bitmap.resident = true;
  } else {
    if (attribute.size < kNonResidentHeaderMinimum) return false;
    // Only the extent that starts the attribute carries its sizes.
    if (ReadI64(attribute, kAttrLowestVcnField) != 0) return false;
    const std::int64_t data = ReadI64(attribute, kAttrDataSizeField);
    const std::int64_t valid = ReadI64(attribute, kAttrValidSizeField);
    if (data < 0 || valid < 0 || !DecodeRunList(attribute, bitmap.runs)) return false;
    bitmap.valid_bytes = std::min(data, valid);
  }
  bitmap.found = true;
  return true;
}

bool ReadMftBitmap(RawVolume& volume, const MftBitmapAttribute& bitmap, std::int64_t cluster_size, std::int64_t bytes,
                   std::vector<std::uint8_t>& bits) {
  bits.clear();
  if (!bitmap.found || bytes <= 0) return false;
  if (bitmap.resident) {
    if (static_cast<std::uint64_t>(bitmap.value.size()) < static_cast<std::uint64_t>(bytes)) return false;
    bits.assign(bitmap.value.begin(), bitmap.value.begin() + bytes);
    return true;
  }
  if (bitmap.valid_bytes < bytes) return false;
  std::vector<RunPlacement> placements;
  if (!PlaceRuns(bitmap.runs, cluster_size, bytes, placements)) return false;
  std::sort(placements.begin(), placements.end(),
            [](const RunPlacement& a, const RunPlacement& b) { return a.image_offset < b.image_offset; });
  // Every byte must come from the volume: a sparse or missing run would read
  // as records not in use, and those would never be read.
  std::int64_t covered = 0;
  for (const RunPlacement& p : placements) {
    if (p.image_offset != covered) return false;
    covered += p.length;
  }
  if (covered != bytes) return false;
  bits.resize(static_cast<std::size_t>(bytes));
  for (const RunPlacement& p : placements) {
    if (!volume.ReadAt(p.volume_offset, bits.data() + p.image_offset, static_cast<std::size_t>(p.length))) {
      bits.clear();
      return false;
    }
  }
  return true;
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

namespace {

// The placement whose image range ends after image_offset: the first one that
// may hold it (placements are in image order and do not overlap).
std::vector<RunPlacement>::const_iterator FirstPlacementAfter(const std::vector<RunPlacement>& placements,
                                                              std::int64_t image_offset) {
  return std::upper_bound(placements.begin(), placements.end(), image_offset,
                          [](std::int64_t at, const RunPlacement& p) { return at < p.image_offset + p.length; });
}

// Reads image bytes [begin, end) into destination (which stands for begin):
// every placed part is read; what no placement covers is left as it is.
bool ReadImageRange(RawVolume& volume, const std::vector<RunPlacement>& placements, std::int64_t begin,
                    std::int64_t end, std::uint8_t* destination, std::int64_t& bytes_read) {
  for (auto p = FirstPlacementAfter(placements, begin); p != placements.end() && p->image_offset < end; ++p) {
    const std::int64_t from = std::max(begin, p->image_offset);
    const std::int64_t to = std::min(end, p->image_offset + p->length);
    if (!volume.ReadAt(p->volume_offset + (from - p->image_offset), destination + (from - begin),
                       static_cast<std::size_t>(to - from))) {
      return false;
    }
    bytes_read += to - from;
  }
  return true;
}

void AddUnreadable(std::vector<ByteRange>& ranges, std::int64_t offset, std::int64_t length) {
  if (!ranges.empty() && ranges.back().offset + ranges.back().length == offset) {
    ranges.back().length += length;
  } else {
    ranges.push_back(ByteRange{offset, length});
  }
}

}  // namespace

std::vector<RunPlacement> PlanReads(const std::vector<RunPlacement>& placements, std::int64_t begin,
                                    std::int64_t end) {
  std::vector<RunPlacement> reads;
  for (auto p = FirstPlacementAfter(placements, begin); p != placements.end() && p->image_offset < end; ++p) {
    const std::int64_t from = std::max(begin, p->image_offset);
    const std::int64_t to = std::min(end, p->image_offset + p->length);
    reads.push_back(RunPlacement{p->volume_offset + (from - p->image_offset), from, to - from});
  }
  return reads;
}

bool ReadMftLayout(RawVolume& volume, MftLayout& layout, bool read_bitmap) {
  layout = MftLayout();
  if (!volume.IsOpen()) return false;
  NtfsVolumeData data;
  if (!volume.QueryVolumeData(data)) return false;
  // Checked before anything is read: the sizes come straight from disk.
  if (!VolumeDataIsSane(data)) return false;
  const std::int64_t cluster = data.bytes_per_cluster;
  const std::int64_t mft_offset = cluster * data.mft_start_lcn;

  std::vector<std::uint8_t> record(data.bytes_per_record);
  if (!volume.ReadAt(mft_offset, record.data(), record.size())) return false;
  ApplyFixups(MutableSpan{record.data(), record.size()});  // a mismatch leaves the copy as it was
  const auto record_size = static_cast<std::int32_t>(data.bytes_per_record);
  std::vector<DataRun> runs;
  const bool found = ParseDataRuns(ByteSpan(record.data(), record.size()), record_size, runs);

  layout.record_size = record_size;
  layout.mft_bytes = data.mft_valid_data_length;
  layout.volume_serial = data.volume_serial;
  // The trailing partial record is dropped; more records than 32 bits count
  // (only a corrupt geometry claims them) are cut.
  layout.record_count = std::min<std::int64_t>(data.mft_valid_data_length / record_size, kMaxScanRecords);
  if (!found || !PlaceRuns(runs, cluster, data.mft_valid_data_length, layout.placements)) {
    // No usable run list: the MFT is read as one range from record 0.
    layout.placements.assign(1, RunPlacement{mft_offset, 0, data.mft_valid_data_length});
  }
  std::sort(layout.placements.begin(), layout.placements.end(),
            [](const RunPlacement& a, const RunPlacement& b) { return a.image_offset < b.image_offset; });
  layout.cluster_size = static_cast<std::int32_t>(cluster);

  // The bitmap only plans the reads: without a usable one every record is read.
  MftBitmapAttribute bitmap;
  if (read_bitmap && layout.record_count > 0 &&
      FindMftBitmap(ByteSpan(record.data(), record.size()), record_size, bitmap)) {
    const std::int64_t bytes = (layout.record_count + 7) / 8;
    if (!ReadMftBitmap(volume, bitmap, cluster, bytes, layout.in_use) ||
        !BitmapCoversRecords(layout.in_use, layout.record_count)) {
      layout.in_use.clear();
    }
  }
  return true;
}

std::int64_t ReadMftWindow(RawVolume& volume, const MftLayout& layout, std::int64_t first, std::int64_t count,
                           std::uint8_t* buffer, std::vector<ByteRange>& unreadable, std::int64_t* bytes_read) {
  std::int64_t ignored = 0;
  std::int64_t& counted = bytes_read != nullptr ? *bytes_read : ignored;
  const std::int64_t size = layout.record_size;
  const std::int64_t begin = first * size;
  const std::int64_t end = (first + count) * size;
  const std::vector<RunPlacement> reads = PlanReads(layout.placements, begin, end);
  // A window wholly past the end of the source (an MFT claimed larger than
  // the source holds) is lost without a read; its buffer is left as it is.
  const std::int64_t source = volume.SourceBytes();
  if (source > 0 && !reads.empty() &&
      std::all_of(reads.begin(), reads.end(), [&](const RunPlacement& r) { return r.volume_offset >= source; })) {
    for (const RunPlacement& read : reads) AddUnreadable(unreadable, read.volume_offset, read.length);
    return count;
  }
  // Zeros where no run lies (sparse runs, a run list shorter than the MFT).
  std::int64_t covered = begin;
  for (const RunPlacement& read : reads) {
    if (read.image_offset > covered) {
      std::memset(buffer + (covered - begin), 0, static_cast<std::size_t>(read.image_offset - covered));
    }
    covered = read.image_offset + read.length;
  }
  if (covered < end) std::memset(buffer + (covered - begin), 0, static_cast<std::size_t>(end - covered));

  if (ReadImageRange(volume, layout.placements, begin, end, buffer, counted)) return 0;
  // Something could not be read: record by record, so that only the records
  // that cannot be read are lost. Such a record is left zero, which parses as
  // nothing.
  std::int64_t lost = 0;
  for (std::int64_t n = 0; n < count; ++n) {
    const std::int64_t at = begin + n * size;
    std::uint8_t* record = buffer + n * size;
    if (ReadImageRange(volume, layout.placements, at, at + size, record, counted)) continue;
    std::memset(record, 0, static_cast<std::size_t>(size));
    ++lost;
    for (const RunPlacement& read : PlanReads(layout.placements, at, at + size)) {
      AddUnreadable(unreadable, read.volume_offset, read.length);
    }
  }
  return lost;
}

MappedView MapMftWindow(RawVolume& volume, const MftLayout& layout, std::int64_t first, std::int64_t count,
                        std::int64_t* bytes_read) {
  const std::int64_t size = layout.record_size;
  if (size <= 0 || first < 0 || count <= 0) return {};
  const std::int64_t begin = first * size;
  const std::int64_t end = (first + count) * size;
  const auto p = FirstPlacementAfter(layout.placements, begin);
  if (p == layout.placements.end() || p->image_offset > begin || p->image_offset + p->length < end) return {};
  MappedView view = volume.MapCached(p->volume_offset + (begin - p->image_offset), static_cast<std::size_t>(end - begin));
  if (view && bytes_read != nullptr) *bytes_read += end - begin;
  return view;
}

}  // namespace tw
