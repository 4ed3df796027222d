#include "scan/scan_slice.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>

#include "base/arithmetic.h"
#include "base/extension.h"

namespace tw {
namespace {

// Sums of sizes read from disk saturate instead of overflowing.
void AddTo(std::int64_t& total, std::int64_t value) { total = SaturatingAdd(total, value); }

// The folder slots the last file went to: files of one folder tend to follow
// each other in the MFT. Map nodes never move, so the pointers stay valid
// while entries are added (nothing is erased meanwhile).
struct FolderSlots {
  bool valid = false;
  std::int64_t totals_key = 0;
  FolderFileTotals* totals = nullptr;
  std::int64_t files_key = 0;
  std::vector<FileRecord>* files = nullptr;
};

template <typename Entry>
void AddEntryImpl(ScanSlice& s, Entry&& entry, FolderSlots& slots) {
  if (entry.is_directory) {
    s.folder_records.insert_or_assign(
        entry.id, FolderRecord{entry.parent_id, std::forward<Entry>(entry).name, entry.mtime, entry.attributes});
    if (entry.id != kRootId) ++s.folder_count;
    return;
  }

  // Offered first: the heap copies the name only when it keeps the entry, and
  // the name may then be moved into the file list below.
  s.largest.Add(std::as_const(entry));

  ++s.file_count;
  const std::int64_t total_key = entry.parent_id > 0 ? entry.parent_id : kRootId;
  const std::int64_t s_size = std::max<std::int64_t>(entry.size, 0);
  const std::int64_t s_alloc = entry.alloc >= 0 ? entry.alloc : s_size;
  if (!slots.valid || slots.totals_key != total_key || slots.files_key != entry.parent_id) {
    slots.totals_key = total_key;
    slots.totals = &s.folder_file_totals[total_key];
    slots.files_key = entry.parent_id;
    slots.files = &s.folder_files[entry.parent_id];
    slots.valid = true;
  }
  FolderFileTotals& totals = *slots.totals;
  AddTo(totals.size, s_size);
  AddTo(totals.alloc, s_alloc);
  ++totals.count;

  AddTo(s.file_size_sum, entry.size);
  AddTo(s.file_alloc_sum, entry.alloc);

  const std::wstring_view extension = ExtensionOf(entry.name);
  auto ext = s.extension_totals.find(extension);
  if (ext == s.extension_totals.end())
    ext = s.extension_totals.emplace(std::wstring(extension), ExtensionTotals{}).first;
  AddTo(ext->second.size, entry.size);
  AddTo(ext->second.alloc, entry.alloc);
  ++ext->second.count;

  // Last: this may move the name out of the entry.
  slots.files->push_back(
      FileRecord{std::forward<Entry>(entry).name, entry.size, entry.alloc, entry.mtime, entry.attributes, entry.id});
}

// Folds a map of field-wise sums into another; a missing key starts at zero.
template <typename Map>
void MergeSums(Map& into, Map&& from) {
  if (into.empty()) {
    into = std::move(from);
    return;
  }
  for (auto& [key, value] : from) {
    auto& target = into[key];
    AddTo(target.size, value.size);
    AddTo(target.alloc, value.alloc);
    target.count += value.count;
  }
}

template <typename T>
void AppendMoved(std::vector<T>& into, std::vector<T>&& from) {
  if (into.empty()) {
    into = std::move(from);
    return;
  }
  into.insert(into.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

}  // namespace

// The sifts move the entry being placed along a hole instead of swapping it
// level by level: the same comparisons and the same final arrangement, one
// move per level instead of three.
template <typename Entry>
void LargestFilesHeap::Offer(Entry&& entry) {
  const auto key_of = [](const MftEntry& e) { return e.size; };
  const std::int64_t k = entry.size;
  const std::size_t count = heap.size();
  if (count < static_cast<std::size_t>(std::max(capacity, 0))) {
    heap.push_back(std::forward<Entry>(entry));
    std::size_t i = count;
    if (i == 0 || k >= key_of(heap[(i - 1) / 2])) return;
    MftEntry placed = std::move(heap[i]);
    while (i > 0) {
      const std::size_t p = (i - 1) / 2;
      if (k >= key_of(heap[p])) break;
      heap[i] = std::move(heap[p]);
      i = p;
    }
    heap[i] = std::move(placed);
    return;
  }
  // Full (or no room at all): a tie with the smallest kept key keeps the entry held.
  if (count == 0 || k <= key_of(heap[0])) return;
  std::size_t i = 0;
  std::size_t c = 1;
  while (c < count) {
    if (c + 1 < count && key_of(heap[c + 1]) < key_of(heap[c])) ++c;
    if (key_of(heap[c]) >= k) break;
    heap[i] = std::move(heap[c]);
    i = c;
    c = 2 * c + 1;
  }
  heap[i] = std::forward<Entry>(entry);  // a copy reuses the name buffer the hole holds
}

void LargestFilesHeap::Add(const MftEntry& entry) { Offer(entry); }
void LargestFilesHeap::Add(MftEntry&& entry) { Offer(std::move(entry)); }

void AddEntry(ScanSlice& aggregate, const MftEntry& entry) {
  FolderSlots slots;
  AddEntryImpl(aggregate, entry, slots);
}
void AddEntry(ScanSlice& aggregate, MftEntry&& entry) {
  FolderSlots slots;
  AddEntryImpl(aggregate, std::move(entry), slots);
}

void AddEntries(ScanSlice& aggregate, std::vector<MftEntry>&& entries) {
  std::size_t folders = 0;
  for (const MftEntry& entry : entries) folders += entry.is_directory ? 1 : 0;
  // Files are keyed by their folders (plus the odd unknown parent).
  aggregate.folder_records.reserve(aggregate.folder_records.size() + folders);
  aggregate.folder_file_totals.reserve(aggregate.folder_file_totals.size() + folders + 1);
  aggregate.folder_files.reserve(aggregate.folder_files.size() + folders + 1);
  FolderSlots slots;
  for (MftEntry& entry : entries) AddEntryImpl(aggregate, std::move(entry), slots);
  std::vector<MftEntry>().swap(entries);
}

void Merge(ScanSlice& aggregate, ScanSlice&& other) {
  if (aggregate.folder_records.empty()) {
    aggregate.folder_records = std::move(other.folder_records);
  } else {
    for (auto& [id, record] : other.folder_records) aggregate.folder_records.insert_or_assign(id, std::move(record));
  }

  MergeSums(aggregate.folder_file_totals, std::move(other.folder_file_totals));
  MergeSums(aggregate.extension_totals, std::move(other.extension_totals));

  if (aggregate.folder_files.empty()) {
    aggregate.folder_files = std::move(other.folder_files);
  } else {
    for (auto& [id, files] : other.folder_files) AppendMoved(aggregate.folder_files[id], std::move(files));
  }

  // Maxima against entries that start at zero, so no move shortcut here.
  for (const auto& [id, sizes] : other.overflow_sizes) {
    OverflowSizes& target = aggregate.overflow_sizes[id];
    target.size = std::max(target.size, sizes.size);
    target.alloc = std::max(target.alloc, sizes.alloc);
  }

  AppendMoved(aggregate.entries, std::move(other.entries));
  AppendMoved(aggregate.extension_records, std::move(other.extension_records));
  AppendMoved(aggregate.pending, std::move(other.pending));

  AddTo(aggregate.file_size_sum, other.file_size_sum);
  AddTo(aggregate.file_alloc_sum, other.file_alloc_sum);
  aggregate.file_count += other.file_count;
  aggregate.folder_count += other.folder_count;

  for (MftEntry& entry : other.largest.heap) aggregate.largest.Add(std::move(entry));

  other.folder_records.clear();
  other.folder_file_totals.clear();
  other.extension_totals.clear();
  other.folder_files.clear();
  other.overflow_sizes.clear();
  other.entries.clear();
  other.extension_records.clear();
  other.pending.clear();
  other.largest.heap.clear();
}

}  // namespace tw
