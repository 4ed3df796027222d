#pragma once
// A finished scan saved to a file and read back: a compact, versioned binary
// form of the ScanResult (every array, the drive, when it was scanned and
// the volume's serial number), in sections each compressed with zlib and
// checked by its CRC-32. Reading a damaged, truncated or newer file fails
// with a reason and never yields a result that could mislead a view: every
// index and range is checked, and the folder tree must be a tree.
//
// The file: the magic "TWSNAP\x1a\n", the format version (u32), the number
// of sections (u32), then per section its tag (u32), its size before and
// after compression (u64 each), the CRC-32 of the uncompressed bytes (u32)
// and the compressed bytes. Numbers inside the sections are LEB128
// varints, signed ones zigzag-mapped, many as differences from the previous
// value; the files' fields are written column by column.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/scan_result.h"

namespace tw {

inline constexpr std::uint32_t kSnapshotVersion = 1;
inline constexpr std::size_t kSnapshotMagicSize = 8;

// True when the bytes begin with the snapshot magic.
bool HasSnapshotMagic(std::span<const std::uint8_t> head);

// The whole file for a result.
std::vector<std::uint8_t> EncodeSnapshot(const ScanResult& result);

enum class SnapshotProblem {
  kNone,
  kNotSnapshot,    // no magic
  kNewerVersion,   // written by a later format version
  kTruncated,      // ends before its sections do
  kDamaged,        // a checksum, a size, an index or the tree is wrong
  kOutOfMemory,    // its sizes are believable but do not fit in memory
};

struct SnapshotError {
  SnapshotProblem problem = SnapshotProblem::kNone;
  std::string detail;  // which part, in English, for the error line
};

// Reads exactly `length` bytes at `offset` of a saved scan; false when they
// cannot be read. May be called from two threads at once.
using SnapshotReadFunction = std::function<bool(std::uint64_t offset, std::uint8_t* destination, std::size_t length)>;

// Decodes a saved scan of `size` bytes into `result` (replaced); false with
// the reason when it cannot be taken. Nothing is trusted before it is
// checked: the header and the section table are read a few bytes at a time
// and must end where the file does before any section is read; a section
// declaring more bytes than its counts allow is damaged; each section is
// inflated in bounded pieces into a buffer that grows with the bytes that
// arrive. Memory thus follows what the file holds, never what it claims.
bool DecodeSnapshot(const SnapshotReadFunction& read, std::uint64_t size, ScanResult& result, SnapshotError& error);

// The same over a whole file in memory.
bool DecodeSnapshot(std::span<const std::uint8_t> bytes, ScanResult& result, SnapshotError& error);

// ---- Files -------------------------------------------------------------------

// Who may read what the program writes.
enum class FileAccess {
  kOrdinary,  // the system's defaults (a file anyone may read on POSIX)
  // The owner and the administrators only, from its creation on: on Windows
  // SYSTEM and Administrators, protected from inherited entries; on POSIX
  // mode 0600 (0700 for a folder).
  kPrivate,
};

// Writes the snapshot of `result` to `path` (UTF-8) so that no reader ever
// sees a partial file: written to a temporary file beside it, flushed to the
// disk and renamed over the old one. False with the system's reason in
// `error` (the temporary file removed). Only a regular file is ever
// replaced: a device node, FIFO, socket or folder at `path` is refused.
bool SaveSnapshotFile(const std::string& path, const ScanResult& result, std::string& error);

// The same with the bytes already encoded (EncodeSnapshot).
bool SaveSnapshotBytes(const std::string& path, std::span<const std::uint8_t> bytes, FileAccess access,
                       std::string& error);

// The temporary file of a save to `path`: in the same folder, named
// ".tw" + 16 hex digits of a hash of the target's name + ".tmp", so that any
// name the target may have leaves room for it, and a save cut short (a
// crash, a kill) leaves a file the next save to the same target recognises
// as its own (a regular file, empty or beginning with the snapshot magic)
// and replaces. A file there that is not one of ours is left alone.
std::string SaveTemporaryPath(const std::string& path);

// True when a file's size and first bytes make it a temporary file a save
// left behind: empty, or beginning with the snapshot magic.
bool IsLeftoverOfSave(std::uint64_t size, std::span<const std::uint8_t> head);

// Creates the folder `path` (UTF-8; its parent must exist) with kPrivate
// access. A folder already there is taken as it is. False with the system's
// reason, also when something other than a folder stands there.
bool MakePrivateFolder(const std::string& path, std::string& error);

// True when the file at `path` begins with the snapshot magic.
bool IsSnapshotFile(const std::string& path);

// Reads and decodes the file, a few bytes for its header and section table,
// then each section in bounded pieces (a regular file or a block device:
// anything of unknown size is refused); kNotSnapshot also when it cannot be
// opened (the reason in detail).
bool LoadSnapshotFile(const std::string& path, ScanResult& result, SnapshotError& error);

}  // namespace tw
