#include "engine/record_reread.h"

#include <algorithm>
#include <deque>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/tree_builder.h"
#include "scan/mft_loader.h"
#include "scan/mft_record.h"
#include "scan/overflow_sizes.h"
#include "scan/scan_slice.h"

namespace tw {
namespace {

using RecordSet = std::unordered_set<RecordId, IdHash>;

// Reads record n and parses it into the slice as the scan's pass does
// (fix-ups, then ParseRecord); returns the records its attribute list names.
// A record past the MFT, or one that cannot be read, parses as nothing.
std::vector<RecordId> ReadAndParse(RawVolume& volume, const MftLayout& layout, RecordId n,
                                   std::vector<std::uint8_t>& buffer, ScanSlice& slice) {
  if (n < 0 || n >= layout.record_count) return {};
  buffer.assign(static_cast<std::size_t>(layout.record_size), 0);
  std::vector<ByteRange> unreadable;
  if (ReadMftWindow(volume, layout, n, 1, buffer.data(), unreadable) != 0) return {};
  MutableSpan record{buffer.data(), buffer.size()};
  if (!ApplyFixups(record)) return {};
  ParseRecord(record.View(), n, slice);
  return CollectListedRecords(record.View(), n);
}

// The entries of the result (folders, then files) as tree building takes
// them, without the records in `skip`. The root's own files name the root as
// parent; the files tree building placed under the root because their
// parent was unknown follow them in the root's list (each group in record
// order, so the first descent of record numbers is where they start) and
// name no parent, so that they are placed as before.
void AddResultEntries(const ScanResult& result, const RecordSet& skip, EntryList& entries) {
  const auto name_of = [&result](NameRef name) {
    return result.names.View(name.offset, name.length);
  };
  for (const DirNode& folder : result.folders) {
    if (skip.count(folder.id) != 0) continue;
    MftEntry entry;
    entry.id = folder.id;
    entry.parent_id = folder.parent_id;
    entry.mtime = folder.mtime;
    entry.attributes = folder.attributes;
    entry.is_directory = true;
    entries.Add(entry, folder.id == kRootId ? std::u16string_view(u".") : name_of(folder.name));
  }
  for (const DirNode& folder : result.folders) {
    const std::span<const FileItem> files = result.Files(folder);
    std::size_t unknown_parent_from = files.size();
    if (folder.id == kRootId) {
      for (std::size_t i = 1; i < files.size(); ++i) {
        if (files[i].id < files[i - 1].id) {
          unknown_parent_from = i;
          break;
        }
      }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
      const FileItem& file = files[i];
      if (skip.count(file.id) != 0) continue;
      MftEntry entry;
      entry.id = file.id;
      entry.parent_id = i < unknown_parent_from ? folder.id : 0;
      entry.size = file.size;
      entry.alloc = file.alloc;
      entry.mtime = file.mtime;
      entry.attributes = file.attributes;
      entries.Add(entry, result.Name(file));
    }
  }
}

// The folders and files below the folder `id` of the result, not entering
// the folders in `alive` (read again and still there: they keep what hangs
// from them).
void AddSubtree(const ScanResult& result, RecordId id, const RecordSet& alive, RecordSet& gone) {
  std::vector<RecordId> stack{id};
  while (!stack.empty()) {
    const DirNode* folder = result.FindFolder(stack.back());
    stack.pop_back();
    if (folder == nullptr || folder->id == kRootId) continue;
    for (const FileItem& file : result.Files(*folder)) {
      if (alive.count(file.id) == 0) gone.insert(file.id);
    }
    for (const RecordId child : result.Children(*folder)) {
      if (alive.count(child) != 0 || gone.count(child) != 0) continue;
      gone.insert(child);
      stack.push_back(child);
    }
  }
}

}  // namespace

ScanResult RereadRecords(const ScanResult& result, RawVolume& volume, std::span<const RecordId> touched) {
  MftLayout layout;
  if (!volume.IsOpen() || !ReadMftLayout(volume, layout, false) || layout.record_size <= 0) {
    throw ScanFailure(ScanError::kCannotReadMft);
  }
  if (result.volume_serial != 0 && layout.volume_serial != result.volume_serial) {
    throw ScanFailure(ScanError::kOtherVolume);
  }

  // Each touched record and the folder it was listed under, the extension
  // records each lists, and the parent each names now, once each: the
  // parents' own times change when an item leaves or arrives, and a parent
  // the result does not know is followed up to one it knows.
  ScanSlice slice;
  RecordSet read;
  std::deque<RecordId> queue(touched.begin(), touched.end());
  // $MFT grows by the records an action makes (new folders, the Recycle
  // Bin's $I files).
  queue.push_back(0);
  {
    const RecordSet wanted(touched.begin(), touched.end());
    for (const DirNode& folder : result.folders) {
      if (wanted.count(folder.id) != 0) queue.push_back(RootIfNotPositive(folder.parent_id));
    }
    for (const FileItem& file : result.files) {
      if (wanted.count(file.id) != 0) queue.push_back(result.FolderId(file));
    }
  }
  std::vector<std::uint8_t> buffer;
  std::size_t entries_seen = 0;
  while (!queue.empty() && read.size() < kMaxRereadRecords) {
    while (!queue.empty() && read.size() < kMaxRereadRecords) {
      const RecordId n = queue.front();
      queue.pop_front();
      if (!read.insert(n).second) continue;
      // A base record's extension records: its sizes or its name may lie there.
      for (const RecordId listed : ReadAndParse(volume, layout, n, buffer, slice)) {
        if (read.insert(listed).second) ReadAndParse(volume, layout, listed, buffer, slice);
      }
    }
    // Records without a name of their own take it from their extension
    // records; then every entry's parent is read in turn.
    ResolvePendingRecords(slice);
    for (; entries_seen < slice.entries.size(); ++entries_seen) {
      const RecordId parent = RootIfNotPositive(slice.entries[entries_seen].ParentId());
      if (read.count(parent) == 0) queue.push_back(parent);
    }
  }
  ApplyOverflowSizes(slice);

  // What the records say now: those with an entry are alive, the others gone
  // with what hangs from them.
  RecordSet alive;
  for (std::size_t i = 0; i < slice.entries.size(); ++i) alive.insert(slice.entries[i].id);
  RecordSet gone;
  for (const RecordId n : read) {
    if (alive.count(n) != 0 || n == kRootId) continue;
    gone.insert(n);
    if (result.FindFolder(n) != nullptr && n > 0) AddSubtree(result, n, alive, gone);
  }
  RecordSet skip = gone;
  skip.insert(alive.begin(), alive.end());
  skip.erase(kRootId);

  ScanSlice rebuilt;
  AddResultEntries(result, skip, rebuilt.entries);
  // Read last, so that each wins over the result's entry of its id (the
  // root's included).
  // Their overflow sizes are applied: what the parse left for them is done.
  for (std::size_t i = 0; i < slice.entries.size(); ++i) {
    const EntryItem& entry = slice.entries[i];
    rebuilt.entries.Add(slice.entries.Entry(entry), slice.entries.Name(entry));
  }
  slice = ScanSlice();

  ScanResult next = BuildScanResult(rebuilt, result.drive);
  next.elapsed_seconds = result.elapsed_seconds;
  next.scanned_at = result.scanned_at;
  next.volume_serial = result.volume_serial;
  next.unreadable_records = result.unreadable_records;
  next.unreadable_ranges = result.unreadable_ranges;
  return next;
}

}  // namespace tw
