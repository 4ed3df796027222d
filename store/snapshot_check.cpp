#include "store/snapshot_check.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/ids.h"

namespace tw {
namespace {

// The names as read: the arena in packed form, every unit at the offset it
// had in the file. A name must lie within them; one that runs from one of
// the arena's chunks into the next (a file saved when the names lay in one
// block) is moved whole to the end. Only one name can cross each border
// unless names overlap, which no scan makes: more moved names than borders
// is damage, and keeps a small file from asking for a copy per reference.
class NameCheck {
 public:
  explicit NameCheck(ScanResult& r) : r_(r), packed_(r.names.units()) {}

  // False when the name lies outside the names; else its offset is one the
  // arena holds whole.
  bool Fit(std::uint32_t& offset, std::uint32_t length) {
    if (offset > packed_ || length > packed_ - offset) return false;
    if (r_.names.Holds(offset, length)) return true;
    if (length > NameArena::kChunkUnits) return false;  // longer than any name the arena can hold whole
    const auto [at, added] = moved_.try_emplace(std::uint64_t{offset} << 32 | length, 0);
    if (added) {
      if (moved_.size() > r_.names.chunk_count()) return false;
      at->second = r_.names.Relay(offset, length);
    }
    offset = at->second;
    return true;
  }

 private:
  ScanResult& r_;
  std::size_t packed_;
  std::unordered_map<std::uint64_t, std::uint32_t> moved_;
};

bool RangeFits(std::uint32_t first, std::uint32_t count, std::size_t size) {
  return first <= size && count <= size - first;
}

std::string CheckFolders(ScanResult& r, NameCheck& names) {
  if (r.folders.empty() || r.root_id != kRootId || r.folders[0].id != kRootId) return "the root folder is missing";
  if (r.folders[0].tree_parent_id != kRootId) return "the root folder hangs below another";
  // The record-number table takes 4 bytes per number up to the highest
  // folder's. Any MFT of up to 16 million records passes, a larger one when
  // it holds at least one folder or file per 256 records: a damaged number
  // cannot ask for gigabytes on behalf of a handful of items.
  const std::int64_t items = static_cast<std::int64_t>(r.folders.size() + r.files.size());
  const std::int64_t limit = std::min<std::int64_t>(kMaxScanRecords, 256 * items + (std::int64_t{1} << 24));
  std::int64_t highest = 0;
  for (const DirNode& f : r.folders) {
    if (f.id <= 0 || f.id > limit) return "a folder number is out of range";
    highest = std::max(highest, f.id);
  }
  if (r.folders.size() >= ScanResult::kNoFolder) return "too many folders";
  r.folder_index.assign(static_cast<std::size_t>(highest) + 1, ScanResult::kNoFolder);
  for (std::size_t i = 0; i < r.folders.size(); ++i) {
    std::uint32_t& slot = r.folder_index[static_cast<std::size_t>(r.folders[i].id)];
    if (slot != ScanResult::kNoFolder) return "two folders have the same number";
    slot = static_cast<std::uint32_t>(i);
  }
  for (DirNode& f : r.folders) {
    if (!names.Fit(f.name.offset, f.name.length)) return "a folder name lies outside the names";
    if (!RangeFits(f.first_child, f.child_count, r.child_ids.size())) return "a folder's children are out of range";
    if (!RangeFits(f.first_file, f.file_count, r.files.size())) return "a folder's files are out of range";
  }
  return {};
}

std::string CheckTree(const ScanResult& r) {
  // Every folder but the root is listed exactly once, by its tree parent.
  std::vector<std::uint8_t> listed(r.folders.size(), 0);
  std::size_t children = 0;
  for (const DirNode& parent : r.folders) {
    for (const std::int64_t id : r.Children(parent)) {
      const DirNode* child = id > 0 ? r.FindFolder(id) : nullptr;
      if (child == nullptr || child->id == kRootId) return "a child folder is unknown";
      if (child->tree_parent_id != parent.id) return "a child folder names another parent";
      std::uint8_t& seen = listed[static_cast<std::size_t>(child - r.folders.data())];
      if (seen != 0) return "a folder is listed twice";
      seen = 1;
      ++children;
    }
  }
  if (children != r.folders.size() - 1) return "a folder is not in the tree";
  // And every one is reached from the root: no loop hangs apart from it.
  std::size_t reached = 0;
  std::vector<std::uint32_t> stack{0};
  while (!stack.empty()) {
    const DirNode& at = r.folders[stack.back()];
    stack.pop_back();
    ++reached;
    for (const std::int64_t id : r.Children(at)) stack.push_back(r.folder_index[static_cast<std::size_t>(id)]);
  }
  if (reached != r.folders.size()) return "folders form a loop apart from the root";
  return {};
}

std::string CheckFiles(ScanResult& r, NameCheck& names) {
  std::size_t listed = 0;
  for (std::size_t i = 0; i < r.folders.size(); ++i) {
    for (const FileItem& file : r.Files(r.folders[i])) {
      if (file.folder != i) return "a file is listed under another folder";
    }
    listed += r.folders[i].file_count;
  }
  if (listed != r.files.size()) return "a file belongs to no folder";
  for (FileItem& file : r.files) {
    if (!names.Fit(file.name_offset, file.name_length)) return "a file name lies outside the names";
    if (file.extension >= r.extensions.size()) return "a file's extension is out of range";
  }
  for (const std::uint32_t index : r.largest_files) {
    if (index >= r.files.size()) return "a largest file is out of range";
  }
  return {};
}

// A scan never yields a negative size or count: one in a file is damage,
// and would only turn later differences and sums around.
std::string CheckNumbers(const ScanResult& r) {
  if (r.file_count < 0 || r.folder_count < 0 || r.root_total_size < 0 || r.unreadable_records < 0) {
    return "a total of the scan is negative";
  }
  if (!std::isfinite(r.elapsed_seconds) || r.elapsed_seconds < 0) return "the scan's duration is not a duration";
  for (const ByteRange& range : r.unreadable_ranges) {
    if (range.offset < 0 || range.length < 0) return "an unreadable range is negative";
  }
  for (const DirNode& f : r.folders) {
    if (f.total_size < 0 || f.total_alloc < 0 || f.direct_size < 0 || f.direct_alloc < 0 || f.direct_file_count < 0 ||
        f.total_file_count < 0 || f.total_folder_count < 0) {
      return "a folder's size or count is negative";
    }
  }
  for (const FileItem& file : r.files) {
    if (file.size < 0 || file.alloc < 0) return "a file's size is negative";
  }
  for (const ExtStat& e : r.extensions) {
    if (e.total_size < 0 || e.file_count < 0) return "an extension's size or count is negative";
  }
  return {};
}

}  // namespace

std::string CheckSnapshotResult(ScanResult& result) {
  NameCheck names(result);
  std::string problem = CheckNumbers(result);
  if (problem.empty()) problem = CheckFolders(result, names);
  if (problem.empty()) problem = CheckTree(result);
  if (problem.empty()) problem = CheckFiles(result, names);
  return problem;
}

}  // namespace tw
