#include "views/folder_row_order.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "format/format.h"
#include "texts/texts.h"
#include "views/folder_rows.h"
#include "views/text_compare.h"

namespace tw {
namespace {

// ---- Children of one folder ----------------------------------------------

// A text of this program as UTF-16 units, to compare with names.
std::u16string Units(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t unit : text) units.push_back(static_cast<char16_t>(unit));
  return units;
}

struct KeyedEntry {
  FolderEntry entry;
  std::int64_t key = 0;
  std::u16string_view name;
  std::wstring attributes;  // filled only when sorting by attributes
};

std::int64_t ChildKey(const DirNode& child, std::int32_t column) {
  switch (column) {
    case kFolderColumnSize:
      return child.total_size;
    case kFolderColumnItems:
      return std::int64_t{child.total_file_count} + std::int64_t{child.total_folder_count};
    case kFolderColumnFiles:
      return child.total_file_count;
    case kFolderColumnFolders:
      return child.total_folder_count;
    case kFolderColumnModified:
      return child.mtime;
    default:
      return child.total_alloc;  // share of parent, allocated, and anything else
  }
}

std::int64_t DirectFilesKey(const DirNode& folder, std::int32_t column) {
  switch (column) {
    case kFolderColumnSize:
      return folder.direct_size;
    case kFolderColumnItems:
    case kFolderColumnFiles:
      return folder.direct_file_count;
    case kFolderColumnFolders:
    case kFolderColumnModified:
      return 0;
    default:
      return folder.direct_alloc;
  }
}

// ---- Files of one folder ---------------------------------------------------

std::int64_t FileKey(const FileItem& file, std::size_t index, std::int32_t column) {
  switch (column) {
    case kFolderColumnSize:
      return file.size;
    case kFolderColumnItems:
    case kFolderColumnFiles:
    case kFolderColumnFolders:
      // Every file is one item, one file and no folder: the list order decides.
      return static_cast<std::int64_t>(index);
    case kFolderColumnModified:
      return file.mtime;
    default:
      return file.alloc;
  }
}

}  // namespace

std::vector<FolderEntry> OrderFolderEntries(const ScanResult& result, const DirNode& folder, std::int32_t column,
                                            bool ascending) {
  const bool by_text = column == kFolderColumnName || column == kFolderColumnAttributes;
  const std::u16string direct_files = Units(text::kDirectFiles);
  const std::span<const std::int64_t> children = result.Children(folder);
  std::vector<KeyedEntry> keyed;
  keyed.reserve(children.size() + 1);
  for (std::int64_t child_id : children) {
    // Exact lookup: a corrupt child id of 0 or below is no folder.
    const DirNode* child = child_id > 0 ? result.FindFolder(child_id) : nullptr;
    if (child == nullptr) continue;
    KeyedEntry& k = keyed.emplace_back();
    k.entry = {child_id, child};
    k.key = ChildKey(*child, column);
    k.name = result.Name(*child);
    if (column == kFolderColumnAttributes) k.attributes = FormatAttributes(child->attributes);
  }
  if (folder.direct_file_count > 0 || folder.direct_size > 0) {
    KeyedEntry& k = keyed.emplace_back();
    k.entry = {0, nullptr};
    k.key = DirectFilesKey(folder, column);
    k.name = direct_files;  // its attribute text stays empty
  }

  std::sort(keyed.begin(), keyed.end(), [&](const KeyedEntry& a, const KeyedEntry& b) {
    if (by_text) {
      const int c = column == kFolderColumnName ? CompareTextNoCase(a.name, b.name)
                                                : CompareTextNoCase(a.attributes, b.attributes);
      if (c != 0) return ascending ? c < 0 : c > 0;
      // A folder named like the pseudo row sorts before it, in both directions.
      return a.entry.folder != nullptr && b.entry.folder == nullptr;
    }
    if (a.key != b.key) return ascending ? a.key < b.key : a.key > b.key;
    return CompareTextNoCase(a.name, b.name) < 0;
  });

  std::vector<FolderEntry> ordered;
  ordered.reserve(keyed.size());
  for (const KeyedEntry& k : keyed) ordered.push_back(k.entry);
  return ordered;
}

std::vector<std::size_t> OrderFileIndices(const ScanResult& result, std::span<const FileItem> files,
                                          std::int32_t column, bool ascending) {
  std::vector<std::size_t> order(files.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;

  if (column == kFolderColumnName || column == kFolderColumnAttributes) {
    // Attribute texts are made once per file, not once per comparison.
    std::vector<std::wstring> texts;
    if (column == kFolderColumnAttributes) {
      texts.reserve(files.size());
      for (const FileItem& f : files) texts.push_back(FormatAttributes(f.attributes));
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const int c = column == kFolderColumnName ? CompareTextNoCase(result.Name(files[a]), result.Name(files[b]))
                                                : CompareTextNoCase(texts[a], texts[b]);
      return ascending ? c < 0 : c > 0;
    });
    return order;
  }

  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const std::int64_t ka = FileKey(files[a], a, column);
    const std::int64_t kb = FileKey(files[b], b, column);
    if (ka != kb) return ascending ? ka < kb : ka > kb;
    return CompareTextNoCase(result.Name(files[a]), result.Name(files[b])) < 0;
  });
  return order;
}

}  // namespace tw
