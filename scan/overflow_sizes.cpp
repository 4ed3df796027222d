#include "scan/overflow_sizes.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/arithmetic.h"
#include "scan/attribute_walk.h"
#include "scan/mft_record.h"

namespace tw {
namespace {

bool IsFileRecord(ByteSpan record) {
  return record.size >= kRecordHeaderMinimum && ReadU32(record, kRecordSignatureOffset) == kFileSignature;
}

std::uint8_t RecordFlags(ByteSpan record) { return ReadU8(record, kRecordFlagsField); }

bool IsDirectoryRecord(ByteSpan record) { return (RecordFlags(record) & kRecordDirectory) != 0; }

ByteSpan View(const std::vector<std::uint8_t>& bytes) { return ByteSpan(bytes.data(), bytes.size()); }

}  // namespace

bool SumUnnamedData(ByteSpan record, std::int64_t& size, std::int64_t& alloc) {
  size = 0;
  alloc = 0;
  if (!IsFileRecord(record)) return false;
  const std::uint8_t flags = RecordFlags(record);
  if (!(flags & kRecordInUse) || (flags & kRecordDirectory)) return false;
  if (ReadU16(record, kFirstAttributeOffsetField) >= record.size) return false;

  WalkAttributes(record, [&](const AttributeView& attribute) {
    if (attribute.type != kAttrData || attribute.NameLength(record) != 0) return;
    if (attribute.NonResident(record)) {
      if (attribute.length < kNonResidentHeaderMinimum) return;
      const std::int64_t allocated = ReadI64(record, attribute.offset + kAttrAllocatedSizeField);
      const std::int64_t data = ReadI64(record, attribute.offset + kAttrDataSizeField);
      const NonResidentAllocation allocation = attribute.Allocation(record);
      const std::int64_t s = data > 0 ? data : allocated;
      const std::int64_t a = allocation.in_use || allocation.bytes > 0 ? allocation.bytes : s;
      size = SaturatingAdd(size, std::max<std::int64_t>(s, 0));
      alloc = SaturatingAdd(alloc, std::max<std::int64_t>(a, 0));
    } else {
      const std::int64_t value = attribute.ValueLength(record);
      size = SaturatingAdd(size, value);
      alloc = SaturatingAdd(alloc, value);
    }
  });
  return size > 0 || alloc > 0;
}

void ResolvePendingRecords(std::vector<PendingBase>& pending, std::vector<ExtensionRecord>& extensions, EntryList& out,
                           std::vector<FolderRename>& renames) {
  const auto by_id = [](const auto& a, const auto& b) { return a.id < b.id; };
  std::stable_sort(extensions.begin(), extensions.end(), by_id);
  std::stable_sort(pending.begin(), pending.end(), by_id);

  // First the records the attribute list names, in list order, on the parse
  // state of the base record's own attributes.
  std::vector<const PendingBase*> nameless;
  for (const PendingBase& base : pending) {
    const ByteSpan record = View(base.bytes);
    const bool is_dir_record = IsDirectoryRecord(record);
    RecordParseState state;
    ParseRecordAttributes(record, base.id, is_dir_record, state);
    for (const std::int64_t r : base.listed) {
      const auto at = std::lower_bound(extensions.begin(), extensions.end(), r,
                                       [](const ExtensionRecord& e, std::int64_t id) { return e.id < id; });
      if (at != extensions.end() && at->id == r) ParseRecordAttributes(View(at->bytes), base.id, is_dir_record, state);
    }
    const bool named = state.HasName();
    MftEntry entry;
    if (FinishEntry(base.id, is_dir_record, state, entry)) out.Add(entry, EntryFlagsOf(state));
    // A file still without a name has no entry, a folder still without one
    // keeps dir_N: both look in the extension records that name them as base.
    if (!named) nameless.push_back(&base);
  }

  // Then the extension records that name a still nameless record as base, in
  // record order, on a fresh parse of the base record's own attributes.
  if (!nameless.empty() && !extensions.empty()) {
    std::vector<std::pair<std::int64_t, const ExtensionRecord*>> naming;  // (base, extension)
    for (const ExtensionRecord& e : extensions) naming.emplace_back(e.base, &e);
    std::stable_sort(naming.begin(), naming.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const PendingBase* base : nameless) {
      auto k = std::lower_bound(naming.begin(), naming.end(), base->id,
                                [](const auto& n, std::int64_t id) { return n.first < id; });
      if (k == naming.end() || k->first != base->id) continue;
      const ByteSpan record = View(base->bytes);
      const bool is_dir_record = IsDirectoryRecord(record);
      RecordParseState state;
      ParseRecordAttributes(record, base->id, is_dir_record, state);
      for (; k != naming.end() && k->first == base->id; ++k) {
        ParseRecordAttributes(View(k->second->bytes), base->id, is_dir_record, state);
      }
      if (!is_dir_record) {
        MftEntry entry;
        if (FinishEntry(base->id, false, state, entry)) out.Add(entry, EntryFlagsOf(state));
      } else if (state.HasName()) {
        renames.push_back(FolderRename{base->id, state.parent_id, state.NameText()});
      }
    }
  }
  std::vector<ExtensionRecord>().swap(extensions);
  std::vector<PendingBase>().swap(pending);
}

void ResolvePendingRecords(ScanSlice& aggregate) {
  std::vector<FolderRename> renames;
  ResolvePendingRecords(aggregate.pending, aggregate.extension_records, aggregate.entries, renames);
  if (renames.empty()) return;
  // Renames come in id order; the first folder entry of an id takes its own.
  for (const std::uint32_t position : aggregate.entries.folder_items()) {
    EntryItem& entry = aggregate.entries[position];
    const auto at = std::lower_bound(renames.begin(), renames.end(), entry.id,
                                     [](const FolderRename& f, std::int64_t id) { return f.id < id; });
    if (at == renames.end() || at->id != entry.id || at->name.empty()) continue;
    aggregate.entries.Rename(entry, at->name, at->parent_id);
    at->name.clear();  // used: a second entry of that id keeps its own
  }
}

void ApplyOverflow(const OverflowSizes& sizes, EntryItem& item) {
  if (item.IsFolder()) return;
  const std::uint32_t flags = item.Flags();
  const bool keeps_wof_alloc = (flags & kWofAllocated) != 0;
  if (sizes.size > 0 || sizes.alloc > 0) {
    if ((flags & kSizesFromName) != 0) {
      // The stream itself is only in extension records: its sizes stand,
      // where the $FILE_NAME's may be stale (or, for a sparse or compressed
      // file, count clusters that are not in use).
      item.size = sizes.size;
      if (!keeps_wof_alloc) item.alloc = sizes.alloc;
    } else {
      item.size = std::max(item.size, sizes.size);
      if (!keeps_wof_alloc) item.alloc = std::max(item.alloc, sizes.alloc);
    }
  }
  if (((flags & kWofTagged) != 0 || sizes.wof_tagged) && sizes.wof_alloc >= 0) item.alloc = sizes.wof_alloc;
}

void ApplyOverflowSizes(ScanSlice& aggregate) {
  if (!aggregate.overflow_sizes.empty()) {
    aggregate.entries.ForEachItem([&](EntryItem& entry) {
      const auto found = aggregate.overflow_sizes.find(entry.id);
      if (found == aggregate.overflow_sizes.end()) return;
      const std::int64_t size = entry.size;
      ApplyOverflow(found->second, entry);
      aggregate.entries.SizeChanged(entry, size);
    });
  }
  IdMap<OverflowSizes>().swap(aggregate.overflow_sizes);
}

}  // namespace tw
