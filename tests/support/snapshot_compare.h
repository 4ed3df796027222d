#pragma once
// Field-by-field comparison of two scan results, for the saved-scan tests:
// "" when every array and figure is the same (names by their text, as a
// saved scan lays them out anew), else the first difference.

#include <cstring>
#include <string>

#include "model/scan_result.h"

namespace tw::test {

inline std::string DifferenceBetween(const ScanResult& a, const ScanResult& b) {
  if (a.folders.size() != b.folders.size()) return "folder count";
  for (std::size_t i = 0; i < a.folders.size(); ++i) {
    const DirNode& x = a.folders[i];
    const DirNode& y = b.folders[i];
    if (x.id != y.id || x.parent_id != y.parent_id || x.tree_parent_id != y.tree_parent_id ||
        x.total_size != y.total_size || x.total_alloc != y.total_alloc || x.direct_size != y.direct_size ||
        x.direct_alloc != y.direct_alloc || x.mtime != y.mtime || x.attributes != y.attributes ||
        x.direct_file_count != y.direct_file_count || x.total_file_count != y.total_file_count ||
        x.total_folder_count != y.total_folder_count || a.Name(x) != b.Name(y) || x.name.length != y.name.length ||
        x.first_child != y.first_child || x.child_count != y.child_count || x.first_file != y.first_file ||
        x.file_count != y.file_count) {
      return "folder " + std::to_string(i);
    }
  }
  if (a.files.size() != b.files.size()) return "file count";
  for (std::size_t i = 0; i < a.files.size(); ++i) {
    const FileItem& x = a.files[i];
    const FileItem& y = b.files[i];
    if (x.size != y.size || x.alloc != y.alloc || x.mtime != y.mtime || x.id != y.id || x.folder != y.folder ||
        x.extension != y.extension || x.attributes != y.attributes || a.Name(x) != b.Name(y) ||
        x.name_length != y.name_length) {
      return "file " + std::to_string(i);
    }
  }
  if (a.folder_index != b.folder_index) return "record-number table";
  if (a.child_ids != b.child_ids) return "child ids";
  if (a.largest_files != b.largest_files) return "largest files";
  if (a.extensions.size() != b.extensions.size()) return "extension count";
  for (std::size_t i = 0; i < a.extensions.size(); ++i) {
    const ExtStat& x = a.extensions[i];
    const ExtStat& y = b.extensions[i];
    if (x.extension != y.extension || x.total_size != y.total_size || x.file_count != y.file_count) {
      return "extension " + std::to_string(i);
    }
  }
  if (a.root_id != b.root_id || a.file_count != b.file_count || a.folder_count != b.folder_count ||
      a.root_total_size != b.root_total_size || a.drive != b.drive || a.unreadable_records != b.unreadable_records ||
      a.unreadable_ranges != b.unreadable_ranges || a.scanned_at != b.scanned_at ||
      a.volume_serial != b.volume_serial || std::memcmp(&a.elapsed_seconds, &b.elapsed_seconds, sizeof(double)) != 0) {
    return "the result's figures";
  }
  return {};
}

}  // namespace tw::test
