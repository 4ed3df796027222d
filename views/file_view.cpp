#include "views/file_view.h"

#include <algorithm>

#include "format/format.h"
#include "views/text_compare.h"

namespace tw {
namespace {

// The file at position k of largest_files; an empty file for a position or
// index the result does not hold.
const FileItem& LargestFile(const ScanResult& result, std::size_t k) {
  static const FileItem kNone;
  if (k >= result.largest_files.size()) return kNone;
  const std::uint32_t index = result.largest_files[k];
  return index < result.files.size() ? result.files[index] : kNone;
}

// -1, 0 or 1 by the column's key, ascending (not the folder path's).
int CompareBy(const ScanResult& result, const FileItem& a, const FileItem& b, std::int32_t column) {
  const auto numbers = [](std::int64_t x, std::int64_t y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (column) {
    case 0:
      return CompareTextNoCase(result.Name(a), result.Name(b));
    case 2:
      return CompareTextNoCase(result.Extension(a), result.Extension(b));
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
  IdMap<std::wstring> paths;
  std::vector<const std::wstring*> path_of(result.largest_files.size(), nullptr);
  for (const std::size_t k : order) {
    const std::int64_t folder = result.FolderId(LargestFile(result, k));
    auto [it, added] = paths.try_emplace(folder);
    if (added) it->second = BuildFolderPath(result, folder, result.drive);
    path_of[k] = &it->second;  // map entries stay put as the map grows
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
  const std::int32_t column = sort.sort_column;
  if (column == 1) {
    SortByFolderPath(result, order, sort.sort_ascending);
    return;
  }
  const auto file = [&](std::size_t k) -> const FileItem& { return LargestFile(result, k); };
  if (sort.sort_ascending) {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(result, file(a), file(b), column) < 0; });
  } else {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(result, file(a), file(b), column) > 0; });
  }
}

void FillFileView(const ScanResult& result, FileViewState& state) {
  MatchListOrder(state.order, result.largest_files.size());
  state.file_view.clear();
  for (std::size_t k = 0; k < state.order.size() && state.file_view.size() < kMaxListRows; ++k) {
    if (LargestFile(result, state.order[k]).size != 0) state.file_view.push_back(state.order[k]);
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

const FileItem* FileViewEntry(const ScanResult& result, const FileViewState& state, std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.file_view.size()) return nullptr;
  const std::uint64_t k = state.file_view[static_cast<std::size_t>(row)];
  if (k >= result.largest_files.size()) return nullptr;
  const std::uint32_t index = result.largest_files[static_cast<std::size_t>(k)];
  if (index >= result.files.size()) return nullptr;
  return &result.files[index];
}

std::wstring FileViewCellText(const ScanResult& result, const FileItem& file, std::int32_t column) {
  switch (column) {
    case 0:
      return result.NameText(file);
    case 1:
      return BuildFolderPath(result, result.FolderId(file), result.drive);
    case 2:
      return ExtensionLabel(result.Extension(file));
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

std::wstring FileContextMenuPath(const ScanResult& result, const FileItem& file) {
  std::wstring path = BuildFolderPath(result, result.FolderId(file), result.drive);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += result.NameText(file);
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
