#pragma once
// The CSV export of a scan: a table a spreadsheet program opens.
//
//   路径,名称,类型,大小,分配,修改时间,属性
//
// then one row per folder and file in tree pre-order (the root first, each
// folder followed by its own files in record order, then its child
// folders). Folders give their totals, files their own sizes; the time is
// the local ISO 8601 time with its offset ("2024-03-07T09:05:01+08:00",
// empty when unknown), the attributes the folder list's letters.
//
// The file is UTF-8 with a byte-order mark, so that spreadsheet programs
// read the Chinese header and names, with CRLF line ends. Names are hostile
// input: fields are quoted as RFC 4180 asks (a comma, quote, CR or LF inside
// one puts it in quotes, quotes doubled), a field that begins with =, +, -,
// @, TAB or CR gets a leading apostrophe so that no spreadsheet ever runs a
// name as a formula, lone surrogates become U+FFFD and NUL becomes U+FFFD.

#include <ostream>
#include <string>
#include <string_view>

#include "model/scan_result.h"

namespace tw {

// Appends one field (UTF-8) as it is written: guarded, then quoted when it
// must be.
void AppendCsvField(std::string& row, std::string_view utf8);

// Writes the table, as it goes: memory does not grow with the result
// beyond the folder order. Stops early once `out` has failed.
void WriteCsvExport(const ScanResult& result, std::ostream& out);

}  // namespace tw
