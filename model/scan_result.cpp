#include "model/scan_result.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>
#include <unordered_map>
#include <utility>

#include "base/arithmetic.h"
#include "base/extension.h"
#include "base/name_arena.h"

namespace tw {

// Moving hands every field over and leaves the source as a default-constructed
// result (empty arrays, empty drive, counters reset), not merely in a valid
// but unspecified state.
ScanResult::ScanResult(ScanResult&& other) noexcept
    : folders(std::move(other.folders)),
      folder_index(std::move(other.folder_index)),
      child_ids(std::move(other.child_ids)),
      files(std::move(other.files)),
      names(std::move(other.names)),
      extensions(std::move(other.extensions)),
      largest_files(std::move(other.largest_files)),
      root_id(other.root_id),
      file_count(other.file_count),
      folder_count(other.folder_count),
      root_total_size(other.root_total_size),
      elapsed_seconds(other.elapsed_seconds),
      drive(std::move(other.drive)),
      unreadable_records(other.unreadable_records),
      unreadable_ranges(std::move(other.unreadable_ranges)),
      scanned_at(other.scanned_at),
      volume_serial(other.volume_serial) {
  other.Reset();
}

ScanResult& ScanResult::operator=(ScanResult&& other) noexcept {
  if (this == &other) return *this;
  folders = std::move(other.folders);
  folder_index = std::move(other.folder_index);
  child_ids = std::move(other.child_ids);
  files = std::move(other.files);
  names = std::move(other.names);
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
  scanned_at = other.scanned_at;
  volume_serial = other.volume_serial;
  other.Reset();
  return *this;
}

void ScanResult::Reset() noexcept {
  folders.clear();
  folder_index.clear();
  child_ids.clear();
  files.clear();
  names.clear();
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
  scanned_at = 0;
  volume_serial = 0;
}

const DirNode* ScanResult::FindFolder(std::int64_t id) const {
  const std::int64_t record = RootIfNotPositive(id);
  if (static_cast<std::uint64_t>(record) >= folder_index.size()) return nullptr;
  const std::uint32_t index = folder_index[static_cast<std::size_t>(record)];
  return index < folders.size() ? &folders[index] : nullptr;
}

std::span<const FileItem> ScanResult::FindFiles(std::int64_t folder_id) const {
  const DirNode* folder = FindFolder(folder_id);
  return folder == nullptr ? std::span<const FileItem>() : Files(*folder);
}

std::span<const std::int64_t> ScanResult::Children(const DirNode& folder) const {
  if (folder.first_child > child_ids.size() || folder.child_count > child_ids.size() - folder.first_child) return {};
  return std::span<const std::int64_t>(child_ids).subspan(folder.first_child, folder.child_count);
}

std::span<const FileItem> ScanResult::Files(const DirNode& folder) const {
  if (folder.first_file > files.size() || folder.file_count > files.size() - folder.first_file) return {};
  return std::span<const FileItem>(files).subspan(folder.first_file, folder.file_count);
}

std::u16string_view ScanResult::Name(const DirNode& folder) const {
  return names.View(folder.name.offset, folder.name.length);
}

std::u16string_view ScanResult::Name(const FileItem& file) const {
  return names.View(file.name_offset, file.name_length);
}

std::wstring ScanResult::NameText(const DirNode& folder) const { return WideText(Name(folder)); }

std::wstring ScanResult::NameText(const FileItem& file) const { return WideText(Name(file)); }

const std::wstring& ScanResult::Extension(const FileItem& file) const {
  static const std::wstring kNone;
  return file.extension < extensions.size() ? extensions[file.extension].extension : kNone;
}

std::int64_t ScanResult::FolderId(const FileItem& file) const {
  return file.folder < folders.size() ? folders[file.folder].id : kRootId;
}

FileEntry ScanResult::Entry(const FileItem& file) const {
  FileEntry entry;
  entry.name = NameText(file);
  entry.extension = Extension(file);
  entry.folder_id = FolderId(file);
  entry.size = file.size;
  entry.alloc = file.alloc;
  entry.id = file.id;
  entry.mtime = file.mtime;
  entry.attributes = file.attributes;
  return entry;
}

std::wstring WideText(std::u16string_view units) { return std::wstring(units.begin(), units.end()); }

std::uint32_t ScanResultPacker::AppendName(std::wstring_view name) { return result_.names.Append(name); }

void ScanResultPacker::Reserve(std::size_t folders, std::size_t files) {
  result_.folders.reserve(folders);
  result_.files.reserve(files);
}

std::uint32_t ScanResultPacker::AddFolder(const DirNode& node) {
  if (result_.folders.size() >= ScanResult::kNoFolder) throw std::bad_alloc();
  result_.folders.push_back(node);
  return static_cast<std::uint32_t>(result_.folders.size() - 1);
}

std::uint32_t ScanResultPacker::AddFolder(const DirNode& node, std::wstring_view name) {
  DirNode named = node;
  named.name = NameRef{AppendName(name), static_cast<std::uint32_t>(name.size())};
  return AddFolder(named);
}

void ScanResultPacker::AddFile(std::uint32_t folder, const FileItem& file, std::wstring_view name) {
  if (result_.files.size() >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  FileItem& added = result_.files.emplace_back(file);
  added.folder = folder;
  added.name_offset = AppendName(name);
  added.name_length = static_cast<std::uint32_t>(name.size());
}

namespace {

// Each file's extension text, its totals and, once ranked, its index. One
// hash lookup per file: each file first gets the slot of its extension in
// first-seen order, then the slot's rank.
void FinishExtensions(ScanResult& result) {
  struct ViewHash {
    std::size_t operator()(std::u16string_view text) const noexcept { return std::hash<std::u16string_view>{}(text); }
  };
  std::unordered_map<std::u16string_view, std::uint32_t, ViewHash> slot_of;
  std::vector<std::u16string_view> texts;
  std::vector<ExtStat> totals;
  for (FileItem& file : result.files) {
    const auto [at, added] =
        slot_of.try_emplace(ExtensionOf(result.Name(file)), static_cast<std::uint32_t>(texts.size()));
    if (added) {
      texts.push_back(at->first);
      totals.emplace_back();
    }
    ExtStat& sums = totals[at->second];
    sums.total_size = SaturatingAdd(sums.total_size, file.size);
    sums.file_count = SaturatingAdd(sums.file_count, std::int32_t{1});
    file.extension = at->second;
  }
  std::vector<std::uint32_t> ranked(texts.size());
  for (std::uint32_t i = 0; i < ranked.size(); ++i) ranked[i] = i;
  std::sort(ranked.begin(), ranked.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (totals[a].total_size != totals[b].total_size) return totals[a].total_size > totals[b].total_size;
    return texts[a] < texts[b];
  });
  std::vector<std::uint32_t> rank_of(ranked.size());
  result.extensions.clear();
  result.extensions.reserve(ranked.size());
  for (std::uint32_t rank = 0; rank < ranked.size(); ++rank) {
    rank_of[ranked[rank]] = rank;
    ExtStat& stat = result.extensions.emplace_back(std::move(totals[ranked[rank]]));
    stat.extension = WideText(texts[ranked[rank]]);
  }
  for (FileItem& file : result.files) file.extension = rank_of[file.extension];
}

}  // namespace

void ScanResultPacker::IndexFolders() {
  ScanResult& r = result_;
  std::int64_t highest = -1;
  for (const DirNode& node : r.folders) highest = std::max(highest, node.id);
  r.folder_index.assign(static_cast<std::size_t>(highest + 1), ScanResult::kNoFolder);
  for (std::size_t i = 0; i < r.folders.size(); ++i) {
    if (r.folders[i].id >= 0) r.folder_index[static_cast<std::size_t>(r.folders[i].id)] = static_cast<std::uint32_t>(i);
  }
}

void ScanResultPacker::LinkChildren() {
  const ScanResult& r = result_;
  std::vector<std::uint32_t> parent_of(r.folders.size(), ScanResult::kNoFolder);
  for (std::size_t i = 0; i < r.folders.size(); ++i) {
    const DirNode& node = r.folders[i];
    if (node.id == node.tree_parent_id) continue;
    const DirNode* parent = r.FindFolder(node.tree_parent_id);
    if (parent != nullptr) parent_of[i] = static_cast<std::uint32_t>(parent - r.folders.data());
  }
  LinkChildren(parent_of);
}

void ScanResultPacker::LinkChildren(const std::vector<std::uint32_t>& parent_of) {
  ScanResult& r = result_;
  const std::size_t folder_total = r.folders.size();
  // Counted, placed by running sums, filled in folder order.
  for (DirNode& node : r.folders) node.child_count = 0;
  for (std::size_t i = 0; i < folder_total; ++i) {
    if (parent_of[i] != ScanResult::kNoFolder) ++r.folders[parent_of[i]].child_count;
  }
  std::uint32_t next = 0;
  for (DirNode& node : r.folders) {
    node.first_child = next;
    next += node.child_count;
    node.child_count = 0;
  }
  r.child_ids.assign(next, 0);
  for (std::size_t i = 0; i < folder_total; ++i) {
    if (parent_of[i] == ScanResult::kNoFolder) continue;
    DirNode& parent = r.folders[parent_of[i]];
    r.child_ids[parent.first_child + parent.child_count++] = r.folders[i].id;
  }
}

void ScanResultPacker::Finish() {
  ScanResult& r = result_;
  const std::size_t folder_total = r.folders.size();
  IndexFolders();
  LinkChildren();

  // Files grouped by folder, keeping the order they were added in.
  for (DirNode& node : r.folders) node.file_count = 0;
  for (const FileItem& file : r.files) {
    if (file.folder < folder_total) ++r.folders[file.folder].file_count;
  }
  std::uint32_t placed = 0;
  for (DirNode& node : r.folders) {
    node.first_file = placed;
    placed += node.file_count;
    node.file_count = 0;
  }
  const bool grouped_already = placed == r.files.size() &&
                               std::is_sorted(r.files.begin(), r.files.end(),
                                              [](const FileItem& a, const FileItem& b) { return a.folder < b.folder; });
  if (grouped_already) {
    for (const FileItem& file : r.files) ++r.folders[file.folder].file_count;
  } else {
    std::vector<FileItem> grouped(placed);
    for (const FileItem& file : r.files) {
      if (file.folder >= folder_total) continue;
      DirNode& folder = r.folders[file.folder];
      grouped[folder.first_file + folder.file_count++] = file;
    }
    r.files = std::move(grouped);
  }

  FinishExtensions(r);
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
    const DirNode* node = result.FindFolder(current);
    if (node == nullptr) break;
    if (node == mark) {
      loop_start = mark_index;
      lap = chain.size() - mark_index;
      break;
    }
    if (length + node->name.length + 1 > kMaxPathLength) {
      too_long = true;
      break;
    }
    length += node->name.length + 1;
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
    const std::u16string_view name = result.Name(**it);
    path.append(name.begin(), name.end());
  }
  return path;
}

}  // namespace tw
