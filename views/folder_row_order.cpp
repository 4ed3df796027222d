#include "views/folder_row_order.h"

#include <algorithm>
#include <string>

#include "format/format.h"
#include "texts/texts.h"
#include "views/folder_rows.h"
#include "views/text_compare.h"

namespace tw {
namespace {

// ---- Children of one folder ----------------------------------------------

struct KeyedEntry {
  FolderEntry entry;
  std::int64_t key = 0;
  const std::wstring* name = nullptr;
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

std::int64_t FileKey(const FileEntry& file, std::size_t index, std::int32_t column) {
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
  const std::wstring direct_files = text::kDirectFiles;
  std::vector<KeyedEntry> keyed;
  keyed.reserve(folder.children.size() + 1);
  for (std::int64_t child_id : folder.children) {
    auto it = result.folders.find(child_id);
    if (it == result.folders.end()) continue;
    const DirNode& child = it->second;
    KeyedEntry& k = keyed.emplace_back();
    k.entry = {child_id, &child};
    k.key = ChildKey(child, column);
    k.name = &child.name;
    if (column == kFolderColumnAttributes) k.attributes = FormatAttributes(child.attributes);
  }
  if (folder.direct_file_count > 0 || folder.direct_size > 0) {
    KeyedEntry& k = keyed.emplace_back();
    k.entry = {0, nullptr};
    k.key = DirectFilesKey(folder, column);
    k.name = &direct_files;  // its attribute text stays empty
  }

  std::sort(keyed.begin(), keyed.end(), [&](const KeyedEntry& a, const KeyedEntry& b) {
    if (by_text) {
      const int c = column == kFolderColumnName ? CompareTextNoCase(*a.name, *b.name)
                                                : CompareTextNoCase(a.attributes, b.attributes);
      if (c != 0) return ascending ? c < 0 : c > 0;
      // A folder named like the pseudo row sorts before it, in both directions.
      return a.entry.folder != nullptr && b.entry.folder == nullptr;
    }
    if (a.key != b.key) return ascending ? a.key < b.key : a.key > b.key;
    return CompareTextNoCase(*a.name, *b.name) < 0;
  });

  std::vector<FolderEntry> ordered;
  ordered.reserve(keyed.size());
  for (const KeyedEntry& k : keyed) ordered.push_back(k.entry);
  return ordered;
}

std::vector<std::size_t> OrderFileIndices(const std::vector<FileEntry>& files, std::int32_t column, bool ascending) {
  std::vector<std::size_t> order(files.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;

  if (column == kFolderColumnName || column == kFolderColumnAttributes) {
    // Attribute texts are made once per file, not once per comparison.
    std::vector<std::wstring> texts;
    if (column == kFolderColumnAttributes) {
      texts.reserve(files.size());
      for (const FileEntry& f : files) texts.push_back(FormatAttributes(f.attributes));
    }
    auto text = [&](std::size_t i) -> const std::wstring& {
      return column == kFolderColumnName ? files[i].name : texts[i];
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const int c = CompareTextNoCase(text(a), text(b));
      return ascending ? c < 0 : c > 0;
    });
    return order;
  }

  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const std::int64_t ka = FileKey(files[a], a, column);
    const std::int64_t kb = FileKey(files[b], b, column);
    if (ka != kb) return ascending ? ka < kb : ka > kb;
    return CompareTextNoCase(files[a].name, files[b].name) < 0;
  });
  return order;
}

}  // namespace tw
