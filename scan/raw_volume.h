#pragma once
// Raw read-only access to an NTFS volume: the only disk access of a scan.
//
// A RawVolume answers two questions: the volume's NTFS geometry (what Windows
// returns for FSCTL_GET_NTFS_VOLUME_DATA, or the same four fields derived from
// the boot sector and record 0) and "read these bytes at this offset". The
// Win32 implementation opens \\.\X:; the POSIX one reads an image file or a
// block device (resolving an MBR or GPT partition table); a memory one serves
// tests and fuzzing. The MFT loader works through this interface only.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scan/byte_reader.h"
#include "scan/scan_progress.h"

namespace tw {

struct NtfsVolumeData {
  std::uint32_t bytes_per_cluster = 0;
  std::uint32_t bytes_per_record = 0;      // BytesPerFileRecordSegment
  std::int64_t mft_valid_data_length = 0;  // the MFT's length in bytes
  std::int64_t mft_start_lcn = 0;
  std::int64_t volume_size = 0;  // bytes, 0 when unknown
  std::uint64_t volume_serial = 0;  // the boot sector's serial number
};

// Where a volume lies in its source.
struct PartitionExtent {
  std::int64_t offset = 0;  // bytes from the start of the source
  std::int64_t length = 0;  // bytes; 0 when unknown (a whole source of unknown size)
  std::int32_t number = 0;  // the partition's number as listed (1-based); 0 for a whole source
  // The length its partition table gives when that runs past the end of the
  // source (the extent then stops at the end); 0 otherwise.
  std::int64_t listed_length = 0;
};

// A read the system refused: where it began (volume bytes) and the system's
// error number (errno, or GetLastError on Windows); error 0 while none was.
struct ReadFailure {
  std::int64_t offset = 0;
  int error = 0;
};

// Volume bytes mapped read-only into memory (RawVolume::MapCached), let go
// when the view is destroyed or reset, on any thread.
class MappedView {
 public:
  using Release = void (*)(void* base, std::size_t length);
  MappedView() = default;
  MappedView(const std::uint8_t* data, void* base, std::size_t base_length, Release release)
      : data_(data), base_(base), base_length_(base_length), release_(release) {}
  MappedView(MappedView&& other) noexcept { *this = std::move(other); }
  MappedView& operator=(MappedView&& other) noexcept {
    if (this != &other) {
      Reset();
      data_ = std::exchange(other.data_, nullptr);
      base_ = std::exchange(other.base_, nullptr);
      base_length_ = std::exchange(other.base_length_, 0);
      release_ = std::exchange(other.release_, nullptr);
    }
    return *this;
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  ~MappedView() { Reset(); }

  // The bytes asked for; null when nothing is mapped.
  const std::uint8_t* data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  void Reset() {
    if (release_ != nullptr && base_ != nullptr) release_(base_, base_length_);
    data_ = nullptr;
    base_ = nullptr;
    base_length_ = 0;
    release_ = nullptr;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  void* base_ = nullptr;  // what release lets go (whole pages around the bytes)
  std::size_t base_length_ = 0;
  Release release_ = nullptr;
};

class RawVolume {
 public:
  virtual ~RawVolume() = default;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  // The volume's NTFS geometry; false when the volume is not NTFS or cannot tell.
  virtual bool QueryVolumeData(NtfsVolumeData& data) = 0;
  // Reads exactly length bytes at byte offset of the volume into destination.
  virtual bool ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) = 0;
  // The bytes [offset, offset + length) of the volume mapped read-only, with
  // no copy, when the source can map them and the system already holds every
  // page of them in its cache; an empty view otherwise, and the caller reads
  // them with ReadAt. Declining is never a failure: a range that cannot be
  // read is only ever found by reading it. Safe to call while views are out.
  virtual MappedView MapCached(std::int64_t /*offset*/, std::size_t /*length*/) { return {}; }
  // The bytes the source holds for the volume, 0 when unknown. Nothing at or
  // past it can be read (a truncated image holds less than its volume).
  virtual std::int64_t SourceBytes() const { return 0; }
  // Where the volume lies in its source (offset 0, length 0 when the volume
  // is all there is or cannot tell).
  virtual PartitionExtent Placement() const { return {}; }
  // The latest read the system refused. A read past the end of the source
  // is no such failure: the bytes are simply not there.
  virtual ReadFailure LastReadFailure() const { return {}; }
};

// The longest single read a RawVolume issues; longer requests are split.
inline constexpr std::size_t kMaxReadChunk = 64u << 20;

// Opens a scan source read-only (the program never writes to a disk). On
// POSIX the path names an image file or a block device; on Windows a drive
// letter ("C" or "C:") opens \\.\C:, any other path is opened as given.
// partition picks a partition of a whole-disk image (1-based); 0 takes the
// first NTFS partition, or the whole source when it starts with an NTFS boot
// sector. Null when the source cannot be opened or holds no NTFS boot sector
// (where one is chosen); the geometry is checked by the MFT load, not here.
// When it is null, *error (if given) says why: the system refused access, the
// source could not be opened or is empty, a read of its first sectors failed
// (*system_error, if given, then holds the system's error number), no NTFS
// volume was found, or the partition asked for is not there.
std::unique_ptr<RawVolume> OpenSourceVolume(const std::string& path, std::int32_t partition = 0,
                                            ScanError* error = nullptr, int* system_error = nullptr);

}  // namespace tw
