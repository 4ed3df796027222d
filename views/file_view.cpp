#include "views/file_view.h"

#include <algorithm>

#include "format/format.h"
#include "views/text_compare.h"

namespace tw {
namespace {

// -1, 0 or 1 by the column's key, ascending.
int CompareBy(const FileEntry& a, const FileEntry& b, std::int32_t column) {
  const auto numbers = [](std::int64_t x, std::int64_t y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (column) {
    case 0:
      return CompareTextNoCase(a.name, b.name);
    case 1:
      return CompareTextNoCase(a.folder_path, b.folder_path);
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

}  // namespace

void SortLargestFiles(std::vector<FileEntry>& files, const ListSort& sort) {
  const std::int32_t column = sort.sort_column;
  if (sort.sort_ascending) {
    std::sort(files.begin(), files.end(),
              [column](const FileEntry& a, const FileEntry& b) { return CompareBy(a, b, column) < 0; });
  } else {
    std::sort(files.begin(), files.end(),
              [column](const FileEntry& a, const FileEntry& b) { return CompareBy(a, b, column) > 0; });
  }
}

void FillFileView(const ScanResult& result, FileViewState& state) {
  state.file_view.clear();
  const std::vector<FileEntry>& files = result.largest_files;
  for (std::size_t i = 0; i < files.size() && state.file_view.size() < kMaxListRows; ++i) {
    if (files[i].size != 0) state.file_view.push_back(i);
  }
}

void FileViewColumnClick(ScanResult& result, FileViewState& state, std::int32_t column) {
  ApplyColumnClick(state.sort, column);
  SortLargestFiles(result.largest_files, state.sort);
  FillFileView(result, state);
}

void RefreshFileView(ScanResult& result, FileViewState& state) {
  SortLargestFiles(result.largest_files, state.sort);
  FillFileView(result, state);
}

const FileEntry* FileViewEntry(const ScanResult& result, const FileViewState& state, std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.file_view.size()) return nullptr;
  const std::uint64_t index = state.file_view[static_cast<std::size_t>(row)];
  if (index >= result.largest_files.size()) return nullptr;
  return &result.largest_files[static_cast<std::size_t>(index)];
}

std::wstring FileViewCellText(const FileEntry& file, std::int32_t column) {
  switch (column) {
    case 0:
      return file.name;
    case 1:
      return file.folder_path;
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

std::wstring FileContextMenuPath(const FileEntry& file) {
  std::wstring path = file.folder_path;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += file.name;
  return path;
}

Colour ExtensionSwatchColour(const std::vector<ExtStat>& extensions, std::wstring_view text) {
  for (std::size_t k = 0; k < extensions.size(); ++k) {
    if (CompareTextNoCase(extensions[k].extension, text) == 0) return PaletteColour(k);
  }
  std::uint64_t h = 0;
  for (wchar_t unit : text) h = h * 31 + (static_cast<std::uint64_t>(unit) & 0xFFFFu);
  return PaletteColour(h);
}

}  // namespace tw
