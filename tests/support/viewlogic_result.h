#pragma once
// Hand-made scan results for the view-logic tests: folders linked into a tree
// under the root, files with their folder's direct counts kept up to date,
// and bottom-up totals on request.

#include <cstdint>
#include <string>

#include "model/scan_result.h"

namespace tw::testing {

class ViewlogicResultBuilder {
 public:
  // Starts `result` afresh with the root folder "[" + drive + ":]".
  explicit ViewlogicResultBuilder(ScanResult& result, std::wstring drive = L"C");

  // A folder under parent (which must exist); returns it for further fields.
  DirNode& AddFolder(std::int64_t id, std::int64_t parent, std::wstring name);

  // A file in folder; adds to the folder's direct size and count and to
  // the result's file count. The file's folder_path is the folder's path.
  FileEntry& AddFile(std::int64_t folder, std::wstring name, std::int64_t size);

  // Totals bottom-up from the direct figures (sizes, allocations, file and
  // folder counts), root_total_size and folder_count.
  void ComputeTotals();

 private:
  void Total(DirNode& node);

  ScanResult& result_;
};

}  // namespace tw::testing
