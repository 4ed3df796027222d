#include "model/scan_result.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace tw {

// Moving hands every field over and leaves the source as a default-constructed
// result (empty maps and lists, empty drive, counters reset), not merely in a
// valid but unspecified state.
ScanResult::ScanResult(ScanResult&& other) noexcept
    : folders(std::move(other.folders)),
      files_by_folder(std::move(other.files_by_folder)),
      extensions(std::move(other.extensions)),
      largest_files(std::move(other.largest_files)),
      root_id(other.root_id),
      file_count(other.file_count),
      folder_count(other.folder_count),
      root_total_size(other.root_total_size),
      elapsed_seconds(other.elapsed_seconds),
      drive(std::move(other.drive)),
      unreadable_records(other.unreadable_records),
      unreadable_ranges(std::move(other.unreadable_ranges)) {
  other.Reset();
}

ScanResult& ScanResult::operator=(ScanResult&& other) noexcept {
  if (this == &other) return *this;
  folders = std::move(other.folders);
  files_by_folder = std::move(other.files_by_folder);
  extensions = std::move(other.extensions);
  largest_files = std::move(other.largest_files);
  root_id = other.root_id;
  file_count = other.file_count;
  folder_count = other.folder_count;
  root_total_size = other.root_total_size;
  elapsed_seconds = other.elapsed_seconds;
  drive = std::move(other.drive);
  unreadable_records = other.unreadable_records;
  unreadable_ranges = std::move(other.unreadable_ranges);
  other.Reset();
  return *this;
}

void ScanResult::Reset() noexcept {
  folders.clear();
  files_by_folder.clear();
  extensions.clear();
  largest_files.clear();
  root_id = kRootId;
  file_count = 0;
  folder_count = 0;
  root_total_size = 0;
  elapsed_seconds = 0.0;
  drive.clear();
  unreadable_records = 0;
  unreadable_ranges.clear();
}

const DirNode* ScanResult::FindFolder(std::int64_t id) const {
  const auto it = folders.find(RootIfNotPositive(id));
  return it == folders.end() ? nullptr : &it->second;
}

const std::vector<FileEntry>* ScanResult::FindFiles(std::int64_t folder_id) const {
  const auto it = files_by_folder.find(RootIfNotPositive(folder_id));
  return it == files_by_folder.end() ? nullptr : &it->second;
}

std::wstring BuildFolderPath(const ScanResult& result, std::int64_t id, const std::wstring& drive) {
  // The chain from the folder outwards, stopping before the root or at the
  // first unknown id. Corrupt metadata can loop parent_id without reaching
  // either; the walk keeps a mark that moves at chain sizes 1, 2, 4, 8, ...
  // and meeting the mark again means the walk has gone once round a loop (it
  // is met within a few laps), so the walk is linear in the folders it passes.
  std::vector<const DirNode*> chain;
  const DirNode* mark = nullptr;
  std::size_t mark_index = 0;
  std::size_t next_mark = 1;
  std::size_t loop_start = 0;  // the loop is chain[loop_start, loop_start + lap) once found
  std::size_t lap = 0;
  bool too_long = false;
  // Also stops where the path would pass the longest one Windows can address.
  std::size_t length = drive.size() + 2;
  std::int64_t current = RootIfNotPositive(id);
  while (current != kRootId) {
    const auto it = result.folders.find(current);
    if (it == result.folders.end()) break;
    const DirNode* node = &it->second;
    if (node == mark) {
      loop_start = mark_index;
      lap = chain.size() - mark_index;
      break;
    }
    if (length + node->name.size() + 1 > kMaxPathLength) {
      too_long = true;
      break;
    }
    length += node->name.size() + 1;
    chain.push_back(node);
    if (chain.size() == next_mark) {
      mark = node;
      mark_index = chain.size() - 1;
      next_mark *= 2;
    }
    current = RootIfNotPositive(node->parent_id);
  }
  if (too_long && chain.size() > 1) {
    // The chain may have come round a loop before meeting the mark: then its
    // last folder is on the loop and was passed one lap earlier.
    for (std::size_t i = chain.size() - 1; i-- > 0;) {
      if (chain[i] == chain.back()) {
        loop_start = i;
        lap = chain.size() - 1 - i;
        break;
      }
    }
  }
  if (lap > 0) {
    // Cut as tree building cuts a loop: its lowest-numbered folder comes
    // straight after the root, the rest of the loop below it.
    const auto loop = chain.begin() + static_cast<std::ptrdiff_t>(loop_start);
    const DirNode* lowest = *std::min_element(loop, loop + static_cast<std::ptrdiff_t>(lap),
                                              [](const DirNode* a, const DirNode* b) { return a->id < b->id; });
    chain.erase(std::find(chain.begin(), chain.end(), lowest) + 1, chain.end());
  }

  std::wstring path;
  path.reserve(length);
  path += drive;
  path += L":\\";
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (path.back() != L'\\') path.push_back(L'\\');
    path += (*it)->name;
  }
  return path;
}

}  // namespace tw
