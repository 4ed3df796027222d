#pragma once
// Hand-made scan results for the model, view, treemap and report tests:
// folders hung under their tree parents, files with their extensions and
// folder ids, and the direct and total sizes and counts summed bottom-up
// the way a scan would, so a test only overrides the fields its rule is about.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/scan_result.h"

namespace tw::test {

class ScanResultBuilder {
 public:
  // The result of drive `drive` with its root folder "[C:]" (id 5).
  explicit ScanResultBuilder(std::wstring drive = L"C");

  // A folder under `parent_id` (parent_id and tree_parent_id both), after
  // the parent's earlier children. The reference stays valid until Finish;
  // fields set on it before Finish are kept (sizes and counts are summed).
  DirNode& AddFolder(std::int64_t id, std::int64_t parent_id, std::wstring name);

  // A file directly in `folder_id`, after its earlier files. alloc < 0 means
  // "the same as size". The reference is valid until the next file is added
  // to that folder; fields set on it before Finish are kept.
  FileEntry& AddFile(std::int64_t folder_id, std::int64_t id, std::wstring name, std::int64_t size,
                     std::int64_t alloc = -1);

  // Packs the folders and files into the result and fills every direct and
  // total size and count reachable from the root, the extension statistics
  // and the result's totals (files and folders counted wherever they hang).
  // Fields set on the result afterwards stay.
  ScanResult& Finish();

  ScanResult& result() { return result_; }
  // Before Finish the staged folder, afterwards the result's.
  DirNode& folder(std::int64_t id);

 private:
  struct StagedFolder {
    DirNode node;
    std::wstring name;
    std::vector<FileEntry> files;
  };

  void Sum(DirNode& node);

  ScanResult result_;
  std::map<std::int64_t, StagedFolder> staged_;
  std::vector<std::int64_t> order_;  // folder ids in the order added, the root first
  bool finished_ = false;
};

}  // namespace tw::test
