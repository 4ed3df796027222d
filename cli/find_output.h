#pragma once
// What tarnwick-scan --find prints: one line per match, largest first (size,
// allocated size, modified, path, in the report's formats), then the count
// line; or, with --json, one document.

#include <ostream>

#include "model/scan_result.h"
#include "search/search.h"

namespace tw {

// The lines and the count line of an answer whose query was good, written
// as they are made: sizes right-aligned in 10 columns, the time (empty when
// unknown) left-aligned in 19, two blanks between, the path last, through
// the report's terminal filter.
void WriteFindLines(const ScanResult& result, const SearchAnswer& answer, std::ostream& out);

// {"query", "count" (files and folders), "file_count", "folder_count",
// "total_size", "total_alloc" (of the matching files), "matches": [{"path",
// "name", "type" ("file" or "folder"), "size", "alloc", "mtime"}, ...]}.
void WriteFindJson(const ScanResult& result, const SearchAnswer& answer, std::ostream& out);

}  // namespace tw
