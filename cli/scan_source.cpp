#include "cli/scan_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/drive_letter.h"
#include "cli/platform.h"
#include "format/utf.h"
#include "texts/texts.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// What a path that exists but cannot be scanned is; "" for a regular file
// or a block device. Asked of stat(), never by opening: opening a FIFO
// with no writer waits forever.
std::string UnscannableKind(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular:
    case fs::file_type::block:
      return {};
    case fs::file_type::directory:
      return "is a directory";
    case fs::file_type::fifo:
      return "is a FIFO";
    case fs::file_type::socket:
      return "is a socket";
    case fs::file_type::character:
      return "is a character device";
    default:
      return "is not a regular file";
  }
}

// A path in the Windows device namespace (\\.\PhysicalDrive1): what it is,
// the system decides when it is opened.
bool IsWindowsDevicePath(const std::string& path) {
  return path.rfind("\\\\.\\", 0) == 0 || path.rfind("\\\\?\\", 0) == 0 || path.rfind("//./", 0) == 0;
}

}  // namespace

ResolvedSource ResolveSource(const std::string& source, bool drive_letters_allowed) {
  ResolvedSource resolved;
  resolved.path = source;
  if (drive_letters_allowed) {
    if (const wchar_t letter = DriveLetterOf(source, true)) {
      resolved.drive.assign(1, letter);
      const std::string name(1, static_cast<char>(letter));
      std::error_code ec;
      if (!fs::exists(PathOf(name + ":\\"), ec)) resolved.error = "no drive " + name + ":";
      resolved.path = VolumeDevicePath(letter);
      return resolved;
    }
  }
  std::error_code ec;
  const fs::file_status status = fs::status(PathOf(source), ec);
  if (status.type() == fs::file_type::not_found) {
    resolved.error = source + ": no such file or device";
  } else if (ec) {
    resolved.error = source + ": " + ec.message();
  } else if (!(drive_letters_allowed && IsWindowsDevicePath(source))) {
    const std::string kind = UnscannableKind(status.type());
    if (!kind.empty()) resolved.error = source + ": " + kind + ", not a volume image or block device";
  }
  return resolved;
}

std::string ScanFailureLine(ScanError error, int system_error, const ResolvedSource& source, std::int32_t partition) {
  std::wstring reason;
  bool about_source = true;
  switch (error) {
    case ScanError::kCannotOpen:
      reason = text::kErrorCannotOpen;
      break;
    case ScanError::kPermissionDenied:
      reason = source.drive.empty() ? text::kErrorPermissionDenied : text::kErrorOpenVolume;
      break;
    case ScanError::kEmptySource:
      reason = text::kErrorEmptySource;
      break;
    case ScanError::kCannotRead:
      reason = text::kErrorCannotRead;
      break;
    case ScanError::kNotNtfs:
      reason = text::kErrorNotNtfs;
      break;
    case ScanError::kNoSuchPartition:
      reason = text::kErrorNoSuchPartition + std::to_wstring(partition) + text::kErrorNoSuchPartitionEnd;
      break;
    case ScanError::kCannotReadMft:
      reason = text::kErrorReadMft;
      break;
    case ScanError::kOtherVolume:
      reason = text::kErrorOtherVolume;
      break;
    case ScanError::kOutOfMemory:
      reason = text::kErrorOutOfMemory;
      about_source = false;
      break;
    case ScanError::kNone:
    case ScanError::kUnknown:
      reason = text::kErrorUnknown;
      about_source = false;
      break;
  }
  std::string line = Utf16ToUtf8(text::kErrorPrefix) + Utf16ToUtf8(reason);
  if (!about_source) return line;
  line += " (" + source.path;
  if (system_error != 0) {
    line += ": " + SystemErrorText(system_error);
  } else if (error == ScanError::kCannotOpen) {
    // What the system says when the source is opened here.
    errno = 0;
    std::ifstream stream(PathOf(source.path), std::ios::binary);
    if (!stream && errno != 0) line += std::string(": ") + std::strerror(errno);
  }
  return line + ")";
}

}  // namespace tw
