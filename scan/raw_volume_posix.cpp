// RawVolume over an image file or a block device, opened read-only.

#include "scan/raw_volume.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "base/memory_hints.h"
#include "scan/boot_sector.h"
#include "scan/partition_table.h"

namespace tw {
namespace {

// Reads exactly length bytes at offset of the file, in chunks of at most
// kMaxReadChunk. 0 when every byte was read, else the errno of the failed
// read, or -1 for a short read at the end of the file.
int PreadFully(int fd, std::int64_t offset, std::uint8_t* destination, std::size_t length) {
  while (length > 0) {
    const std::size_t chunk = length < kMaxReadChunk ? length : kMaxReadChunk;
    const ssize_t got = ::pread(fd, destination, chunk, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno != 0 ? errno : EIO;
    if (got == 0) return -1;
    destination += got;
    offset += got;
    length -= static_cast<std::size_t>(got);
  }
  return 0;
}

void Unmap(void* base, std::size_t length) { ::munmap(base, length); }

class PosixVolume : public RawVolume {
 public:
  PosixVolume(int fd, PartitionExtent extent) : fd_(fd), extent_(extent) {}
  ~PosixVolume() override { Close(); }
  PosixVolume(const PosixVolume&) = delete;
  PosixVolume& operator=(const PosixVolume&) = delete;

  bool IsOpen() const override { return fd_ >= 0; }
  std::int64_t SourceBytes() const override { return extent_.length > 0 ? extent_.length : 0; }
  PartitionExtent Placement() const override { return extent_; }
  ReadFailure LastReadFailure() const override { return failure_; }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool QueryVolumeData(NtfsVolumeData& data) override {
    if (fd_ < 0) return false;
    const auto read = [this](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
      return ReadAt(offset, destination, length);
    };
    return DeriveNtfsVolumeData(read, data);
  }

  bool ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) override {
    if (fd_ < 0 || !ExtentHolds(extent_, offset, length)) return false;
    const int error = PreadFully(fd_, extent_.offset + offset, destination, length);
    if (error > 0) failure_ = ReadFailure{offset, error};
    return error == 0;
  }

  // Only what the system's cache holds whole is mapped: there a copy costs
  // more than the parse, while a range still on the disk is best read in one
  // large request. The pages are mapped in before the view is handed out
  // (MADV_POPULATE_READ reports a page it cannot bring in, where touching it
  // would raise SIGBUS), so the parse never waits on the disk or meets an
  // error there; a kernel without it (before 5.14) gets reads.
  MappedView MapCached(std::int64_t offset, std::size_t length) override {
#ifdef MADV_POPULATE_READ
    if (fd_ < 0 || length == 0 || !ExtentHolds(extent_, offset, length)) return {};
    const std::size_t page = PageBytes();
    const std::int64_t at = extent_.offset + offset;
    const std::int64_t start = at / static_cast<std::int64_t>(page) * static_cast<std::int64_t>(page);
    const auto lead = static_cast<std::size_t>(at - start);
    const std::size_t pages = (lead + length + page - 1) / page;
    const std::size_t span = pages * page;
    void* const base = ::mmap(nullptr, span, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(start));
    if (base == MAP_FAILED) return {};
    resident_.resize(pages);
    const bool cached = ::mincore(base, span, resident_.data()) == 0 &&
                        std::all_of(resident_.begin(), resident_.end(), [](unsigned char p) { return (p & 1) != 0; });
    if (!cached || ::madvise(base, span, MADV_POPULATE_READ) != 0) {
      ::munmap(base, span);
      return {};
    }
    return MappedView(static_cast<const std::uint8_t*>(base) + lead, base, span, &Unmap);
#else
    (void)offset;
    (void)length;
    return {};
#endif
  }

 private:
  int fd_;
  PartitionExtent extent_;
  ReadFailure failure_;
  std::vector<unsigned char> resident_;  // MapCached's, one byte per page
};

}  // namespace

std::unique_ptr<RawVolume> OpenSourceVolume(const std::string& path, std::int32_t partition, ScanError* error,
                                            int* system_error) {
  const auto fail = [error](ScanError why) -> std::unique_ptr<RawVolume> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  // Opened without waiting: a FIFO that has no writer must not hold the
  // scan in open(); only regular files and block devices are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(errno == EACCES || errno == EPERM ? ScanError::kPermissionDenied : ScanError::kCannotOpen);
  // Regular files report their size in st_size; block devices only to a seek.
  std::int64_t size = 0;
  struct stat st {};
  const bool known = ::fstat(fd, &st) == 0;
  if (!known || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    ::close(fd);
    return fail(ScanError::kCannotOpen);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const bool regular = S_ISREG(st.st_mode);
  if (regular) {
    size = st.st_size;
  } else {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end > 0) size = end;
  }
  // A read the system refuses while the table and boot sectors are looked
  // for makes the answer unknown, not "no NTFS here".
  int read_error = 0;
  const auto read = [fd, &read_error](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
    if (offset < 0) return false;
    const int failed = PreadFully(fd, offset, destination, length);
    if (failed > 0 && read_error == 0) read_error = failed;
    return failed == 0;
  };
  PartitionExtent extent;
  if (!FindNtfsPartition(read, size, partition, extent)) {
    ::close(fd);
    if (size == 0) return fail(ScanError::kEmptySource);
    if (read_error != 0) {
      if (system_error != nullptr) *system_error = read_error;
      return fail(ScanError::kCannotRead);
    }
    return fail(partition > 0 ? ScanError::kNoSuchPartition : ScanError::kNotNtfs);
  }
  return std::make_unique<PosixVolume>(fd, extent);
}

}  // namespace tw
