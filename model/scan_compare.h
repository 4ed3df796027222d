#pragma once
// Two scans of one volume side by side: which folders and files grew,
// shrank, appeared or vanished between an older and a newer scan.
//
// Folders and files are matched by their path below the volume's root (the
// names from the root down, exactly; the drive letter plays no part), so an
// image scanned on one machine compares with the same volume scanned on
// another. A folder that moved shows as removed at its old path and added
// at its new one. The comparison holds indices into both results and keeps
// both generations alive for as long as it lives; nothing is copied but the
// merged folder tree.

#include <cstdint>
#include <string>
#include <vector>

#include "model/result_generation.h"
#include "model/scan_result.h"

namespace tw {

inline constexpr std::uint32_t kNoSide = 0xFFFFFFFFu;

// One folder of either scan, or of both.
struct ComparedFolder {
  std::uint32_t old_folder = kNoSide;  // index into the old result's folders
  std::uint32_t new_folder = kNoSide;  // index into the new result's folders
  std::uint32_t parent = 0;            // index into ComparedScans::folders; the root is its own
  std::int32_t depth = 0;
  // By change of allocated bytes, largest growth first; equal changes by
  // allocated bytes, largest first.
  std::vector<std::uint32_t> children;
  // The folder's totals in each scan (0 where it is absent).
  std::int64_t old_size = 0, new_size = 0, old_alloc = 0, new_alloc = 0;
  // Its direct files' bytes in each scan.
  std::int64_t old_direct_size = 0, new_direct_size = 0, old_direct_alloc = 0, new_direct_alloc = 0;
  // Files that appeared and vanished below it (its subtree), and directly in it.
  std::int64_t files_added = 0, files_removed = 0;
  std::int64_t direct_files_added = 0, direct_files_removed = 0;

  std::int64_t size_change() const { return new_size - old_size; }
  std::int64_t alloc_change() const { return new_alloc - old_alloc; }
  std::int64_t direct_alloc_change() const { return new_direct_alloc - old_direct_alloc; }
  // Holds files directly in either scan, or files appeared or vanished in it
  // (the reports then show its "[直接文件]" row).
  bool has_direct_files() const {
    return old_direct_size != 0 || new_direct_size != 0 || old_direct_alloc != 0 || new_direct_alloc != 0 ||
           direct_files_added != 0 || direct_files_removed != 0;
  }
  bool changed() const {
    return new_size != old_size || new_alloc != old_alloc || files_added != 0 || files_removed != 0 ||
           old_folder == kNoSide || new_folder == kNoSide;
  }
};

// A file that appeared, vanished or changed size.
struct ComparedFile {
  std::uint32_t folder = 0;            // index into ComparedScans::folders
  std::uint32_t old_file = kNoSide;    // index into the old result's files
  std::uint32_t new_file = kNoSide;    // index into the new result's files
  std::int64_t old_size = 0, new_size = 0, old_alloc = 0, new_alloc = 0;
};

struct ComparedExtension {
  std::wstring extension;  // with its dot; empty for files without one
  std::int64_t old_size = 0, new_size = 0;
  std::int64_t old_files = 0, new_files = 0;
};

struct ComparedScans {
  ResultGeneration old_scan, new_scan;  // the two results compared
  std::vector<ComparedFolder> folders;  // the root first; parents before children
  // Largest first by bytes (the size that appeared or vanished, the size of
  // the change), equal ones in folder order, then in the newer scan's order.
  std::vector<ComparedFile> added, removed, resized;
  // Files that appeared or grew, largest first by the bytes they gained
  // (an appeared file gains its whole size); ties as above.
  std::vector<ComparedFile> grown;
  // Files that vanished or shrank, largest first by the bytes they lost (a
  // vanished file loses its whole size); ties as above.
  std::vector<ComparedFile> lost;
  // Extensions whose bytes or file count changed, largest growth first.
  std::vector<ComparedExtension> extensions;
  bool same_volume = true;  // both volume serial numbers known and equal, or one unknown
};

// Compares the two results (neither null); `top` bounds each of the five
// file lists.
ComparedScans CompareScans(ResultGeneration old_scan, ResultGeneration new_scan, std::size_t top);

// The files directly in one compared folder that appeared, vanished or
// changed size, by change of allocated bytes, largest growth first (equal
// changes in the order of the lists above).
std::vector<ComparedFile> ChangedFilesIn(const ComparedScans& scans, std::uint32_t folder);

// The folder's name (from whichever scan holds it) and its path below the
// root, drive + ":\" + names, with the drive of the newer scan.
std::wstring ComparedName(const ComparedScans& scans, const ComparedFolder& folder);
std::wstring ComparedPath(const ComparedScans& scans, std::uint32_t folder);
// The file's name and its full path.
std::wstring ComparedFileName(const ComparedScans& scans, const ComparedFile& file);
// The file's extension with its dot ("" for none).
const std::wstring& ChangedFileExtension(const ComparedScans& scans, const ComparedFile& file);
std::wstring ComparedFilePath(const ComparedScans& scans, const ComparedFile& file);

}  // namespace tw
