#pragma once
// The --json document: one ScanResult as JSON, with the model's field names.

#include <cstdint>
#include <ostream>
#include <vector>

#include "export/tree_order.h"  // FoldersInPreOrder
#include "model/scan_result.h"

namespace tw {

struct JsonReportOptions {
  std::int32_t top = 100;  // entries of largest_files written
  bool files = false;      // write "files": every file of the result
};

// Writes the document: drive, elapsed_seconds, file_count, folder_count,
// root_total_size, folders (pre-order), extensions (result order),
// largest_files (the first options.top) and, with options.files, files
// (folder by folder in pre-order, then folders the tree does not reach, by id).
void WriteResultJson(const ScanResult& result, const JsonReportOptions& options, std::ostream& out);

}  // namespace tw
