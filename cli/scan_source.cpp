#include "cli/scan_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/drive_letter.h"
#include "format/utf.h"
#include "texts/texts.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

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
  } else if (status.type() == fs::file_type::directory) {
    resolved.error = source + ": is a directory, not a volume image or device";
  }
  return resolved;
}

std::string ScanFailureLine(ScanError error, const ResolvedSource& source, std::int32_t partition) {
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
    case ScanError::kNotNtfs:
      reason = text::kErrorNotNtfs;
      break;
    case ScanError::kNoSuchPartition:
      reason = text::kErrorNoSuchPartition + std::to_wstring(partition) + text::kErrorNoSuchPartitionEnd;
      break;
    case ScanError::kCannotReadMft:
      reason = text::kErrorReadMft;
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
  if (error == ScanError::kCannotOpen) {
    // What the system says when the source is opened here.
    errno = 0;
    std::ifstream stream(PathOf(source.path), std::ios::binary);
    if (!stream && errno != 0) line += std::string(": ") + std::strerror(errno);
  }
  return line + ")";
}

}  // namespace tw
