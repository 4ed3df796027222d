#include "cli/scan_source.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::wstring LetterOf(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u > 0x7f || !std::isalpha(u)) return {};
  return std::wstring(1, static_cast<wchar_t>(std::toupper(u)));
}

}  // namespace

std::wstring DriveLetterOfSource(const std::string& source) {
  std::string rest = source;
  if (rest.size() == 6 && (rest.rfind("\\\\.\\", 0) == 0 || rest.rfind("//./", 0) == 0)) rest = rest.substr(4);
  else if (source.size() == 1) return LetterOf(source[0]);
  if (rest.size() == 2 && rest[1] == ':') return LetterOf(rest[0]);
  return {};
}

ResolvedSource ResolveSource(const std::string& source, bool drive_letters_allowed) {
  ResolvedSource resolved;
  resolved.path = source;
  if (drive_letters_allowed) {
    resolved.drive = DriveLetterOfSource(source);
    if (!resolved.drive.empty()) {
      const std::string letter(1, static_cast<char>(resolved.drive[0]));
      std::error_code ec;
      if (!fs::exists(PathOf(letter + ":\\"), ec)) resolved.error = "no drive " + letter + ":";
      resolved.path = "\\\\.\\" + letter + ":";
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

std::string DiagnoseSource(const std::string& path, bool open_failed, std::int32_t partition) {
  const fs::path p = PathOf(path);
  errno = 0;
  std::ifstream stream(p, std::ios::binary);
  if (!stream) return errno != 0 ? std::string(std::strerror(errno)) : std::string("cannot be read");
  char byte = 0;
  if (!stream.read(&byte, 1)) return "empty file";
  if (!open_failed) return "";
  if (partition > 0) return "no NTFS partition " + std::to_string(partition);
  return "no NTFS volume found";
}

}  // namespace tw
