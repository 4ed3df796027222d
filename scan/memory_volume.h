#pragma once
// A RawVolume over bytes held in memory, for tests and fuzzing. Its volume
// data are derived from its own boot sector and record 0, as on a platform
// without the volume-data query, unless a test sets them outright. A test can
// make chosen reads fail, as the system would with an error number, and can
// see every read that was made.

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "scan/raw_volume.h"

namespace tw {

class MemoryVolume : public RawVolume {
 public:
  struct Read {
    std::int64_t offset = 0;
    std::size_t length = 0;
  };
  // Decides whether a read fails; called before every read.
  using ReadFailureFunction = std::function<bool(std::int64_t offset, std::size_t length)>;

  explicit MemoryVolume(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  bool IsOpen() const override { return open_; }
  void Close() override { open_ = false; }
  bool QueryVolumeData(NtfsVolumeData& data) override;
  bool ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) override;
  // A view of the bytes themselves, recorded among the reads, unless mapping
  // is turned off or the failure function picks the range (then it is read,
  // and fails).
  MappedView MapCached(std::int64_t offset, std::size_t length) override;
  std::int64_t SourceBytes() const override { return static_cast<std::int64_t>(bytes_.size()); }
  ReadFailure LastReadFailure() const override { return last_failure_; }

  // Answer the query with these values instead of deriving them.
  void SetVolumeData(const NtfsVolumeData& data) { volume_data_ = data; }
  // Reads the function picks fail with the system error number `error`.
  void SetReadFailure(ReadFailureFunction failure, int error = EIO) {
    failure_ = std::move(failure);
    failure_error_ = error;
  }
  // Whether MapCached hands out views (it does unless told otherwise), as a
  // cached image file does; without, every byte is read as from a disk.
  void SetMappable(bool mappable) { mappable_ = mappable; }
  const std::vector<Read>& reads() const { return reads_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  bool open_ = true;
  bool mappable_ = true;
  std::optional<NtfsVolumeData> volume_data_;
  ReadFailureFunction failure_;
  int failure_error_ = EIO;
  ReadFailure last_failure_;
  std::vector<Read> reads_;
};

}  // namespace tw
