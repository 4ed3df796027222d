// RawVolume over a Windows volume handle (\\.\X:) or any path CreateFileW
// opens (an image file, a physical disk).

#include "scan/raw_volume.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <utility>

#include "base/drive_letter.h"
#include "base/kernel_handle_win32.h"
#include "format/utf.h"
#include "scan/boot_sector.h"
#include "scan/ntfs_layout.h"
#include "scan/partition_table.h"

namespace tw {
namespace {

// Raw volume reads must start and end on sector boundaries, into a buffer
// aligned the same way. 4 KiB is a multiple of every sector size in use.
constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kBounceSize = 8u << 20;

// Enables SeBackupPrivilege for this process; every failure is ignored (the
// open then fails on its own when the process lacks the right).
void EnableBackupPrivilege() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) return;
  const KernelHandle token(opened);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  }
}

// The system's error number of a failed call (GetLastError), never 0.
int LastError() {
  const DWORD code = GetLastError();
  return code != 0 ? static_cast<int>(code) : static_cast<int>(ERROR_READ_FAULT);
}

// Seeks and reads exactly length bytes, at most kMaxReadChunk per ReadFile.
// 0 when every byte was read, else the system's error number, or -1 when the
// source ended first.
int ReadExactly(HANDLE handle, std::int64_t offset, std::uint8_t* destination, std::size_t length) {
  LARGE_INTEGER position;
  position.QuadPart = offset;
  if (!SetFilePointerEx(handle, position, nullptr, FILE_BEGIN)) return LastError();
  while (length > 0) {
    const DWORD chunk = static_cast<DWORD>(length < kMaxReadChunk ? length : kMaxReadChunk);
    DWORD got = 0;
    if (!ReadFile(handle, destination, chunk, &got, nullptr)) return LastError();
    if (got == 0) return -1;
    destination += got;
    length -= got;
  }
  return 0;
}

class AlignedBuffer {
 public:
  explicit AlignedBuffer(std::size_t size)
      : data_(static_cast<std::uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
  ~AlignedBuffer() {
    if (data_) VirtualFree(data_, 0, MEM_RELEASE);
  }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  std::uint8_t* data() const { return data_; }

 private:
  std::uint8_t* data_;
};

// Reads [offset, offset + length) with sector-aligned offsets, lengths and
// buffers: an aligned request goes straight to the destination, any other
// through an aligned bounce buffer covering it. Answers as ReadExactly does.
int ReadAligned(HANDLE handle, std::int64_t offset, std::uint8_t* destination, std::size_t length) {
  if (length == 0) return ReadExactly(handle, offset, destination, 0);
  const bool aligned = offset % kAlignment == 0 && length % kAlignment == 0 &&
                       reinterpret_cast<std::uintptr_t>(destination) % kAlignment == 0;
  if (aligned) return ReadExactly(handle, offset, destination, length);
  AlignedBuffer bounce(kBounceSize);
  if (!bounce.data()) return static_cast<int>(ERROR_NOT_ENOUGH_MEMORY);
  while (length > 0) {
    const std::int64_t start = offset - offset % static_cast<std::int64_t>(kAlignment);
    const auto skip = static_cast<std::size_t>(offset - start);
    std::size_t take = kBounceSize - skip;
    if (take > length) take = length;
    const std::size_t covered = (skip + take + kAlignment - 1) / kAlignment * kAlignment;
    if (const int error = ReadExactly(handle, start, bounce.data(), covered); error != 0) return error;
    std::memcpy(destination, bounce.data() + skip, take);
    destination += take;
    offset += static_cast<std::int64_t>(take);
    length -= take;
  }
  return 0;
}

class Win32Volume : public RawVolume {
 public:
  Win32Volume(KernelHandle handle, PartitionExtent extent) : handle_(std::move(handle)), extent_(extent) {}
  std::int64_t SourceBytes() const override { return extent_.length > 0 ? extent_.length : 0; }
  PartitionExtent Placement() const override { return extent_; }
  ReadFailure LastReadFailure() const override { return failure_; }
  ~Win32Volume() override { Close(); }
  Win32Volume(const Win32Volume&) = delete;
  Win32Volume& operator=(const Win32Volume&) = delete;

  bool IsOpen() const override { return handle_.valid(); }

  void Close() override { handle_.reset(); }

