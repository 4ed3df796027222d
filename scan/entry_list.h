#pragma once
// Parsed MFT entries, held compactly until tree building.
//
// Each parse thread fills one list from the windows it takes. Items have a
// fixed size and the layout of the result's file items, so that tree building
// converts them in place; they live in chunks, and every name lives in chunks
// of UTF-16 units, so nothing written ever moves: a list of millions of
// entries grows without copying, and tree building releases it chunk by chunk
// as it takes the files over. Work that belongs to each file is done here, as
// the file is parsed, on the parse thread: the files are put in groups by
// their parent's record number (each chunk holds the files of one group, so
// tree building places each group on its own and lets its chunks go), and the
// list keeps its own table of extensions (each file knows its slot, each slot
// its total) and the files of largest logical size it has met. Plain data,
// one owner.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ids.h"
#include "base/name_arena.h"
#include "scan/mft_entry.h"

namespace tw {

// What the stage after the pass must still know of a parsed file, in the top
// bits of its name length until then.
inline constexpr std::uint32_t kSizesFromName = 1u << 31;  // no unnamed $DATA in its record: sizes are its name's
inline constexpr std::uint32_t kWofTagged = 1u << 30;      // its record carries the WOF reparse tag
inline constexpr std::uint32_t kWofAllocated = 1u << 29;   // its alloc is already its WofCompressedData stream's
inline constexpr std::uint32_t kFolderItem = 1u << 28;     // the item is a folder
inline constexpr std::uint32_t kEntryFlagMask = kSizesFromName | kWofTagged | kWofAllocated | kFolderItem;
inline constexpr std::uint32_t kNameLengthMask = 0xFFFF;

// One parsed entry, 48 bytes laid out as the result's FileItem. No member
// initialisers: chunks are allocated without being written first.
struct EntryItem {
  std::int64_t size;   // a folder's: its parent id as recorded
  std::int64_t alloc;  // 0 for a folder
  std::int64_t mtime;
  std::uint32_t id;
  // A file's parent record number; 0 when it is not positive or lies past
  // kMaxScanRecords (no folder has such a number).
  std::uint32_t parent;
  std::uint32_t extension;  // a file's slot in its list's extensions
  std::uint32_t attributes;
  std::uint32_t name_offset;  // in its list's names: chunk << kNameChunkBits | unit
  std::uint32_t name_length;  // units, and the flags above

  bool IsFolder() const { return (name_length & kFolderItem) != 0; }
  std::uint32_t NameLength() const { return name_length & kNameLengthMask; }
  std::uint32_t Flags() const { return name_length & kEntryFlagMask; }
  std::int64_t ParentId() const { return IsFolder() ? size : static_cast<std::int64_t>(parent); }
};
static_assert(sizeof(EntryItem) == 48, "an EntryItem is 48 bytes, as a FileItem");

// How files are grouped by their parent's record number: `count` groups of
// consecutive record numbers over [0, span) (higher numbers go to the last
// group). The root's own files are in group 0, and so are a file without a
// parent (0) and every folder. Folders are numbered in record order in the
// result, so each group's files land in one range of it, apart from the
// files whose parent is no folder, which join the root's. One group unless set.
struct ParentGroups {
  std::uint32_t count = 1;
  std::int64_t span = 1;

  // The groups for an MFT of record_count records: one per 16,384 records,
  // at least 1 and at most 256.
  static ParentGroups For(std::int64_t record_count);

  std::uint32_t Of(std::uint32_t parent) const {
    if (count <= 1 || parent == static_cast<std::uint32_t>(kRootId)) return 0;
    const std::uint64_t group = std::uint64_t{parent} * count / static_cast<std::uint64_t>(span);
    return static_cast<std::uint32_t>(group < count ? group : count - 1);
  }
  // The lowest record number whose files are in group g (g in [1, count)).
  std::int64_t First(std::uint32_t g) const { return (std::int64_t{g} * span + count - 1) / count; }
  friend bool operator==(const ParentGroups&, const ParentGroups&) = default;
};

// The logical bytes and the number of the files of one extension slot, the
// bytes summed exactly (in 128 bits, sizes are never negative), so that the
// total is the same whatever the order the files were added and taken away.
struct SlotTotal {
  std::uint64_t bytes_low = 0;
  std::uint64_t bytes_high = 0;
  std::int64_t files = 0;

