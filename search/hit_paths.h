#pragma once
// The paths of search matches, made only for the matches that need one (a
// row shown, a line printed, a tie in the order), each folder's path built
// once (BuildFolderPath) and kept while the object lives.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "model/scan_result.h"
#include "search/matcher.h"

namespace tw {

class HitPaths {
 public:
  explicit HitPaths(const ScanResult& result) : result_(result) {}

  // The full path: a folder's own path (X:\ for the root), or a file's
  // folder path, a backslash unless that ends in one, and its name.
  std::wstring Path(const SearchHit& hit);

  // Where the match is, as the 文件夹 column shows it: a file's folder path;
  // a folder's path without its own name (X:\ for a folder in the root, ""
  // for the root itself).
  std::wstring Location(const SearchHit& hit);

  // Orders two matches by their full paths, compared as the lists compare
  // names (ASCII letters folded, then UTF-16 units as unsigned numbers),
  // then unit by unit as they are, then files before folders and by index,
  // so that no two matches are equal. Builds no path string of a match.
  int ComparePaths(const SearchHit& a, const SearchHit& b);

  // The path of folders[index] (BuildFolderPath), kept.
  const std::wstring& FolderPath(std::uint32_t index);

 private:
  const ScanResult& result_;
  std::unordered_map<std::uint32_t, std::wstring> folder_paths_;
  // The folders whose paths were made from their parents' up to the root
  // (not cut by BuildFolderPath): only those are built on.
  std::unordered_set<std::uint32_t> reaches_root_;
};

// Compares UTF-16 texts as the lists sort names: the ASCII letters A-Z
// folded to a-z, then units as unsigned numbers; a proper prefix first.
int CompareNamesNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace tw
