#include "search/hit_paths.h"

#include <algorithm>

namespace tw {
namespace {

// A text in up to three pieces, read unit by unit without joining them:
// a folder path, a separator, a name.
class PiecedText {
 public:
  PiecedText(std::wstring_view path, bool separator, std::u16string_view name)
      : path_(path), separator_(separator), name_(name) {}

  std::size_t size() const { return path_.size() + (separator_ ? 1 : 0) + name_.size(); }
  std::uint32_t operator[](std::size_t i) const {
    if (i < path_.size()) return static_cast<std::uint32_t>(path_[i]) & 0xFFFFu;
    i -= path_.size();
    if (separator_) {
      if (i == 0) return u'\\';
      --i;
    }
    return name_[i];
  }

 private:
  std::wstring_view path_;
  bool separator_;
  std::u16string_view name_;
};

std::uint32_t FoldAscii(std::uint32_t u) { return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u; }

template <typename Text>
int CompareTexts(const Text& a, const Text& b, bool fold) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t x = fold ? FoldAscii(a[i]) : a[i];
    const std::uint32_t y = fold ? FoldAscii(b[i]) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename Text>
int CompareFoldedThenExact(const Text& a, const Text& b) {
  const int folded = CompareTexts(a, b, true);
  return folded != 0 ? folded : CompareTexts(a, b, false);
}

bool EndsWithSeparator(std::wstring_view path) { return !path.empty() && path.back() == L'\\'; }

}  // namespace

int CompareNamesNoCase(std::u16string_view a, std::u16string_view b) { return CompareTexts(a, b, true); }

const std::wstring& HitPaths::FolderPath(std::uint32_t index) {
  if (const auto known = folder_paths_.find(index); known != folder_paths_.end()) return known->second;
  if (index >= result_.folders.size()) return folder_paths_[index];
  // Up the parents to one whose path is known and was made this way, or
  // to the root; then down again, each path its parent's, a backslash and
  // the name, as BuildFolderPath makes it. A loop, or a path too long, is
  // left to BuildFolderPath, which cuts them (and such a path is never
  // built on: a folder of a loop is not below its parent).
  std::vector<std::uint32_t> chain{index};
  const std::wstring* base = nullptr;
  bool plain = true;
  while (true) {
    const DirNode& folder = result_.folders[chain.back()];
    if (folder.id == kRootId || chain.size() > 4096) {
      plain = folder.id == kRootId;
      break;
    }
    const DirNode* parent = result_.FindFolder(RootIfNotPositive(folder.parent_id));
    if (parent == nullptr) break;  // the outermost known folder hangs from the drive
    const auto parent_index = static_cast<std::uint32_t>(parent - result_.folders.data());
    if (const auto known = folder_paths_.find(parent_index);
        known != folder_paths_.end() && reaches_root_.count(parent_index) != 0) {
      base = &known->second;
      break;
    }
    if (std::find(chain.begin(), chain.end(), parent_index) != chain.end()) {
      plain = false;  // a loop
      break;
    }
    chain.push_back(parent_index);
  }
  if (!plain) return folder_paths_[index] = BuildFolderPath(result_, result_.folders[index].id, result_.drive);
  std::wstring path = base != nullptr ? *base : result_.drive + L":\\";
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const DirNode& folder = result_.folders[*it];
    if (folder.id != kRootId) {
      if (path.back() != L'\\') path.push_back(L'\\');
      const std::u16string_view name = result_.Name(folder);
      path.append(name.begin(), name.end());
    }
    if (path.size() > kMaxPathLength) {
      return folder_paths_[index] = BuildFolderPath(result_, result_.folders[index].id, result_.drive);
    }
    folder_paths_.emplace(*it, path);
    reaches_root_.insert(*it);
  }
  return folder_paths_[index];
}

std::wstring HitPaths::Path(const SearchHit& hit) {
  if (hit.folder) return FolderPath(hit.index);
  if (hit.index >= result_.files.size()) return {};
  const FileItem& file = result_.files[hit.index];
  std::wstring path = FolderPath(file.folder);
  if (!path.empty() && !EndsWithSeparator(path)) path += L'\\';
  const std::u16string_view name = result_.Name(file);
  path.append(name.begin(), name.end());
  return path;
}

std::wstring HitPaths::Location(const SearchHit& hit) {
  if (!hit.folder) return hit.index < result_.files.size() ? FolderPath(result_.files[hit.index].folder) : L"";
  if (hit.index >= result_.folders.size() || result_.folders[hit.index].id == result_.root_id) return {};
  const std::wstring& path = FolderPath(hit.index);
  const std::u16string_view name = result_.Name(result_.folders[hit.index]);
  // The path ends in "\" + the folder's own name, unless it was cut short
  // (a chain too long for a path): then up to its last backslash.
  std::size_t cut = std::wstring::npos;
  if (path.size() > name.size() && path[path.size() - name.size() - 1] == L'\\' &&
      std::equal(name.begin(), name.end(), path.end() - static_cast<std::ptrdiff_t>(name.size()),
                 [](char16_t n, wchar_t p) { return static_cast<wchar_t>(n) == p; })) {
    cut = path.size() - name.size() - 1;
  } else {
    cut = path.rfind(L'\\');
  }
  if (cut == std::wstring::npos) return {};
  std::wstring location = path.substr(0, cut);
  if (location.find(L'\\') == std::wstring::npos) location += L'\\';  // "X:" is the root, "X:\"
  return location;
}

int HitPaths::ComparePaths(const SearchHit& a, const SearchHit& b) {
  int order = 0;
  if (!a.folder && !b.folder && a.index < result_.files.size() && b.index < result_.files.size() &&
      result_.files[a.index].folder == result_.files[b.index].folder) {
    // One folder: the paths differ only in the names after it.
    order = CompareFoldedThenExact(result_.Name(result_.files[a.index]), result_.Name(result_.files[b.index]));
  } else {
    const auto pieces = [this](const SearchHit& hit) {
      if (hit.folder || hit.index >= result_.files.size()) {
        return PiecedText(FolderPath(hit.folder ? hit.index : ScanResult::kNoFolder), false, {});
      }
      const FileItem& file = result_.files[hit.index];
      const std::wstring& path = FolderPath(file.folder);
      return PiecedText(path, !path.empty() && !EndsWithSeparator(path), result_.Name(file));
    };
    order = CompareFoldedThenExact(pieces(a), pieces(b));
  }
  if (order != 0) return order;
  if (a.folder != b.folder) return a.folder ? 1 : -1;
  if (a.index != b.index) return a.index < b.index ? -1 : 1;
  return 0;
}

}  // namespace tw
