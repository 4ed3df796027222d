#include "scan/memory_volume.h"

#include <cstring>

#include "scan/boot_sector.h"

namespace tw {

bool MemoryVolume::QueryVolumeData(NtfsVolumeData& data) {
  if (!open_) return false;
  if (volume_data_) {
    data = *volume_data_;
    return true;
  }
  const auto read = [this](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
    return ReadAt(offset, destination, length);
  };
  return DeriveNtfsVolumeData(read, data);
}

bool MemoryVolume::ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) {
  if (!open_ || offset < 0) return false;
  reads_.push_back(Read{offset, length});
  if (failure_ && failure_(offset, length)) {
    last_failure_ = ReadFailure{offset, failure_error_};
    return false;
  }
  const auto at = static_cast<std::uint64_t>(offset);
  if (at > bytes_.size() || length > bytes_.size() - at) return false;
  if (length > 0) std::memcpy(destination, bytes_.data() + at, length);
  return true;
}

MappedView MemoryVolume::MapCached(std::int64_t offset, std::size_t length) {
  if (!open_ || !mappable_ || offset < 0 || length == 0) return {};
  if (failure_ && failure_(offset, length)) return {};
  const auto at = static_cast<std::uint64_t>(offset);
  if (at > bytes_.size() || length > bytes_.size() - at) return {};
  reads_.push_back(Read{offset, length});
  return MappedView(bytes_.data() + at, nullptr, 0, nullptr);
}

}  // namespace tw
