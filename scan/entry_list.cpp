#include "scan/entry_list.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "base/extension.h"
#include "base/ids.h"
#include "base/memory_hints.h"

namespace tw {

// Each chunk is a block of its own, handed back as soon as it is released.
static_assert((std::size_t{1} << kNameChunkBits) * sizeof(char16_t) >= kLargeBlockBytes);
static_assert(EntryList::kItemsPerChunk * sizeof(EntryItem) >= kLargeBlockBytes);

std::u16string_view EntryList::Name(const EntryItem& item) const {
  return names_.View(item.name_offset, item.NameLength());
}

ParentGroups ParentGroups::For(std::int64_t record_count) {
  ParentGroups groups;
  groups.span = std::max<std::int64_t>(record_count, 1);
  groups.count = static_cast<std::uint32_t>(std::clamp<std::int64_t>(record_count / 16384, 1, 256));
  return groups;
}

std::uint32_t EntryList::ExtensionSlot(std::u16string_view name) {
  const std::u16string_view extension = ExtensionOf(name);
  const std::size_t hash = ViewHash{}(extension);
  CachedSlot& cached = slot_cache_[hash % kSlotCacheSize];
  if (cached.used && cached.text == extension) return cached.slot;
  const auto [at, added] = extension_slot_.try_emplace(extension, static_cast<std::uint32_t>(extension_texts_.size()));
  if (added) {
    extension_texts_.push_back(extension);
    slot_totals_.emplace_back();
  }
  // The cached text is the table's own key, which lives as long as the table.
  cached = CachedSlot{at->first, at->second, true};
  return at->second;
}

std::size_t EntryList::NewItem(std::uint32_t group) {
  if (open_chunk_.size() < groups_.count) open_chunk_.resize(groups_.count, kNoChunk);
  std::uint32_t& open = open_chunk_[group];
  if (open == kNoChunk || chunk_fill_[open] == kItemsPerChunk) {
    // Positions are 32 bits wide.
    if (item_chunks_.size() >= (std::size_t{1} << (32 - kItemChunkBits))) throw std::bad_alloc();
    item_chunks_.push_back(std::make_unique_for_overwrite<EntryItem[]>(kItemsPerChunk));
    chunk_fill_.push_back(0);
    chunk_group_.push_back(group);
    open = static_cast<std::uint32_t>(item_chunks_.size() - 1);
  }
  return (std::size_t{open} << kItemChunkBits) | chunk_fill_[open]++;
}

void SortByRank(std::vector<LargestCandidate>& candidates) {
  // Below this many a comparison sort is as quick.
  constexpr std::size_t kRadixFrom = 4096;
  if (candidates.size() < kRadixFrom) {
    std::sort(candidates.begin(), candidates.end(), RanksBefore);
    return;
  }
  // Least significant digit first, each pass stable: the record number
  // ascending, then the size descending (its bits flipped, the sign bit too,
  // so that ascending unsigned order is descending signed order).
  constexpr unsigned kDigitBits = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
  const auto size_key = [](const LargestCandidate& c) {
    return ~(static_cast<std::uint64_t>(c.size) ^ (std::uint64_t{1} << 63));
  };
  std::vector<LargestCandidate> other(candidates.size());
  std::vector<std::uint32_t> count(kBuckets);
  const auto pass = [&](auto key, unsigned shift) {
    std::fill(count.begin(), count.end(), 0);
    for (const LargestCandidate& c : candidates) ++count[(key(c) >> shift) & (kBuckets - 1)];
    // A digit all candidates share leaves the order as it is.
    if (count[(key(candidates.front()) >> shift) & (kBuckets - 1)] == candidates.size()) return;
    std::uint32_t start = 0;
    for (std::uint32_t& bucket : count) start += std::exchange(bucket, start);
    for (const LargestCandidate& c : candidates) other[count[(key(c) >> shift) & (kBuckets - 1)]++] = c;
    candidates.swap(other);
  };
  const auto id_key = [](const LargestCandidate& c) { return std::uint64_t{c.id}; };
  for (unsigned shift = 0; shift < 32; shift += kDigitBits) pass(id_key, shift);
  for (unsigned shift = 0; shift < 64; shift += kDigitBits) pass(size_key, shift);
}

void EntryList::OfferLargest(const EntryItem& item) {
  const LargestCandidate candidate{item.size, item.id, item.parent};
  // Once kLargestCandidates are known, a file that ranks after the least of
  // them is not one of the best; the others wait until there are twice as
  // many, when the best kLargestCandidates are kept and the bar rises.
  if (largest_pruned_ && !RanksBefore(candidate, largest_bar_)) return;
  // Room for all it will ever hold, taken once: growing it step by step
  // would write twice as many fresh pages.
  if (largest_.size() == kLargestCandidates / 4) largest_.reserve(2 * kLargestCandidates);
  largest_.push_back(candidate);
  if (largest_.size() < 2 * kLargestCandidates) return;
  const auto bar = largest_.begin() + (kLargestCandidates - 1);
  std::nth_element(largest_.begin(), bar, largest_.end(), RanksBefore);
  largest_bar_ = *bar;
  largest_pruned_ = true;
  largest_.resize(kLargestCandidates);
}

void EntryList::Add(const MftEntry& entry, std::uint32_t flags) {
  AddNamed(entry, std::wstring_view(entry.name), flags);
}

void EntryList::Add(const MftEntry& entry, std::u16string_view name, std::uint32_t flags) {
  AddNamed(entry, name, flags);
}

template <typename Char>
void EntryList::AddNamed(const MftEntry& entry, std::basic_string_view<Char> name, std::uint32_t flags) {
  if (name.size() > kNameLengthMask) throw std::bad_alloc();
  const std::uint32_t parent = !entry.is_directory && entry.parent_id > 0 && entry.parent_id <= kMaxScanRecords
                                   ? static_cast<std::uint32_t>(entry.parent_id)
                                   : 0;
  // The name and its slot first: the item takes its place once they are kept.
  EntryItem made;
  made.name_offset = names_.AppendUnits(name);
  made.name_length = static_cast<std::uint32_t>(name.size());
  const std::uint32_t slot = entry.is_directory ? 0 : ExtensionSlot(Name(made));
  const std::size_t position = NewItem(entry.is_directory ? 0 : groups_.Of(parent));
  EntryItem& item = (*this)[position];
  item.mtime = entry.mtime;
  item.id = static_cast<std::uint32_t>(entry.id);
  item.attributes = entry.attributes;
  item.name_offset = made.name_offset;
  item.name_length = made.name_length;
  if (entry.is_directory) {
    item.size = entry.parent_id;
    item.alloc = 0;
    item.parent = 0;
    item.extension = 0;
    item.name_length |= kFolderItem;
    folder_items_.push_back(static_cast<std::uint32_t>(position));
  } else {
    item.size = entry.size;
    item.alloc = entry.alloc;
    item.parent = parent;
    item.name_length |= flags & (kSizesFromName | kWofTagged | kWofAllocated);
    item.extension = slot;
    SlotTotal& total = slot_totals_[item.extension];
    total.Add(item.size);
    ++total.files;
    OfferLargest(item);
    ++files_;
  }
  ++size_;
}

void EntryList::Rename(EntryItem& item, std::wstring_view name, std::int64_t parent_id) {
  if (name.size() > kNameLengthMask) throw std::bad_alloc();
  item.name_offset = names_.AppendUnits(name);
  item.name_length = (item.name_length & kEntryFlagMask) | static_cast<std::uint32_t>(name.size());
  if (item.IsFolder()) item.size = parent_id;
}

MftEntry EntryList::Entry(const EntryItem& item) const {
  const std::u16string_view name = Name(item);
  MftEntry entry;
  entry.id = item.id;
  entry.parent_id = item.ParentId();
  entry.name.assign(name.begin(), name.end());
  entry.is_directory = item.IsFolder();
  entry.size = item.IsFolder() ? 0 : item.size;
  entry.alloc = item.alloc;
  entry.mtime = item.mtime;
  entry.attributes = item.attributes;
  return entry;
}

std::vector<MftEntry> EntryList::Entries() const {
  std::vector<MftEntry> entries;
  entries.reserve(size_);
  ForEachItem([&](const EntryItem& item) { entries.push_back(Entry(item)); });
  return entries;
}

void EntryList::Append(EntryList&& other) {
  if (empty() && other.groups_ == groups_) {
    *this = std::move(other);
  } else {
    other.ForEachItem([&](const EntryItem& item) { Add(other.Entry(item), item.Flags()); });
  }
  other.Clear();
}

void EntryList::SizeChanged(const EntryItem& item, std::int64_t old_size) {
  if (item.IsFolder() || item.size == old_size) return;
  SlotTotal& total = slot_totals_[item.extension];
  total.Remove(old_size);
  total.Add(item.size);
  largest_stale_ = true;
}

void EntryList::ReleaseExtensionIndex() {
  std::unordered_map<std::u16string_view, std::uint32_t, ViewHash>().swap(extension_slot_);
  slot_cache_.fill(CachedSlot{});
  std::vector<std::u16string_view>().swap(extension_texts_);
}

void EntryList::ReleaseNameChunk(std::size_t k) {
  // The extension table's keys may point into the chunk. Clearing it here
  // would have every thread that releases one of this list's chunks write
  // to it: it must be gone already.
  if (!extension_slot_.empty() || !extension_texts_.empty()) {
    throw std::logic_error("a name chunk released before the extension index");
  }
  names_.Release(k);
}

std::unique_ptr<char16_t[]> EntryList::TakeNameChunk(std::size_t k) {
  if (!extension_slot_.empty() || !extension_texts_.empty()) {
    throw std::logic_error("a name chunk taken before the extension index is released");
  }
  return names_.Take(k);
}

void EntryList::ReleaseNameChunks() {
  // The extension table's keys point into the chunks: it goes first.
  ReleaseExtensionIndex();
  names_ = NameArena();
}

void EntryList::Clear() {
  std::vector<std::unique_ptr<EntryItem[]>>().swap(item_chunks_);
  std::vector<std::uint32_t>().swap(chunk_fill_);
  std::vector<std::uint32_t>().swap(chunk_group_);
  std::vector<std::uint32_t>().swap(open_chunk_);
  std::vector<SlotTotal>().swap(slot_totals_);
  size_ = 0;
  files_ = 0;
  std::vector<std::uint32_t>().swap(folder_items_);
  ReleaseNameChunks();
  std::vector<LargestCandidate>().swap(largest_);
  largest_pruned_ = false;
  largest_stale_ = false;
}

}  // namespace tw
