#include "model/scan_compare.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/arithmetic.h"

namespace tw {
namespace {

std::int64_t AllocOf(const FileItem& file) { return file.alloc >= 0 ? file.alloc : std::max<std::int64_t>(file.size, 0); }

std::uint32_t IndexOf(const ScanResult& r, const DirNode* node) {
  return node == nullptr ? kNoSide : static_cast<std::uint32_t>(node - r.folders.data());
}

// Within one folder, files in the newer scan's order, vanished ones after.
std::uint64_t FileOrder(const ComparedFile& f) {
  return f.new_file != kNoSide ? f.new_file : (std::uint64_t{1} << 32) + f.old_file;
}

// The file lists keep their largest entries only: trimmed to `top`
// whenever they pass twice that, so a comparison of unrelated volumes does
// not hold every file.
class FileList {
 public:
  FileList(std::size_t top, std::vector<ComparedFile>& out) : top_(top), out_(out) {}
  template <typename Key>
  void Add(const ComparedFile& file, Key key) {
    if (top_ == 0) return;
    out_.push_back(file);
    if (out_.size() >= 2 * top_ + 1024) Trim(key);
  }
  template <typename Key>
  void Trim(Key key) {
    const auto before = [key](const ComparedFile& a, const ComparedFile& b) {
      const std::int64_t x = key(a), y = key(b);
      if (x != y) return x > y;
      if (a.folder != b.folder) return a.folder < b.folder;
      return FileOrder(a) < FileOrder(b);
    };
    if (out_.size() > top_) {
      std::nth_element(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(top_), out_.end(), before);
      out_.resize(top_);
    }
    std::sort(out_.begin(), out_.end(), before);
  }

 private:
  std::size_t top_;
  std::vector<ComparedFile>& out_;
};

struct Builder {
  Builder(const ScanResult& older, const ScanResult& newer, ComparedScans& scans, std::size_t top)
      : o(older),
        n(newer),
        s(scans),
        added(top, scans.added),
        removed(top, scans.removed),
        resized(top, scans.resized),
        grown(top, scans.grown),
        lost(top, scans.lost) {}

  const ScanResult& o;
  const ScanResult& n;
  ComparedScans& s;
  FileList added, removed, resized, grown, lost;

  static std::int64_t NewSize(const ComparedFile& f) { return f.new_size; }
  static std::int64_t OldSize(const ComparedFile& f) { return f.old_size; }
  static std::int64_t Change(const ComparedFile& f) {
    const std::int64_t d = SaturatingSub(f.new_size, f.old_size);
    return d < 0 ? (d == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max() : -d) : d;
  }
  static std::int64_t Growth(const ComparedFile& f) { return SaturatingSub(f.new_size, f.old_size); }
  static std::int64_t Loss(const ComparedFile& f) { return SaturatingSub(f.old_size, f.new_size); }

  void AddChild(std::uint32_t parent, std::uint32_t old_folder, std::uint32_t new_folder) {
    ComparedFolder child;
    child.old_folder = old_folder;
    child.new_folder = new_folder;
    child.parent = parent;
    child.depth = s.folders[parent].depth + 1;
    s.folders.push_back(std::move(child));
    s.folders[parent].children.push_back(static_cast<std::uint32_t>(s.folders.size() - 1));
  }

  // Pairs two lists of names: for each new position, the old position with
  // the same name (kNoSide for none), and which old positions found a
  // partner. Equal names at equal positions are taken first (scans of one
  // volume list most folders' contents in the same order); the rest is
  // paired by sorting both sides, without a heap block per name.
  std::vector<std::uint32_t> old_of_new_;
  std::vector<std::uint8_t> old_taken_;
  std::vector<std::uint32_t> old_rest_, new_rest_;

