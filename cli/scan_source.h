#pragma once
// SOURCE on the command line: which path the engine opens, which drive letter
// names the root, and why a source cannot be scanned.

#include <cstdint>
#include <string>

namespace tw {

// "C", "C:" and "\\.\C:" (either case) give L"C"; anything else gives "".
std::wstring DriveLetterOfSource(const std::string& source);

struct ResolvedSource {
  std::string path;    // what the engine opens (UTF-8)
  std::wstring drive;  // the drive letter SOURCE names, or "" when it names none
  std::string error;   // a usage error (exit status 2); empty when scannable
};

// With drive letters allowed (Windows), "C" and "C:" open \\.\C: and name
// drive C; \\.\C: is passed through. Any other SOURCE must exist and must not
// be a directory.
ResolvedSource ResolveSource(const std::string& source, bool drive_letters_allowed);

// Why the engine could not open a source that exists, as far as the file
// system tells: "Permission denied", "empty file", ..., or "" when nothing is
// known. open_failed says the engine could not open the volume (as opposed to
// reading its MFT); partition is the requested partition (0 = any).
std::string DiagnoseSource(const std::string& path, bool open_failed, std::int32_t partition);

}  // namespace tw