  bool QueryVolumeData(NtfsVolumeData& data) override {
    if (!handle_) return false;
    if (extent_.offset == 0 && QuerySystem(data)) return true;
    // No answer (Wine, an image file, a partition of a disk): the same fields
    // from the boot sector and record 0. A volume without the NTFS id fails.
    const auto read = [this](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
      return ReadAt(offset, destination, length);
    };
    return DeriveNtfsVolumeData(read, data);
  }

  bool ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t length) override {
    if (!handle_ || !ExtentHolds(extent_, offset, length)) return false;
    const int error = ReadAligned(handle_.get(), extent_.offset + offset, destination, length);
    if (error > 0) failure_ = ReadFailure{offset, error};
    return error == 0;
  }

 private:
  bool QuerySystem(NtfsVolumeData& data) {
    // NTFS_VOLUME_DATA_BUFFER, read field by field.
    std::uint8_t buffer[kVolumeDataSize] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(handle_.get(), FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, buffer,
                         static_cast<DWORD>(kVolumeDataSize), &returned, nullptr) ||
        returned < kVolumeDataMftStartLcnField + 8) {
      return false;
    }
    const ByteSpan b(buffer, returned);
    data.bytes_per_cluster = ReadU32(b, kVolumeDataBytesPerClusterField);
    data.bytes_per_record = ReadU32(b, kVolumeDataBytesPerRecordField);
    data.mft_valid_data_length = ReadI64(b, kVolumeDataMftValidLengthField);
    data.mft_start_lcn = ReadI64(b, kVolumeDataMftStartLcnField);
    data.volume_serial = ReadU64(b, kVolumeDataSerialField);
    std::int64_t size = 0;
    const std::int64_t sectors = ReadI64(b, kVolumeDataNumberSectorsField);
    const std::int64_t sector_size = ReadU32(b, kVolumeDataBytesPerSectorField);
    data.volume_size = (sectors > 0 && !__builtin_mul_overflow(sectors, sector_size, &size)) ? size : 0;
    return true;
  }

  KernelHandle handle_;
  PartitionExtent extent_;
  ReadFailure failure_;
};

std::wstring SourcePath(const std::string& path) {
  // "C" or "C:" is a drive letter: its volume is \\.\C:.
  if (const wchar_t letter = DriveLetterOf(path)) return Utf8ToUtf16(VolumeDevicePath(letter));
  return Utf8ToUtf16(path);
}

std::int64_t SourceSize(HANDLE handle) {
  LARGE_INTEGER size;
  if (GetFileSizeEx(handle, &size) && size.QuadPart > 0) return size.QuadPart;
  GET_LENGTH_INFORMATION length{};
  DWORD returned = 0;
  if (DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr)) {
    return length.Length.QuadPart;
  }
  return 0;
}

}  // namespace

std::unique_ptr<RawVolume> OpenSourceVolume(const std::string& path, std::int32_t partition, ScanError* error,
                                            int* system_error) {
  const auto fail = [error](ScanError why) -> std::unique_ptr<RawVolume> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  EnableBackupPrivilege();
  const std::wstring wide = SourcePath(path);
  // Read access only: a scan never writes to the disk.
  KernelHandle handle(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) {
    return fail(GetLastError() == ERROR_ACCESS_DENIED ? ScanError::kPermissionDenied : ScanError::kCannotOpen);
  }
  const std::int64_t size = SourceSize(handle.get());
  // A read the system refuses while the table and boot sectors are looked
  // for makes the answer unknown, not "no NTFS here".
  int read_error = 0;
  const auto read = [&handle, &read_error](std::int64_t offset, std::uint8_t* destination, std::size_t length) {
    if (offset < 0) return false;
    const int failed = ReadAligned(handle.get(), offset, destination, length);
    if (failed > 0 && read_error == 0) read_error = failed;
    return failed == 0;
  };
  PartitionExtent extent;
  if (!FindNtfsPartition(read, size, partition, extent)) {
    handle.reset();
    if (size == 0) return fail(ScanError::kEmptySource);
    if (read_error != 0) {
      if (system_error != nullptr) *system_error = read_error;
      return fail(ScanError::kCannotRead);
    }
    return fail(partition > 0 ? ScanError::kNoSuchPartition : ScanError::kNotNtfs);
  }
  // A volume that can tell neither the system's NTFS volume data nor the same
  // fields from its boot sector and record 0 is not NTFS for this program.
  auto volume = std::make_unique<Win32Volume>(std::move(handle), extent);
  NtfsVolumeData data;
  if (!volume->QueryVolumeData(data)) return fail(ScanError::kNotNtfs);
  return volume;
}

}  // namespace tw