  template <typename OldName, typename NewName>
  void MatchNames(std::size_t old_count, std::size_t new_count, OldName old_name, NewName new_name) {
    old_of_new_.assign(new_count, kNoSide);
    old_taken_.assign(old_count, 0);
    std::size_t same = 0;
    while (same < old_count && same < new_count && old_name(same) == new_name(same)) {
      old_of_new_[same] = static_cast<std::uint32_t>(same);
      old_taken_[same] = 1;
      ++same;
    }
    if (same == old_count || same == new_count) return;
    old_rest_.clear();
    new_rest_.clear();
    for (std::size_t i = same; i < old_count; ++i) old_rest_.push_back(static_cast<std::uint32_t>(i));
    for (std::size_t j = same; j < new_count; ++j) new_rest_.push_back(static_cast<std::uint32_t>(j));
    std::sort(old_rest_.begin(), old_rest_.end(), [&](std::uint32_t x, std::uint32_t y) { return old_name(x) < old_name(y); });
    std::sort(new_rest_.begin(), new_rest_.end(), [&](std::uint32_t x, std::uint32_t y) { return new_name(x) < new_name(y); });
    std::size_t i = 0, j = 0;
    while (i < old_rest_.size() && j < new_rest_.size()) {
      const std::u16string_view a = old_name(old_rest_[i]), b = new_name(new_rest_[j]);
      if (a < b) {
        ++i;
      } else if (b < a) {
        ++j;
      } else {
        old_of_new_[new_rest_[j++]] = old_rest_[i];
        old_taken_[old_rest_[i++]] = 1;
      }
    }
  }

  // Child folders matched by name, in the newer scan's order, then the ones
  // that vanished in the older scan's order.
  void MatchChildren(std::uint32_t at) {
    const std::uint32_t of = s.folders[at].old_folder, nf = s.folders[at].new_folder;
    const std::span<const std::int64_t> old_ids =
        of != kNoSide ? o.Children(o.folders[of]) : std::span<const std::int64_t>();
    const std::span<const std::int64_t> new_ids =
        nf != kNoSide ? n.Children(n.folders[nf]) : std::span<const std::int64_t>();
    const auto name_in = [](const ScanResult& r, std::int64_t id) {
      const DirNode* node = r.FindFolder(id);
      return node != nullptr ? r.Name(*node) : std::u16string_view();
    };
    MatchNames(
        old_ids.size(), new_ids.size(), [&](std::size_t i) { return name_in(o, old_ids[i]); },
        [&](std::size_t j) { return name_in(n, new_ids[j]); });
    const std::vector<std::uint32_t> old_of_new = old_of_new_;
    const std::vector<std::uint8_t> old_taken = old_taken_;
    for (std::size_t j = 0; j < new_ids.size(); ++j) {
      const std::uint32_t i = old_of_new[j];
      AddChild(at, i == kNoSide ? kNoSide : IndexOf(o, o.FindFolder(old_ids[i])), IndexOf(n, n.FindFolder(new_ids[j])));
    }
    for (std::size_t i = 0; i < old_ids.size(); ++i) {
      if (old_taken[i] == 0) AddChild(at, IndexOf(o, o.FindFolder(old_ids[i])), kNoSide);
    }
  }

  void MatchFiles(std::uint32_t at) {
    ComparedFolder& f = s.folders[at];
    const std::span<const FileItem> old_files = f.old_folder != kNoSide ? o.Files(o.folders[f.old_folder])
                                                                         : std::span<const FileItem>();
    const std::span<const FileItem> new_files = f.new_folder != kNoSide ? n.Files(n.folders[f.new_folder])
                                                                         : std::span<const FileItem>();
    MatchNames(
        old_files.size(), new_files.size(), [&](std::size_t i) { return o.Name(old_files[i]); },
        [&](std::size_t j) { return n.Name(new_files[j]); });
    for (std::size_t j = 0; j < new_files.size(); ++j) {
      const FileItem& file = new_files[j];
      ComparedFile c;
      c.folder = at;
      c.new_file = static_cast<std::uint32_t>(&file - n.files.data());
      c.new_size = file.size;
      c.new_alloc = AllocOf(file);
      if (old_of_new_[j] == kNoSide) {
        ++f.direct_files_added;
        added.Add(c, NewSize);
        if (c.new_size > 0) grown.Add(c, Growth);
        continue;
      }
      const FileItem& before = old_files[old_of_new_[j]];
      c.old_file = static_cast<std::uint32_t>(&before - o.files.data());
      c.old_size = before.size;
      c.old_alloc = AllocOf(before);
      if (c.old_size != c.new_size) resized.Add(c, Change);
      if (c.new_size > c.old_size) grown.Add(c, Growth);
      if (c.new_size < c.old_size) lost.Add(c, Loss);
    }
    for (std::size_t i = 0; i < old_files.size(); ++i) {
      if (old_taken_[i] != 0) continue;
      ComparedFile c;
      c.folder = at;
      c.old_file = static_cast<std::uint32_t>(&old_files[i] - o.files.data());
      c.old_size = old_files[i].size;
      c.old_alloc = AllocOf(old_files[i]);
      ++f.direct_files_removed;
      removed.Add(c, OldSize);
      if (c.old_size > 0) lost.Add(c, Loss);
    }
  }

