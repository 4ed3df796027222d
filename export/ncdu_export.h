#pragma once
// A ScanResult in ncdu's JSON export format (major version 1), which ncdu
// reads with -f and gdu with -f as well:
//
//   [1,2,{"progname":..,"progver":..,"timestamp":..},
//   [{root's info},{file},...,[{folder's info},{file},...],...]]
//
// A folder is an array of its own info object followed by its files and its
// child folders; a file is one info object: name, asize (bytes), dsize
// (allocated bytes), ino (the MFT record number) and mtime (Unix seconds,
// left out when the time is missing or not after 1970). A folder's own index
// takes no bytes here, so the totals ncdu sums are the scan's.
//
// A scan lists each MFT record once, under one of its names, so no ino is
// written twice and a hard-linked file cannot be counted twice: hlnkc and
// nlink are not written.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "model/scan_result.h"

namespace tw {

struct NcduExportOptions {
  std::string progname = "tarnwick-scan";
  std::string progver;
  std::int64_t timestamp = 0;  // Unix seconds: when the export was written
};

// Unix seconds of a FILETIME (100-ns ticks since 1601), rounded down; none
// when that is 0 or less (ncdu refuses a whole file with a negative time).
std::optional<std::int64_t> UnixSecondsOf(std::int64_t filetime);

// The root's name in the export: the drive as paths begin with it, "X:", so
// that ncdu shows X:/Users/alice. "/" when the result names no drive.
std::string NcduRootName(const ScanResult& result);

// Writes the export, folder by folder from the root, as it goes: nothing
// but the open folders is held, so memory does not grow with the result and
// a chain of folders of any depth is written without recursion. Folders the
// tree does not reach are left out, as is a folder met a second time. Names
// are UTF-8 with lone surrogates and NUL as U+FFFD, and an empty name is
// U+FFFD alone (ncdu refuses an item without a name). Stops early once
// `out` has failed.
void WriteNcduExport(const ScanResult& result, const NcduExportOptions& options, std::ostream& out);

}  // namespace tw
