#pragma once
// The result of one scan, handed to the user interface: the folder tree with
// bottom-up sizes and counts, every folder's files, the extension statistics
// and the largest files. Plain data: ids, never pointers; moved as a whole.

#include <cstdint>
#include <string>
#include <vector>

#include "base/ids.h"
#include "scan/mft_loader.h"

namespace tw {

struct DirNode {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;  // as recorded; paths follow this
  std::wstring name;           // the root is "[" + drive + ":]"
  std::int64_t total_size = 0;
  std::int64_t total_alloc = 0;
  std::int64_t direct_size = 0;
  std::int64_t direct_alloc = 0;
  std::int32_t direct_file_count = 0;
  std::int32_t total_file_count = 0;
  std::int32_t total_folder_count = 0;
  std::int64_t tree_parent_id = kRootId;  // where the folder hangs in the tree
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
  std::vector<std::int64_t> children;
};

struct FileEntry {
  std::wstring name;
  std::wstring extension;  // ExtensionOf(name); empty when the name has none
  // The folder the file is listed under in files_by_folder (files of a parent
  // that is 0, negative or unknown sit under the root); its path, when shown,
  // is BuildFolderPath's.
  std::int64_t folder_id = kRootId;
  std::int64_t size = 0;  // as parsed, not clamped
  std::int64_t alloc = 0;
  std::int64_t id = 0;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
};

struct ExtStat {
  std::wstring extension;  // with its dot; empty for the files without one
  std::int64_t total_size = 0;
  std::int32_t file_count = 0;
};

struct ScanResult {
  IdMap<DirNode> folders;
  IdMap<std::vector<FileEntry>> files_by_folder;
  std::vector<ExtStat> extensions;
  std::vector<FileEntry> largest_files;
  std::int64_t root_id = kRootId;
  std::int32_t file_count = 0;
  std::int32_t folder_count = 0;  // the root not counted
  std::int64_t root_total_size = 0;
  double elapsed_seconds = 0.0;
  std::wstring drive;  // the letter alone, e.g. C
  // MFT records the scan could not read (left out of everything above), and
  // the volume bytes they lie in.
  std::int64_t unreadable_records = 0;
  std::vector<ByteRange> unreadable_ranges;

  ScanResult() = default;
  ScanResult(ScanResult&& other) noexcept;
  ScanResult& operator=(ScanResult&& other) noexcept;
  ScanResult(const ScanResult&) = default;
  ScanResult& operator=(const ScanResult&) = default;

  // Lookups; an id <= 0 stands for the root. Null when absent.
  const DirNode* FindFolder(std::int64_t id) const;
  const std::vector<FileEntry>* FindFiles(std::int64_t folder_id) const;

  // Back to the default-constructed state (what a moved-from result holds).
  void Reset() noexcept;
};

// The longest path Windows can address, in UTF-16 units.
inline constexpr std::size_t kMaxPathLength = 32767;

// drive + ":\" + the names from the outermost ancestor to the folder, following
// parent_id. Unknown ids give drive + ":\". A parent_id loop that never
// reaches the root (corrupt metadata) is cut the way tree building cuts it:
// the loop's lowest-numbered folder comes straight after the root, so its
// path is drive + ":\" + its name, and the paths of the other folders of the
// loop, and of those hanging from it, pass through it. A chain whose path
// would pass kMaxPathLength (only corrupt or hostile metadata nests so deep)
// keeps the innermost folders that fit, so no path, and no walk, grows with
// the depth of the chain. A loop is cut only when the walk comes back round
// to one of its folders within that length; a longer one (hundreds of long
// names) is taken as such a chain.
std::wstring BuildFolderPath(const ScanResult& result, std::int64_t id, const std::wstring& drive);

}  // namespace tw
