#pragma once
// Hand-made scan results for the model, view, treemap and report tests:
// folders hung under their tree parents, files with their extensions and
// folder ids, and the direct and total sizes and counts summed bottom-up
// the way a scan would, so a test only overrides the fields its rule is about.

#include <cstdint>
#include <string>

#include "model/scan_result.h"

namespace tw::test {

class ScanResultBuilder {
 public:
  // The result of drive `drive` with its root folder "[C:]" (id 5).
  explicit ScanResultBuilder(std::wstring drive = L"C");

  // A folder under `parent_id` (parent_id and tree_parent_id both), appended
  // to the parent's children. The reference stays valid.
  DirNode& AddFolder(std::int64_t id, std::int64_t parent_id, std::wstring name);

  // A file directly in `folder_id`. alloc < 0 means "the same as size". The
  // reference is valid until the next file is added to that folder.
  FileEntry& AddFile(std::int64_t folder_id, std::int64_t id, std::wstring name, std::int64_t size,
                     std::int64_t alloc = -1);

  // Fills every direct and total size and count reachable from the root, and
  // the result's totals (files and folders counted wherever they hang).
  // Fields set afterwards stay.
  ScanResult& Finish();

  ScanResult& result() { return result_; }
  DirNode& folder(std::int64_t id) { return result_.folders.at(id); }

 private:
  void Sum(DirNode& node);

  ScanResult result_;
};

}  // namespace tw::test
