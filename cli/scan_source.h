#pragma once
// SOURCE on the command line: which path the engine opens, which drive letter
// names the root, and why a source cannot be scanned.

#include <cstdint>
#include <string>

#include "scan/scan_progress.h"

namespace tw {

struct ResolvedSource {
  std::string path;    // what the engine opens (UTF-8)
  std::wstring drive;  // the drive letter SOURCE names, or "" when it names none
  std::string error;   // a usage error (exit status 2); empty when scannable
};

// With drive letters allowed (Windows), "C" and "C:" open \\.\C: and name
// drive C; \\.\C: is passed through. Any other SOURCE must exist and be a
// regular file or a block device (after symbolic links): a directory, FIFO,
// socket or character device is refused from its status alone, unopened.
ResolvedSource ResolveSource(const std::string& source, bool drive_letters_allowed);

// The line for a scan that failed: "错误: ", the reason, and the source in
// parentheses where the reason is about it. A drive that cannot be opened
// for want of rights asks for administrator rights, as the window does; a
// source the system cannot open or read adds the system's own words (those
// of system_error when it is not 0).
std::string ScanFailureLine(ScanError error, int system_error, const ResolvedSource& source, std::int32_t partition);

}  // namespace tw