  void Add(std::int64_t size) {
    const auto v = static_cast<std::uint64_t>(size > 0 ? size : 0);
    bytes_low += v;
    bytes_high += bytes_low < v ? 1 : 0;
  }
  void Remove(std::int64_t size) {
    const auto v = static_cast<std::uint64_t>(size > 0 ? size : 0);
    bytes_high -= bytes_low < v ? 1 : 0;
    bytes_low -= v;
  }
  void Add(const SlotTotal& other) {
    bytes_low += other.bytes_low;
    bytes_high += other.bytes_high + (bytes_low < other.bytes_low ? 1 : 0);
    files += other.files;
  }
  // The bytes, held at the 64-bit limit.
  std::int64_t Bytes() const {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(bytes_high != 0 || bytes_low > kMax ? kMax : bytes_low);
  }
};

// The files of largest logical size a list keeps: every list keeps at least
// its own best kLargestCandidates, so the best of all lists are among theirs.
inline constexpr std::size_t kLargestCandidates = 100000;

struct LargestCandidate {
  std::int64_t size = 0;
  std::uint32_t id = 0;
  std::uint32_t parent = 0;  // as the item holds it
};
// Larger first, equal sizes by record number: the order of the largest files.
inline bool RanksBefore(const LargestCandidate& a, const LargestCandidate& b) {
  return a.size != b.size ? a.size > b.size : a.id < b.id;
}
// Sorts candidates into RanksBefore's order (a radix sort: the order is
// total, so the result is the one std::sort gives).
void SortByRank(std::vector<LargestCandidate>& candidates);

// Items per chunk (768 KiB).
inline constexpr unsigned kItemChunkBits = 14;

// Items are found by their position: chunk << kItemChunkBits | place in the
// chunk. With one group the positions are 0 to size() - 1, in the order the
// items were added; with more, each group fills chunks of its own, and
// ForEachItem or the chunks reach every item.
class EntryList {
 public:
  EntryList() = default;
  explicit EntryList(const ParentGroups& groups) : groups_(groups) {}
  EntryList(EntryList&&) noexcept = default;
  EntryList& operator=(EntryList&&) noexcept = default;

  const ParentGroups& groups() const { return groups_; }

  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  std::size_t file_count() const { return files_; }
  std::size_t folder_count() const { return size_ - files_; }

  // Appends an entry (flags: kSizesFromName, kWofTagged, kWofAllocated for a
  // file). Throws std::bad_alloc when the names would pass what 32-bit
  // offsets reach, or a name is longer than a names chunk.
  void Add(const MftEntry& entry, std::uint32_t flags = 0);
  // The same with the name given apart (entry.name is not read).
  void Add(const MftEntry& entry, std::u16string_view name, std::uint32_t flags = 0);
  // Gives a folder a new name and parent (the old name stays unused).
  void Rename(EntryItem& item, std::wstring_view name, std::int64_t parent_id);

  EntryItem& operator[](std::size_t i) { return item_chunks_[i >> kItemChunkBits][i & kItemMask]; }
  const EntryItem& operator[](std::size_t i) const { return item_chunks_[i >> kItemChunkBits][i & kItemMask]; }
  // Calls f(item) for every item, chunk by chunk.
  template <typename F>
  void ForEachItem(F&& f) {
    for (std::size_t k = 0; k < item_chunks_.size(); ++k) {
      EntryItem* items = item_chunks_[k].get();
      for (std::uint32_t i = 0; i < chunk_fill_[k]; ++i) f(items[i]);
    }
  }
  template <typename F>
  void ForEachItem(F&& f) const {
    for (std::size_t k = 0; k < item_chunks_.size(); ++k) {
      const EntryItem* items = item_chunks_[k].get();
      for (std::uint32_t i = 0; i < chunk_fill_[k]; ++i) f(items[i]);
    }
  }
  std::u16string_view Name(const EntryItem& item) const;
  // The item as a parsed entry, name widened.
  MftEntry Entry(const EntryItem& item) const;
  std::vector<MftEntry> Entries() const;

  // Appends other's entries after these (in this list's groups) and empties other.
  void Append(EntryList&& other);

