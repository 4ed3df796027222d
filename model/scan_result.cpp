#include "model/scan_result.h"

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
  // and meeting the mark again means the walk has closed a loop (it is met
  // within a few laps), so the walk is linear in the folders it passes.
  std::vector<const DirNode*> chain;
  const DirNode* mark = nullptr;
  std::size_t mark_index = 0;
  std::size_t next_mark = 1;
  bool looped = false;
  // Also stops where the path would pass the longest one Windows can address.
  std::size_t length = drive.size() + 2;
  std::int64_t current = RootIfNotPositive(id);
  while (current != kRootId) {
    const auto it = result.folders.find(current);
    if (it == result.folders.end()) break;
    const DirNode* node = &it->second;
    if (node == mark) {
      looped = true;
      break;
    }
    if (length + node->name.size() + 1 > kMaxPathLength) break;
    length += node->name.size() + 1;
    chain.push_back(node);
    if (chain.size() == next_mark) {
      mark = node;
      mark_index = chain.size() - 1;
      next_mark *= 2;
    }
    current = RootIfNotPositive(node->parent_id);
  }
  if (looped) {
    // The loop has length cycle; keep the chain up to the first folder that
    // would repeat, so each folder of the loop appears once.
    const std::size_t cycle = chain.size() - mark_index;
    std::size_t start = 0;
    while (start < mark_index && chain[start] != chain[start + cycle]) ++start;
    chain.resize(start + cycle);
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
