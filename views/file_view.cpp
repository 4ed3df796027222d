#include "views/file_view.h"

#include <algorithm>

#include "format/format.h"
#include "views/text_compare.h"

namespace tw {
namespace {

// -1, 0 or 1 by the column's key, ascending (not the folder path's).
int CompareBy(const FileEntry& a, const FileEntry& b, std::int32_t column) {
  const auto numbers = [](std::int64_t x, std::int64_t y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (column) {
    case 0:
      return CompareTextNoCase(a.name, b.name);
    case 2:
      return CompareTextNoCase(a.extension, b.extension);
    case 4:
      return numbers(a.alloc, b.alloc);
    case 5:
      return numbers(a.mtime, b.mtime);
    default:
      return numbers(a.size, b.size);
  }
}

// Sorts order by the folder paths of the files: each distinct folder's path is
// built once, and every entry of order points at its folder's text, so the
// comparisons do not build or look up paths.
void SortByFolderPath(const ScanResult& result, std::vector<std::size_t>& order, bool ascending) {
  const std::vector<FileEntry>& files = result.largest_files;
  IdMap<std::wstring> paths;
  std::vector<const std::wstring*> path_of(files.size(), nullptr);
  for (const std::size_t index : order) {
    const std::int64_t folder = files[index].folder_id;
    auto [it, added] = paths.try_emplace(folder);
    if (added) it->second = BuildFolderPath(result, folder, result.drive);
    path_of[index] = &it->second;  // map entries stay put as the map grows
  }
  if (ascending) {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareTextNoCase(*path_of[a], *path_of[b]) < 0; });
  } else {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareTextNoCase(*path_of[a], *path_of[b]) > 0; });
  }
}

}  // namespace

void SortLargestFiles(const ScanResult& result, std::vector<std::size_t>& order, const ListSort& sort) {
  const std::vector<FileEntry>& files = result.largest_files;
  const std::int32_t column = sort.sort_column;
  if (column == 1) {
    SortByFolderPath(result, order, sort.sort_ascending);
    return;
  }
  if (sort.sort_ascending) {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(files[a], files[b], column) < 0; });
  } else {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(files[a], files[b], column) > 0; });
  }
}

void FillFileView(const ScanResult& result, FileViewState& state) {
  const std::vector<FileEntry>& files = result.largest_files;
  MatchListOrder(state.order, files.size());
  state.file_view.clear();
  for (std::size_t k = 0; k < state.order.size() && state.file_view.size() < kMaxListRows; ++k) {
    if (files[state.order[k]].size != 0) state.file_view.push_back(state.order[k]);
  }
}

void FileViewColumnClick(const ScanResult& result, FileViewState& state, std::int32_t column) {
  ApplyColumnClick(state.sort, column);
  MatchListOrder(state.order, result.largest_files.size());
  SortLargestFiles(result, state.order, state.sort);
  FillFileView(result, state);
}

void RefreshFileView(const ScanResult& result, FileViewState& state) {
  state.order.clear();
  MatchListOrder(state.order, result.largest_files.size());
  SortLargestFiles(result, state.order, state.sort);
  FillFileView(result, state);
}

const FileEntry* FileViewEntry(const ScanResult& result, const FileViewState& state, std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.file_view.size()) return nullptr;
  const std::uint64_t index = state.file_view[static_cast<std::size_t>(row)];
  if (index >= result.largest_files.size()) return nullptr;
  return &result.largest_files[static_cast<std::size_t>(index)];
}

std::wstring FileViewCellText(const ScanResult& result, const FileEntry& file, std::int32_t column) {
  switch (column) {
    case 0:
      return file.name;
    case 1:
      return BuildFolderPath(result, file.folder_id, result.drive);
    case 2:
      return ExtensionLabel(file.extension);
    case 3:
      return FormatSize(static_cast<std::uint64_t>(file.size));
    case 4:
      return FormatSize(static_cast<std::uint64_t>(file.alloc));
    case 5:
      return FormatFileTime(file.mtime);
    default:
      return std::wstring();
  }
}

std::wstring FileContextMenuPath(const ScanResult& result, const FileEntry& file) {
  std::wstring path = BuildFolderPath(result, file.folder_id, result.drive);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += file.name;
  return path;
}

Colour ExtensionSwatchColour(const std::vector<ExtStat>& extensions, const std::vector<std::size_t>& order,
                             std::wstring_view text) {
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (order[k] < extensions.size() && CompareTextNoCase(extensions[order[k]].extension, text) == 0) {
      return PaletteColour(k);
    }
  }
  std::uint64_t h = 0;
  for (wchar_t unit : text) h = h * 31 + (static_cast<std::uint64_t>(unit) & 0xFFFFu);
  return PaletteColour(h);
}

}  // namespace tw
