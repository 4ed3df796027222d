#pragma once
// Hand-made scan results for the view-logic tests.

#include <cstdint>
#include <string>

#include "model/scan_result.h"

namespace tw::testing {

class ViewlogicResultBuilder {
 public:
  // Starts `result` afresh with only the root folder "[" + drive + ":]".
  explicit ViewlogicResultBuilder(ScanResult& result, std::wstring drive = L"C");

  // A folder under an existing parent.
  DirNode& AddFolder(std::int64_t id, std::int64_t parent, std::wstring name);

  // A file; keeps its folder's direct size and count and the file count.
  FileEntry& AddFile(std::int64_t folder, std::wstring name, std::int64_t size);

  // Bottom-up totals from the direct figures, root_total_size, folder_count.
  void ComputeTotals();

 private:
  void Total(DirNode& node);

  ScanResult& result_;
};

}  // namespace tw::testing
