#pragma once
// The result of one scan, handed to the user interface: the folder tree with
// bottom-up sizes and counts, every folder's files, the extension statistics
// and the largest files. Plain data held compactly, so that millions of files
// take little memory: folders in one array found through a dense
// record-number table, each folder's files contiguous in one array, every name
// in an arena of UTF-16 units (the parse's chunks of names, taken over). Indices and ids, never pointers: the result
// moves and copies as a whole, and nothing changes it once it is built.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_range.h"
#include "base/ids.h"
#include "base/name_arena.h"

namespace tw {

// A name in ScanResult::names.
struct NameRef {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

struct DirNode {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;             // as recorded; paths follow this
  std::int64_t tree_parent_id = kRootId;  // where the folder hangs in the tree
  std::int64_t total_size = 0;
  std::int64_t total_alloc = 0;
  std::int64_t direct_size = 0;
  std::int64_t direct_alloc = 0;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
  std::int32_t direct_file_count = 0;
  std::int32_t total_file_count = 0;
  std::int32_t total_folder_count = 0;
  NameRef name;                   // the root is "[" + drive + ":]"
  std::uint32_t first_child = 0;  // its child folders: child_ids[first_child, + child_count)
  std::uint32_t child_count = 0;
  std::uint32_t first_file = 0;  // its files: files[first_file, + file_count)
  std::uint32_t file_count = 0;
};

// One file, as held in the result.
struct FileItem {
  std::int64_t size = 0;  // as parsed, not clamped
  std::int64_t alloc = 0;
  std::int64_t mtime = 0;
  std::uint32_t id = 0;         // its record number
  std::uint32_t folder = 0;     // index into folders of the folder it is listed under
  std::uint32_t extension = 0;  // index into extensions
  std::uint32_t attributes = 0;
  std::uint32_t name_offset = 0;  // its name: names.View(name_offset, name_length)
  std::uint32_t name_length = 0;
};

// One per folder and one per file of a volume, millions of each: growing
// them is a decision, not an accident.
static_assert(sizeof(DirNode) == 104, "a DirNode is 104 bytes");
static_assert(sizeof(FileItem) == 48, "a FileItem is 48 bytes");

// A file with its texts, as a view's row shows it (ScanResult::Entry).
struct FileEntry {
  std::wstring name;
  std::wstring extension;  // ExtensionOf(name); empty when the name has none
  // The folder the file is listed under (files of a parent that is 0,
  // negative or unknown sit under the root); its path, when shown, is
  // BuildFolderPath's.
  std::int64_t folder_id = kRootId;
  std::int64_t size = 0;
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
  std::vector<DirNode> folders;              // the root first
  std::vector<std::uint32_t> folder_index;   // record number -> index into folders, kNoFolder when none
  std::vector<std::int64_t> child_ids;       // every folder's child folders, by id
  std::vector<FileItem> files;               // every folder's files, contiguous
  NameArena names;                           // every name
  std::vector<ExtStat> extensions;           // by total size, largest first
  std::vector<std::uint32_t> largest_files;  // indices into files, largest first
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
  // When the scan finished, in seconds since 1970 (UTC), and the serial
  // number in the volume's boot sector; both 0 when unknown. Kept with a
  // saved scan, so that two scans of one volume can be recognised.
  std::int64_t scanned_at = 0;
  std::uint64_t volume_serial = 0;

  static constexpr std::uint32_t kNoFolder = 0xFFFFFFFFu;

  ScanResult() = default;
  ScanResult(ScanResult&& other) noexcept;
  ScanResult& operator=(ScanResult&& other) noexcept;
  ScanResult(const ScanResult&) = default;
  ScanResult& operator=(const ScanResult&) = default;

  // Lookups; an id <= 0 stands for the root. Null, or an empty list, when absent.
  const DirNode* FindFolder(std::int64_t id) const;
  std::span<const FileItem> FindFiles(std::int64_t folder_id) const;

  std::span<const std::int64_t> Children(const DirNode& folder) const;
  std::span<const FileItem> Files(const DirNode& folder) const;
  std::u16string_view Name(const DirNode& folder) const;
  std::u16string_view Name(const FileItem& file) const;
  std::wstring NameText(const DirNode& folder) const;
  std::wstring NameText(const FileItem& file) const;
  // The extension text of a file: with its dot, empty when it has none.
  const std::wstring& Extension(const FileItem& file) const;
  // The id of the folder the file is listed under.
  std::int64_t FolderId(const FileItem& file) const;
  // The file with its texts, for a row that shows it.
  FileEntry Entry(const FileItem& file) const;

  // Back to the default-constructed state (what a moved-from result holds).
  void Reset() noexcept;
};

// UTF-16 units widened into a wide string (one unit per element on every platform).
std::wstring WideText(std::u16string_view units);

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

// Builds a result's arrays: folders and files added in any order, then
// Finish lays each folder's files out contiguously (in the order they were
// added), links the child lists, fills the record-number table and the
// extension statistics (every file's extension, the exact text, its sizes
// summed; largest total first, equal totals by text) and the files'
// extension indices. Folder sizes and counts are the caller's.
class ScanResultPacker {
 public:
  explicit ScanResultPacker(ScanResult& result) : result_(result) {}

  // Appends a folder with its name and returns its index. Its name, child
  // and file fields are set here and by Finish.
  std::uint32_t AddFolder(const DirNode& node, std::wstring_view name);
  // Appends a folder whose name is already in the arena (node.name).
  std::uint32_t AddFolder(const DirNode& node);
  // A file of the folder at index `folder`; its folder, extension and name
  // fields are set here and by Finish.
  void AddFile(std::uint32_t folder, const FileItem& file, std::wstring_view name);
  void Reserve(std::size_t folders, std::size_t files);

  // Fills the record-number table from the folders added so far (FindFolder
  // works from here on). Finish does it too.
  void IndexFolders();
  // The child lists, from each folder's tree_parent_id (the root, and a
  // folder whose tree parent is unknown, gets none), in folder order. Needs
  // the record-number table. Finish does it too.
  void LinkChildren();
  // The same from tree parents already found: parent_of[i] is the index of
  // folder i's tree parent, kNoFolder for the root and for none.
  void LinkChildren(const std::vector<std::uint32_t>& parent_of);

  // Files already grouped by folder index go straight in; Finish keeps them.
  // Children come from each folder's tree_parent_id (the root, and a folder
  // whose tree parent is unknown, gets none), in folder order.
  void Finish();

 private:
  std::uint32_t AppendName(std::wstring_view name);

  ScanResult& result_;
};

}  // namespace tw