  void Totals(ComparedFolder& f) const {
    if (f.old_folder != kNoSide) {
      const DirNode& d = o.folders[f.old_folder];
      f.old_size = d.total_size, f.old_alloc = d.total_alloc;
      f.old_direct_size = d.direct_size, f.old_direct_alloc = d.direct_alloc;
    }
    if (f.new_folder != kNoSide) {
      const DirNode& d = n.folders[f.new_folder];
      f.new_size = d.total_size, f.new_alloc = d.total_alloc;
      f.new_direct_size = d.direct_size, f.new_direct_alloc = d.direct_alloc;
    }
  }
};

std::int64_t GrowthKey(const ComparedFolder& f) { return SaturatingSub(f.new_alloc, f.old_alloc); }

void CompareExtensions(const ScanResult& o, const ScanResult& n, ComparedScans& s) {
  std::unordered_map<std::wstring, std::size_t> at;
  const auto slot = [&](const std::wstring& ext) -> ComparedExtension& {
    const auto [it, fresh] = at.emplace(ext, s.extensions.size());
    if (fresh) s.extensions.push_back(ComparedExtension{ext});
    return s.extensions[it->second];
  };
  for (const ExtStat& e : o.extensions) {
    ComparedExtension& c = slot(e.extension);
    c.old_size = SaturatingAdd(c.old_size, e.total_size);
    c.old_files += e.file_count;
  }
  for (const ExtStat& e : n.extensions) {
    ComparedExtension& c = slot(e.extension);
    c.new_size = SaturatingAdd(c.new_size, e.total_size);
    c.new_files += e.file_count;
  }
  std::erase_if(s.extensions, [](const ComparedExtension& c) {
    return c.old_size == c.new_size && c.old_files == c.new_files;
  });
  std::sort(s.extensions.begin(), s.extensions.end(), [](const ComparedExtension& a, const ComparedExtension& b) {
    const std::int64_t x = SaturatingSub(a.new_size, a.old_size), y = SaturatingSub(b.new_size, b.old_size);
    return x != y ? x > y : a.extension < b.extension;
  });
}

}  // namespace

ComparedScans CompareScans(ResultGeneration old_generation, ResultGeneration new_generation, std::size_t top) {
  ComparedScans s;
  s.old_scan = std::move(old_generation);
  s.new_scan = std::move(new_generation);
  const ScanResult& old_scan = *s.old_scan;
  const ScanResult& new_scan = *s.new_scan;
  s.same_volume = old_scan.volume_serial == 0 || new_scan.volume_serial == 0 ||
                  old_scan.volume_serial == new_scan.volume_serial;
  Builder b(old_scan, new_scan, s, top);
  ComparedFolder root;
  root.old_folder = old_scan.folders.empty() ? kNoSide : 0;
  root.new_folder = new_scan.folders.empty() ? kNoSide : 0;
  s.folders.push_back(root);
  // Breadth first: the list grows behind the index, parents before children.
  for (std::uint32_t at = 0; at < s.folders.size(); ++at) {
    b.MatchChildren(at);
    b.MatchFiles(at);
    b.Totals(s.folders[at]);
  }
  for (std::size_t at = s.folders.size(); at-- > 1;) {
    ComparedFolder& f = s.folders[at];
    f.files_added += f.direct_files_added;
    f.files_removed += f.direct_files_removed;
    s.folders[f.parent].files_added += f.files_added;
    s.folders[f.parent].files_removed += f.files_removed;
  }
  s.folders[0].files_added += s.folders[0].direct_files_added;
  s.folders[0].files_removed += s.folders[0].direct_files_removed;
  for (ComparedFolder& f : s.folders) {
    // Largest growth first; among equal changes the larger folder first.
    std::stable_sort(f.children.begin(), f.children.end(), [&s](std::uint32_t x, std::uint32_t y) {
      const ComparedFolder& p = s.folders[x];
      const ComparedFolder& q = s.folders[y];
      if (GrowthKey(p) != GrowthKey(q)) return GrowthKey(p) > GrowthKey(q);
      return std::max(p.new_alloc, p.old_alloc) > std::max(q.new_alloc, q.old_alloc);
    });
  }
  b.added.Trim(Builder::NewSize);
  b.removed.Trim(Builder::OldSize);
  b.resized.Trim(Builder::Change);
  b.grown.Trim(Builder::Growth);
  b.lost.Trim(Builder::Loss);
  CompareExtensions(old_scan, new_scan, s);
  return s;
}

std::vector<ComparedFile> ChangedFilesIn(const ComparedScans& scans, std::uint32_t folder) {
  if (scans.old_scan == nullptr || scans.new_scan == nullptr || folder >= scans.folders.size()) return {};
  // The folder alone, matched as the whole comparison matches it.
  ComparedScans one;
  ComparedFolder copy;
  copy.old_folder = scans.folders[folder].old_folder;
  copy.new_folder = scans.folders[folder].new_folder;
  one.folders.push_back(copy);
  const auto count = [](const ScanResult& r, std::uint32_t at) {
    return at != kNoSide ? r.Files(r.folders[at]).size() : std::size_t{0};
  };
  const std::size_t all = count(*scans.old_scan, copy.old_folder) + count(*scans.new_scan, copy.new_folder) + 1;
  Builder b(*scans.old_scan, *scans.new_scan, one, all);
  b.MatchFiles(0);
  std::vector<ComparedFile> files;
  files.reserve(one.added.size() + one.removed.size() + one.resized.size());
  for (const auto* list : {&one.added, &one.removed, &one.resized}) files.insert(files.end(), list->begin(), list->end());
  for (ComparedFile& f : files) f.folder = folder;
  std::stable_sort(files.begin(), files.end(), [](const ComparedFile& x, const ComparedFile& y) {
    return SaturatingSub(x.new_alloc, x.old_alloc) > SaturatingSub(y.new_alloc, y.old_alloc);
  });
  return files;
}

std::wstring ComparedName(const ComparedScans& scans, const ComparedFolder& folder) {
  if (folder.new_folder != kNoSide) return scans.new_scan->NameText(scans.new_scan->folders[folder.new_folder]);
  if (folder.old_folder != kNoSide) return scans.old_scan->NameText(scans.old_scan->folders[folder.old_folder]);
  return {};
}

std::wstring ComparedPath(const ComparedScans& scans, std::uint32_t folder) {
  std::vector<std::uint32_t> chain;
  for (std::uint32_t at = folder; at != 0 && at < scans.folders.size(); at = scans.folders[at].parent) {
    chain.push_back(at);
  }
  std::wstring path = scans.new_scan->drive + L":\\";
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) path += L'\\';
    path += ComparedName(scans, scans.folders[*it]);
  }
  return path;
}

std::wstring ComparedFileName(const ComparedScans& scans, const ComparedFile& file) {
  if (file.new_file != kNoSide) return scans.new_scan->NameText(scans.new_scan->files[file.new_file]);
  return scans.old_scan->NameText(scans.old_scan->files[file.old_file]);
}

const std::wstring& ChangedFileExtension(const ComparedScans& scans, const ComparedFile& file) {
  if (file.new_file != kNoSide) return scans.new_scan->Extension(scans.new_scan->files[file.new_file]);
  return scans.old_scan->Extension(scans.old_scan->files[file.old_file]);
}

std::wstring ComparedFilePath(const ComparedScans& scans, const ComparedFile& file) {
  std::wstring path = ComparedPath(scans, file.folder);
  if (path.back() != L'\\') path += L'\\';
  return path + ComparedFileName(scans, file);
}

}  // namespace tw
