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

// A name found in extension records for a folder that has its dir_N entry.
struct FolderName {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;
  std::wstring name;
};

// Gives the folders of `found` (sorted by id) their names and parents in
// aggregate.entries, which are not folded in yet; time and attribute bits stay
// those of the base record.
void RenameFolders(std::vector<FolderName>& found, ScanSlice& aggregate) {
  if (found.empty()) return;
  for (EntryItem& entry : aggregate.entries.items) {
    if (!entry.is_directory) continue;
    const auto at = std::lower_bound(found.begin(), found.end(), entry.id,
                                     [](const FolderName& f, std::int64_t id) { return f.id < id; });
    if (at == found.end() || at->id != entry.id || at->name.empty()) continue;
    aggregate.entries.Rename(entry, at->name);
    at->name.clear();  // used: a second entry of that id keeps its own
    entry.parent_id = at->parent_id;
  }
}

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

void ResolvePendingRecords(ScanSlice& aggregate) {
  std::vector<ExtensionRecord>& extensions = aggregate.extension_records;
  std::vector<PendingBase>& pending = aggregate.pending;
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
    const bool named = !state.name.empty();
    MftEntry entry;
    if (FinishEntry(base.id, is_dir_record, state, entry)) aggregate.entries.Add(entry, SizesFromFileName(state));
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
    std::vector<FolderName> folder_names;
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
        if (FinishEntry(base->id, false, state, entry)) aggregate.entries.Add(entry, SizesFromFileName(state));
      } else if (!state.name.empty()) {
        folder_names.push_back(FolderName{base->id, state.parent_id, std::move(state.name)});
      }
    }
    RenameFolders(folder_names, aggregate);  // already in id order
  }
  std::vector<ExtensionRecord>().swap(extensions);
  std::vector<PendingBase>().swap(pending);
}

void ApplyOverflowSizes(ScanSlice& aggregate) {
  if (!aggregate.overflow_sizes.empty()) {
    for (EntryItem& entry : aggregate.entries.items) {
      const auto found = aggregate.overflow_sizes.find(entry.id);
      if (found == aggregate.overflow_sizes.end()) continue;
      if (entry.sizes_from_name) {
        // The stream itself is only in extension records: its sizes stand,
        // where the $FILE_NAME's may be stale (or, for a sparse or
        // compressed file, count clusters that are not in use).
        entry.size = found->second.size;
        entry.alloc = found->second.alloc;
      } else {
        entry.size = std::max(entry.size, found->second.size);
        entry.alloc = std::max(entry.alloc, found->second.alloc);
      }
    }
  }
  IdMap<OverflowSizes>().swap(aggregate.overflow_sizes);
}

}  // namespace tw