  // ---- For tree building ----
  // The items that are folders, in the order added.
  const std::vector<std::uint32_t>& folder_items() const { return folder_items_; }
  // The extensions met, in slot order (views into the names).
  const std::vector<std::u16string_view>& extensions() const { return extension_texts_; }
  // The files of each slot and their logical bytes, as parsed (the caller
  // corrects them where it changes a file's size).
  std::vector<SlotTotal>& slot_totals() { return slot_totals_; }
  const std::vector<SlotTotal>& slot_totals() const { return slot_totals_; }
  // Files among which are the best kLargestCandidates met (every one of them
  // when fewer were met), unordered.
  const std::vector<LargestCandidate>& largest() const { return largest_; }
  std::vector<LargestCandidate> TakeLargest() { return std::move(largest_); }
  // False once a file's size changed after it was added: the files kept as
  // the largest may no longer be the best.
  bool largest_exact() const { return !largest_stale_; }
  // Tells the list that a file's size changed from old_size: its slot's
  // total follows.
  void SizeChanged(const EntryItem& item, std::int64_t old_size);

  std::size_t name_chunk_count() const { return names_.chunk_count(); }
  std::u16string_view NameChunk(std::size_t k) const { return names_.Chunk(k); }
  std::size_t name_units() const { return names_.units(); }
  std::size_t item_chunk_count() const { return item_chunks_.size(); }
  // A chunk's items, how many it holds, and the group they belong to.
  EntryItem* ChunkItems(std::size_t k) { return item_chunks_[k].get(); }
  const EntryItem* ChunkItems(std::size_t k) const { return item_chunks_[k].get(); }
  std::uint32_t ChunkFill(std::size_t k) const { return chunk_fill_[k]; }
  std::uint32_t ChunkGroup(std::size_t k) const { return chunk_group_[k]; }
  static constexpr std::size_t kItemsPerChunk = std::size_t{1} << kItemChunkBits;
  // Releases the extension texts and their index (extensions() is empty
  // from then on); their keys point into the name chunks.
  void ReleaseExtensionIndex();
  // Releases one chunk of names (its names read as none from then on), on
  // one thread, once the extension index is released (else
  // std::logic_error).
  void ReleaseNameChunk(std::size_t k);
  void ReleaseNameChunks();
  // Hands one chunk of names over (its names read as none here from then
  // on): NameArena::kChunkUnits units, of which NameChunk(k).size() are in
  // use. The same rule as ReleaseNameChunk's.
  std::unique_ptr<char16_t[]> TakeNameChunk(std::size_t k);
  void ReleaseItemChunk(std::size_t k) {
    item_chunks_[k].reset();
    chunk_fill_[k] = 0;
  }
  // Everything released.
  void Clear();

 private:
  static constexpr std::size_t kItemMask = kItemsPerChunk - 1;

  template <typename Char>
  void AddNamed(const MftEntry& entry, std::basic_string_view<Char> name, std::uint32_t flags);
  std::uint32_t ExtensionSlot(std::u16string_view name);
  // A place for one more item of the group: its position.
  std::size_t NewItem(std::uint32_t group);
  void OfferLargest(const EntryItem& item);

  // FNV-1a over the units: extensions are a few units long.
  struct ViewHash {
    std::size_t operator()(std::u16string_view text) const noexcept {
      std::uint64_t hash = 0xcbf29ce484222325ULL;
      for (const char16_t unit : text) hash = (hash ^ unit) * 0x100000001b3ULL;
      return static_cast<std::size_t>(hash ^ (hash >> 32));
    }
  };
  // The slots last found, by hash: most files' extensions are found here
  // without a walk of the table.
  struct CachedSlot {
    std::u16string_view text;
    std::uint32_t slot = 0;
    bool used = false;
  };
  static constexpr std::size_t kSlotCacheSize = 256;

  static constexpr std::uint32_t kNoChunk = 0xFFFFFFFF;

  ParentGroups groups_;
  std::vector<std::unique_ptr<EntryItem[]>> item_chunks_;
  std::vector<std::uint32_t> chunk_fill_;
  std::vector<std::uint32_t> chunk_group_;
  std::vector<std::uint32_t> open_chunk_;  // by group: the chunk it fills, kNoChunk before the first
  std::size_t size_ = 0;
  std::size_t files_ = 0;
  std::vector<std::uint32_t> folder_items_;
  NameArena names_;
  std::unordered_map<std::u16string_view, std::uint32_t, ViewHash> extension_slot_;
  std::array<CachedSlot, kSlotCacheSize> slot_cache_{};
  std::vector<std::u16string_view> extension_texts_;
  std::vector<SlotTotal> slot_totals_;
  // Every file that may be among the best kLargestCandidates met, unordered;
  // once pruned, only those ranking before the bar.
  std::vector<LargestCandidate> largest_;
  LargestCandidate largest_bar_;
  bool largest_pruned_ = false;
  bool largest_stale_ = false;
};

}  // namespace tw
