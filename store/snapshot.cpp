#include "store/snapshot.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "store/snapshot_check.h"
#include "store/snapshot_codec.h"
#include "store/snapshot_inflate.h"

namespace tw {
namespace {

using snapshot::Bytes;
using snapshot::PutFixed32;
using snapshot::PutFixed64;
using snapshot::PutSigned;
using snapshot::PutVarint;
using snapshot::Reader;

constexpr std::uint8_t kMagic[kSnapshotMagicSize] = {'T', 'W', 'S', 'N', 'A', 'P', 0x1A, '\n'};

constexpr std::uint32_t Tag(const char (&t)[5]) {
  return static_cast<std::uint32_t>(t[0]) | static_cast<std::uint32_t>(t[1]) << 8 |
         static_cast<std::uint32_t>(t[2]) << 16 | static_cast<std::uint32_t>(t[3]) << 24;
}
constexpr std::uint32_t kMeta = Tag("META");
constexpr std::uint32_t kFolders = Tag("FOLD");
constexpr std::uint32_t kChildren = Tag("CHLD");
constexpr std::uint32_t kFiles = Tag("FILE");
constexpr std::uint32_t kNames = Tag("NAME");
constexpr std::uint32_t kExtensions = Tag("EXTS");
constexpr std::uint32_t kLargest = Tag("LARG");
constexpr std::uint32_t kSectionOrder[] = {kMeta, kFolders, kChildren, kFiles, kNames, kExtensions, kLargest};
constexpr std::size_t kSectionHeaderSize = 4 + 8 + 8 + 4;
// zlib never packs better than about 1032 to 1: a section claiming more is
// damaged, and believing it would only allocate.
constexpr std::uint64_t kMaxRatio = 1100;

// Differences wrap instead of overflowing: a damaged file may hold any
// pair of numbers, and the round trip of any value stays exact.
std::int64_t Minus(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}
std::int64_t Plus(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

void PutUnits(Bytes& out, std::wstring_view text) {
  PutVarint(out, text.size());
  for (const wchar_t c : text) PutVarint(out, static_cast<std::uint16_t>(c));
}

// A signed number the result holds in 32 bits: one outside them is damage.
std::int32_t Signed32(Reader& in) {
  const std::int64_t v = in.Signed();
  if (v < INT32_MIN || v > INT32_MAX) in.Fail();
  return in.failed() ? 0 : static_cast<std::int32_t>(v);
}

std::wstring GetUnits(Reader& in) {
  const std::size_t n = in.Count(1);
  std::wstring text;
  text.reserve(n);
  for (std::size_t i = 0; i < n && !in.failed(); ++i) {
    const std::uint64_t unit = in.Varint();
    if (unit > 0xFFFF) return {};
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

// ---- Sections, written ------------------------------------------------------

Bytes MetaSection(const ScanResult& r) {
  Bytes out;
  PutUnits(out, r.drive);
  PutSigned(out, r.scanned_at);
  PutFixed64(out, r.volume_serial);
  PutFixed64(out, std::bit_cast<std::uint64_t>(r.elapsed_seconds));
  PutSigned(out, r.root_id);
  PutSigned(out, r.file_count);
  PutSigned(out, r.folder_count);
  PutSigned(out, r.root_total_size);
  PutSigned(out, r.unreadable_records);
  PutVarint(out, r.unreadable_ranges.size());
  for (const ByteRange& range : r.unreadable_ranges) {
    PutSigned(out, range.offset);
    PutSigned(out, range.length);
  }
  return out;
}

Bytes FolderSection(const ScanResult& r) {
  Bytes out;
  PutVarint(out, r.folders.size());
  std::int64_t id = 0;
  for (const DirNode& f : r.folders) {
    PutSigned(out, Minus(f.id, id));
    id = f.id;
    PutSigned(out, f.parent_id);
    PutSigned(out, f.tree_parent_id);
    PutSigned(out, f.total_size);
    PutSigned(out, f.total_alloc);
    PutSigned(out, f.direct_size);
    PutSigned(out, f.direct_alloc);
    PutSigned(out, f.mtime);
    PutVarint(out, f.attributes);
    PutSigned(out, f.direct_file_count);
    PutSigned(out, f.total_file_count);
    PutSigned(out, f.total_folder_count);
    PutVarint(out, r.names.PackedOffset(f.name.offset));
    PutVarint(out, f.name.length);
    PutVarint(out, f.first_child);
    PutVarint(out, f.child_count);
    PutVarint(out, f.first_file);
    PutVarint(out, f.file_count);
  }
  return out;
}

Bytes ChildSection(const ScanResult& r) {
  Bytes out;
  PutVarint(out, r.child_ids.size());
  std::int64_t previous = 0;
  for (const std::int64_t id : r.child_ids) {
    PutSigned(out, Minus(id, previous));
    previous = id;
  }
  return out;
}

// Column by column, most columns as differences from the file before, so
// that zlib meets long runs of small, similar numbers.
Bytes FileSection(const ScanResult& r) {
  Bytes out;
  const std::vector<FileItem>& files = r.files;
  PutVarint(out, files.size());
  for (const FileItem& f : files) PutSigned(out, f.size);
  for (const FileItem& f : files) PutSigned(out, Minus(f.alloc, f.size));
  std::int64_t previous = 0;
  for (const FileItem& f : files) PutSigned(out, Minus(f.mtime, std::exchange(previous, f.mtime)));
  previous = 0;
  for (const FileItem& f : files) PutSigned(out, std::int64_t{f.id} - std::exchange(previous, f.id));
  previous = 0;
  for (const FileItem& f : files) PutSigned(out, std::int64_t{f.folder} - std::exchange(previous, f.folder));
  for (const FileItem& f : files) PutVarint(out, f.extension);
  for (const FileItem& f : files) PutVarint(out, f.attributes);
  previous = 0;
  for (const FileItem& f : files) {
    const auto offset = static_cast<std::int64_t>(r.names.PackedOffset(f.name_offset));
    PutSigned(out, offset - previous);
    previous = offset + f.name_length;
  }
  for (const FileItem& f : files) PutVarint(out, f.name_length);
  return out;
}

// Every chunk's names back to back: the offsets above are the packed ones.
Bytes NameSection(const ScanResult& r) {
  Bytes out;
  PutVarint(out, r.names.units());
  out.reserve(out.size() + 2 * r.names.units());
  for (std::size_t k = 0; k < r.names.chunk_count(); ++k) {
    for (const char16_t unit : r.names.Chunk(k)) {
      out.push_back(static_cast<std::uint8_t>(unit));
      out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return out;
}

Bytes ExtensionSection(const ScanResult& r) {
  Bytes out;
  PutVarint(out, r.extensions.size());
  for (const ExtStat& e : r.extensions) {
    PutUnits(out, e.extension);
    PutSigned(out, e.total_size);
    PutSigned(out, e.file_count);
  }
  return out;
}

Bytes LargestSection(const ScanResult& r) {
  Bytes out;
  PutVarint(out, r.largest_files.size());
  for (const std::uint32_t index : r.largest_files) PutVarint(out, index);
  return out;
}

// zlib's fastest level: on the column layout it packs within a few percent
// of the default level (22 against 21 bytes per file on a 300,000-file
// volume) in less than half the time.
constexpr int kCompressionLevel = 1;

void AppendSection(Bytes& file, std::uint32_t tag, const Bytes& raw) {
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), kCompressionLevel) != Z_OK) {
    throw std::bad_alloc();  // zlib fails only for want of memory here
  }
  PutFixed32(file, tag);
  PutFixed64(file, raw.size());
  PutFixed64(file, packed_size);
  PutFixed32(file, static_cast<std::uint32_t>(crc32_z(0L, raw.data(), raw.size())));
  file.insert(file.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed_size));
}

// ---- Sections, read ---------------------------------------------------------

bool Fail(SnapshotError& error, SnapshotProblem problem, std::string detail) {
  error.problem = problem;
  error.detail = std::move(detail);
  return false;
}

bool ReadMeta(Reader& in, ScanResult& r) {
  r.drive = GetUnits(in);
  r.scanned_at = in.Signed();
  r.volume_serial = in.Fixed64();
  r.elapsed_seconds = std::bit_cast<double>(in.Fixed64());
  r.root_id = in.Signed();
  r.file_count = Signed32(in);
  r.folder_count = Signed32(in);
  r.root_total_size = in.Signed();
  r.unreadable_records = in.Signed();
  r.unreadable_ranges.resize(in.Count(2));
  for (ByteRange& range : r.unreadable_ranges) {
    range.offset = in.Signed();
    range.length = in.Signed();
  }
  return !in.failed();
}

bool ReadFolders(Reader& in, ScanResult& r) {
  r.folders.resize(in.Count(18));
  std::int64_t id = 0;
  for (DirNode& f : r.folders) {
    id = Plus(id, in.Signed());
    f.id = id;
    f.parent_id = in.Signed();
    f.tree_parent_id = in.Signed();
    f.total_size = in.Signed();
    f.total_alloc = in.Signed();
    f.direct_size = in.Signed();
    f.direct_alloc = in.Signed();
    f.mtime = in.Signed();
    f.attributes = in.Varint32();
    f.direct_file_count = Signed32(in);
    f.total_file_count = Signed32(in);
    f.total_folder_count = Signed32(in);
    f.name.offset = in.Varint32();
    f.name.length = in.Varint32();
    f.first_child = in.Varint32();
    f.child_count = in.Varint32();
    f.first_file = in.Varint32();
    f.file_count = in.Varint32();
  }
  return !in.failed();
}

bool ReadChildren(Reader& in, ScanResult& r) {
  r.child_ids.resize(in.Count(1));
  std::int64_t previous = 0;
  for (std::int64_t& id : r.child_ids) id = previous = Plus(previous, in.Signed());
  return !in.failed();
}

std::uint32_t Narrow(Reader& in, std::int64_t v) {
  if (v >= 0 && v <= 0xFFFFFFFFll) return static_cast<std::uint32_t>(v);
  in.Fail();
  return 0;
}

bool ReadFiles(Reader& in, ScanResult& r) {
  std::vector<FileItem>& files = r.files;
  files.resize(in.Count(9));
  for (FileItem& f : files) f.size = in.Signed();
  for (FileItem& f : files) f.alloc = Plus(f.size, in.Signed());
  std::int64_t previous = 0;
  for (FileItem& f : files) f.mtime = previous = Plus(previous, in.Signed());
  previous = 0;
  for (FileItem& f : files) f.id = Narrow(in, previous = Plus(previous, in.Signed()));
  previous = 0;
  for (FileItem& f : files) f.folder = Narrow(in, previous = Plus(previous, in.Signed()));
  for (FileItem& f : files) f.extension = in.Varint32();
  for (FileItem& f : files) f.attributes = in.Varint32();
  std::vector<std::int64_t> offsets(files.size());
  for (std::int64_t& offset : offsets) offset = in.Signed();
  previous = 0;
  for (std::size_t i = 0; i < files.size() && !in.failed(); ++i) {
    files[i].name_offset = Narrow(in, Plus(previous, offsets[i]));
    files[i].name_length = in.Varint32();
    previous = std::int64_t{files[i].name_offset} + files[i].name_length;
  }
  return !in.failed();
}

bool ReadNames(Reader& in, ScanResult& r) {
  const std::size_t n = in.Count(2);
  const std::span<const std::uint8_t> bytes = in.Take(2 * n);
  if (in.failed()) return false;
  // In packed form: a name that runs from one chunk into the next is moved
  // when the result is checked.
  r.names.ResizePacked(n);
  for (std::size_t i = 0; i < n; ++i) {
    r.names.PackedUnit(i) = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return true;
}

bool ReadExtensions(Reader& in, ScanResult& r) {
  r.extensions.resize(in.Count(3));
  for (ExtStat& e : r.extensions) {
    e.extension = GetUnits(in);
    e.total_size = in.Signed();
    e.file_count = Signed32(in);
  }
  return !in.failed();
}

bool ReadLargest(Reader& in, ScanResult& r) {
  r.largest_files.resize(in.Count(1));
  for (std::uint32_t& index : r.largest_files) index = in.Varint32();
  return !in.failed();
}

bool ReadSection(std::uint32_t tag, Reader& in, ScanResult& r) {
  switch (tag) {
    case kMeta:
      return ReadMeta(in, r);
    case kFolders:
      return ReadFolders(in, r);
    case kChildren:
      return ReadChildren(in, r);
    case kFiles:
      return ReadFiles(in, r);
    case kNames:
      return ReadNames(in, r);
    case kExtensions:
      return ReadExtensions(in, r);
    case kLargest:
      return ReadLargest(in, r);
    default:
      return false;
  }
}

// The most bytes a section can hold, told by the counts at its start: a
// varint takes at most ten bytes, an extension at most an NTFS name's 255
// units. nullopt while `head` is too short to tell.
constexpr std::uint64_t kMaxVarint = 10;
constexpr std::uint64_t kMaxNameUnits = 255;

std::optional<std::uint64_t> SectionLimit(std::uint32_t tag, std::span<const std::uint8_t> head) {
  Reader in(head);
  std::uint64_t count = 0, fixed = 0, per_item = 0;
  if (tag == kMeta) {
    // The drive, the scan's figures, then the unreadable ranges.
    for (std::uint64_t units = in.Varint(); units > 0 && !in.failed(); --units) in.Varint();
    in.Signed();
    in.Fixed64();
    in.Fixed64();
    for (int i = 0; i < 5; ++i) in.Signed();
    count = in.Varint();
    fixed = head.size() - in.remaining();
    per_item = 2 * kMaxVarint;
  } else {
    count = in.Varint();
    fixed = kMaxVarint;
    switch (tag) {
      case kFolders:
        per_item = 18 * kMaxVarint;
        break;
      case kFiles:
        per_item = 9 * kMaxVarint;
        break;
      case kNames:
        per_item = 2;
        break;
      case kExtensions:
        per_item = (kMaxNameUnits + 3) * kMaxVarint;
        break;
      default:  // child folders, largest files: one number each
        per_item = kMaxVarint;
        break;
    }
  }
  if (in.failed()) return std::nullopt;
  std::uint64_t most = 0;
  if (__builtin_mul_overflow(count, per_item, &most) || __builtin_add_overflow(most, fixed, &most)) {
    return UINT64_MAX;
  }
  return most;
}

const char* SectionName(std::uint32_t tag) {
  switch (tag) {
    case kMeta:
      return "header";
    case kFolders:
      return "folders";
    case kChildren:
      return "child folders";
    case kFiles:
      return "files";
    case kNames:
      return "names";
    case kExtensions:
      return "extensions";
    default:
      return "largest files";
  }
}

}  // namespace

bool HasSnapshotMagic(std::span<const std::uint8_t> head) {
  return head.size() >= kSnapshotMagicSize && std::memcmp(head.data(), kMagic, kSnapshotMagicSize) == 0;
}

std::vector<std::uint8_t> EncodeSnapshot(const ScanResult& result) {
  // The files, the largest section, are laid out and packed on a thread of
  // their own while the rest is here; the sections then go in their order.
  Bytes files;
  std::exception_ptr files_failed;
  const auto pack_files = [&] {
    try {
      AppendSection(files, kFiles, FileSection(result));
    } catch (...) {
      files_failed = std::current_exception();
    }
  };
  std::thread worker;
  try {
    worker = std::thread(pack_files);
  } catch (const std::system_error&) {
    pack_files();  // no thread to be had: in turn
  }
  Bytes head(kMagic, kMagic + kSnapshotMagicSize), tail;
  try {
    PutFixed32(head, kSnapshotVersion);
    PutFixed32(head, static_cast<std::uint32_t>(std::size(kSectionOrder)));
    AppendSection(head, kMeta, MetaSection(result));
    AppendSection(head, kFolders, FolderSection(result));
    AppendSection(head, kChildren, ChildSection(result));
    AppendSection(tail, kNames, NameSection(result));
    AppendSection(tail, kExtensions, ExtensionSection(result));
    AppendSection(tail, kLargest, LargestSection(result));
  } catch (...) {
    if (worker.joinable()) worker.join();
    throw;
  }
  if (worker.joinable()) worker.join();
  if (files_failed) std::rethrow_exception(files_failed);
  head.reserve(head.size() + files.size() + tail.size());
  head.insert(head.end(), files.begin(), files.end());
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

namespace {

using snapshot::Inflated;
using snapshot::PackedSection;

constexpr std::size_t kHeaderSize = kSnapshotMagicSize + 4 + 4;

// Inflates, checks and reads one section into its own fields of the result.
bool DecodeSection(const SnapshotReadFunction& read, std::uint32_t tag, const PackedSection& section,
                   ScanResult& result, SnapshotError& error) {
  const std::string name = SectionName(tag);
  Bytes raw;
  const auto limit = [tag](std::span<const std::uint8_t> head) { return SectionLimit(tag, head); };
  switch (snapshot::InflateSection(read, section, limit, raw)) {
    case Inflated::kOk:
      break;
    case Inflated::kUnreadable:
      return Fail(error, SnapshotProblem::kTruncated, "cannot be read to its end");
    case Inflated::kTooLarge:
      return Fail(error, SnapshotProblem::kDamaged, "the " + name + " section's header is damaged");
    case Inflated::kMismatch:
      return Fail(error, SnapshotProblem::kDamaged, "the " + name + " do not match their checksum");
    case Inflated::kOutOfMemory:
      return Fail(error, SnapshotProblem::kOutOfMemory, "too large for the memory available");
  }
  try {
    Reader in(raw);
    if (!ReadSection(tag, in, result) || !in.at_end()) {
      return Fail(error, SnapshotProblem::kDamaged, "the " + name + " cannot be read");
    }
  } catch (const std::bad_alloc&) {
    return Fail(error, SnapshotProblem::kOutOfMemory, "too large for the memory available");
  } catch (const std::length_error&) {
    return Fail(error, SnapshotProblem::kOutOfMemory, "too large for the memory available");
  }
  return true;
}

// The header and the section table, read a few bytes at a time: every
// header and size is checked, and the sections must end where the file
// does, before anything is inflated.
bool ReadSectionTable(const SnapshotReadFunction& read, std::uint64_t size, std::vector<PackedSection>& sections,
                      SnapshotError& error) {
  std::uint8_t header[kHeaderSize] = {};
  const std::size_t head = static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeaderSize));
  if (!read(0, header, head)) return Fail(error, SnapshotProblem::kTruncated, "cannot be read to its end");
  if (!HasSnapshotMagic(std::span(header, head))) return Fail(error, SnapshotProblem::kNotSnapshot, "not a saved scan");
  Reader file(std::span(header + kSnapshotMagicSize, head - kSnapshotMagicSize));
  const std::uint32_t version = file.Fixed32();
  if (!file.failed() && version > kSnapshotVersion) {
    return Fail(error, SnapshotProblem::kNewerVersion, "format version " + std::to_string(version));
  }
  const std::uint32_t count = file.Fixed32();
  if (file.failed()) return Fail(error, SnapshotProblem::kTruncated, "the header is cut short");
  if (version == 0 || count != std::size(kSectionOrder)) {
    return Fail(error, SnapshotProblem::kDamaged, "the header is damaged");
  }
  std::uint64_t at = kHeaderSize;
  for (const std::uint32_t expected : kSectionOrder) {
    const std::string name = SectionName(expected);
    std::uint8_t bytes[kSectionHeaderSize];
    if (size - at < kSectionHeaderSize) return Fail(error, SnapshotProblem::kTruncated, "cut short before the " + name);
    if (!read(at, bytes, sizeof bytes)) return Fail(error, SnapshotProblem::kTruncated, "cannot be read to its end");
    Reader in(bytes);
    const std::uint32_t tag = in.Fixed32();
    PackedSection section;
    section.raw_size = in.Fixed64();
    section.packed_size = in.Fixed64();
    section.crc = in.Fixed32();
    // zlib packs at most about 1032 to 1: a larger claim is damage.
    std::uint64_t most = 0;
    const bool bounded = !__builtin_mul_overflow(section.packed_size, kMaxRatio, &most) &&
                         !__builtin_add_overflow(most, std::uint64_t{64}, &most);
    if (tag != expected || (bounded && section.raw_size > most)) {
      return Fail(error, SnapshotProblem::kDamaged, "the " + name + " section's header is damaged");
    }
    at += kSectionHeaderSize;
    if (section.packed_size > size - at) return Fail(error, SnapshotProblem::kTruncated, "cut short in the " + name);
    section.offset = at;
    at += section.packed_size;
    sections.push_back(section);
  }
  if (at != size) return Fail(error, SnapshotProblem::kDamaged, "bytes follow the last section");
  return true;
}

bool DecodeInto(const SnapshotReadFunction& read, std::uint64_t size, ScanResult& result, SnapshotError& error) {
  std::vector<PackedSection> sections;
  if (!ReadSectionTable(read, size, sections, error)) return false;

  // The files, the largest section, on a thread of their own; the rest here.
  // Each section fills fields of the result no other one touches.
  constexpr std::size_t kFileSection = 3;
  std::vector<SnapshotError> errors(sections.size());
  std::vector<std::uint8_t> decoded(sections.size(), 0);
  const auto decode = [&](std::size_t k) {
    decoded[k] = DecodeSection(read, kSectionOrder[k], sections[k], result, errors[k]) ? 1 : 0;
  };
  std::thread files;
  try {
    files = std::thread(decode, kFileSection);
  } catch (const std::system_error&) {
    decode(kFileSection);  // no thread to be had: in turn
  }
  for (std::size_t k = 0; k < sections.size(); ++k) {
    if (k != kFileSection) decode(k);
  }
  if (files.joinable()) files.join();
  for (std::size_t k = 0; k < sections.size(); ++k) {
    if (decoded[k] == 0) {
      error = errors[k];
      return false;
    }
  }
  try {
    if (const std::string problem = CheckSnapshotResult(result); !problem.empty()) {
      return Fail(error, SnapshotProblem::kDamaged, problem);
    }
  } catch (const std::bad_alloc&) {
    return Fail(error, SnapshotProblem::kOutOfMemory, "too large for the memory available");
  }
  return true;
}

}  // namespace

bool DecodeSnapshot(const SnapshotReadFunction& read, std::uint64_t size, ScanResult& result, SnapshotError& error) {
  result.Reset();
  error = SnapshotError();
  if (DecodeInto(read, size, result, error)) return true;
  result.Reset();  // nothing half-read is ever shown
  return false;
}

bool DecodeSnapshotMeta(const SnapshotReadFunction& read, std::uint64_t size, ScanResult& meta, SnapshotError& error) {
  meta.Reset();
  error = SnapshotError();
  std::vector<PackedSection> sections;
  if (ReadSectionTable(read, size, sections, error) && DecodeSection(read, kMeta, sections[0], meta, error)) {
    return true;
  }
  meta.Reset();
  return false;
}

bool DecodeSnapshot(std::span<const std::uint8_t> bytes, ScanResult& result, SnapshotError& error) {
  const auto read = [bytes](std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
    if (offset > bytes.size() || length > bytes.size() - offset) return false;
    if (length > 0) std::memcpy(destination, bytes.data() + offset, length);
    return true;
  };
  return DecodeSnapshot(read, bytes.size(), result, error);
}

}  // namespace tw
