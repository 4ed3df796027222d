#include "scan/overflow_sizes.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
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

void RaiseOverflow(ScanSlice& aggregate, std::int64_t id, std::int64_t size, std::int64_t alloc) {
  OverflowSizes& sizes = aggregate.overflow_sizes[id];
  sizes.size = std::max(sizes.size, size);
  sizes.alloc = std::max(sizes.alloc, alloc);
}

// The extension records the sweep met for files and folders without a name,
// as (base, extension) pairs in record order.
using NamingRecords = std::vector<std::pair<std::int64_t, std::int64_t>>;

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
  for (MftEntry& entry : aggregate.entries) {
    if (!entry.is_directory) continue;
    const auto at = std::lower_bound(found.begin(), found.end(), entry.id,
                                     [](const FolderName& f, std::int64_t id) { return f.id < id; });
    if (at == found.end() || at->id != entry.id || at->name.empty()) continue;
    entry.name = std::move(at->name);  // moved out: a second entry of that id keeps its own
    entry.parent_id = at->parent_id;
  }
}

// Names the files and folders of `naming`: each base record is parsed from its
// own attributes and then from those of every extension record naming it as
// base, in record order, on one parse state (the rules of a base record with
// an attribute list: names ranked, sizes as parsed). A file that gains a name
// gets its entry appended to aggregate.entries; one still without a name stays
// without an entry. A folder of `folders` (sorted) that gains a name has it,
// and its parent, replace the dir_N fallback of its entry.
void NameFromExtensionRecords(NamingRecords& naming, const std::vector<std::int64_t>& folders,
                              const std::function<ByteSpan(std::int64_t)>& load, std::int64_t count,
                              ScanSlice& aggregate) {
  std::stable_sort(naming.begin(), naming.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<FolderName> folder_names;
  for (std::size_t k = 0; k < naming.size();) {
    const std::int64_t base = naming[k].first;
    std::size_t end = k;
    while (end < naming.size() && naming[end].first == base) ++end;
    const ByteSpan record = base >= 0 && base < count ? load(base) : ByteSpan();
    // Only a base record that still parses as one.
    if (IsParsableBaseRecord(record, base)) {
      const bool is_dir_record = (RecordFlags(record) & kRecordDirectory) != 0;
      RecordParseState state;
      ParseRecordAttributes(record, base, is_dir_record, state);
      for (; k < end; ++k) ParseRecordAttributes(load(naming[k].second), base, is_dir_record, state);
      if (!is_dir_record) {
        MftEntry entry;
        if (FinishEntry(base, false, state, entry)) aggregate.entries.push_back(std::move(entry));
      } else if (!state.name.empty() && std::binary_search(folders.begin(), folders.end(), base)) {
        folder_names.push_back(FolderName{base, state.parent_id, std::move(state.name)});
      }
    }
    k = end;
  }
  RenameFolders(folder_names, aggregate);  // already in id order
}

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

std::vector<std::int64_t> CollectListedDataRecords(ByteSpan record, std::int64_t id) {
  std::vector<std::int64_t> listed;
  WalkAttributes(record, [&](const AttributeView& attribute) {
    if (attribute.type != kAttrAttributeList) return;
    WalkAttributeListEntries(record, attribute, [&](const ListEntryView& entry) {
      if (entry.type != kAttrData || entry.NameLength(record) != 0 || entry.StartVcn(record) != 0) return;
      const std::int64_t number = entry.RecordNumber(record);
      if (number != 0 && number != id && std::find(listed.begin(), listed.end(), number) == listed.end()) {
        listed.push_back(number);
      }
    });
  });
  return listed;
}

void CollectOverflowSizes(ByteSpan image, std::int32_t record_size, ScanSlice& aggregate) {
  if (record_size <= 0 || image.size == 0) return;
  const std::size_t stride = static_cast<std::size_t>(record_size);
  const std::int64_t count = static_cast<std::int64_t>(image.size / stride);
  std::vector<std::uint8_t> scratch(stride);
  const MutableSpan copy{scratch.data(), stride};

  // Copies record n of the image into the scratch buffer and fixes it up.
  auto load = [&](std::int64_t n) {
    std::memcpy(scratch.data(), image.data + static_cast<std::size_t>(n) * stride, stride);
    ApplyFixups(copy);
    return copy.View();
  };

  // Files and folders the slice pass found no name for, sorted for lookup.
  std::vector<std::int64_t>& nameless = aggregate.nameless_files;
  std::vector<std::int64_t>& folders = aggregate.nameless_folders;
  for (std::vector<std::int64_t>* ids : {&nameless, &folders}) {
    std::sort(ids->begin(), ids->end());
    ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
  }
  const bool any_nameless = !nameless.empty() || !folders.empty();
  NamingRecords naming;

  for (std::int64_t i = 0; i < count; ++i) {
    load(i);
    const ByteSpan record = copy.View();
    if (stride < kRecordHeaderMinimum) continue;
    const std::uint8_t flags = RecordFlags(record);
    if (!(flags & kRecordInUse)) continue;
    const std::int64_t base = ReadRecordNumber(record, kBaseRecordField);

    if ((flags & kRecordExcluded) || (base != 0 && base != i)) {
      // An extension record: its data counts for the base record it names.
      if (base == 0) continue;
      if (any_nameless && base != i && IsFileRecord(record) &&
          (std::binary_search(nameless.begin(), nameless.end(), base) ||
           std::binary_search(folders.begin(), folders.end(), base))) {
        naming.emplace_back(base, i);
      }
      std::int64_t size = 0, alloc = 0;
      if (SumUnnamedData(record, size, alloc) && size <= kSizeSanityLimit && alloc <= kSizeSanityLimit) {
        RaiseOverflow(aggregate, base, size, alloc);
      }
      continue;
    }
    if (flags & kRecordDirectory) continue;
    if (i == 0) continue;  // record 0 ($MFT) never takes overflow sizes

    // A file base record: the records its attribute list names for the
    // unnamed $DATA, unless its own data is at least as large.
    const std::vector<std::int64_t> listed = CollectListedDataRecords(record, i);
    if (listed.empty()) continue;  // nothing to compare its own data with
    std::int64_t own_size = 0, own_alloc = 0;
    const bool own = SumUnnamedData(record, own_size, own_alloc);
    for (const std::int64_t r : listed) {
      if (r < 0 || r >= count) continue;  // the whole 48-bit number, never truncated
      load(r);                            // the base copy is no longer needed
      std::int64_t size = 0, alloc = 0;
      if (!SumUnnamedData(copy.View(), size, alloc)) continue;
      if (own && size <= own_size && alloc <= own_alloc) continue;
      if (size <= 0 && alloc <= 0) continue;
      if (size > kSizeSanityLimit || alloc > kSizeSanityLimit) continue;
      RaiseOverflow(aggregate, i, size, alloc);
    }
  }

  NameFromExtensionRecords(naming, folders, load, count, aggregate);
  std::vector<std::int64_t>().swap(nameless);
  std::vector<std::int64_t>().swap(folders);
}

void ApplyOverflowSizes(ScanSlice& aggregate) {
  if (!aggregate.overflow_sizes.empty()) {
    for (MftEntry& entry : aggregate.entries) {
      const auto found = aggregate.overflow_sizes.find(entry.id);
      if (found != aggregate.overflow_sizes.end()) {
        entry.size = std::max(entry.size, found->second.size);
        entry.alloc = std::max(entry.alloc, found->second.alloc);
      }
    }
  }
  // AddEntry for each entry in list order; the list's memory is released too.
  AddEntries(aggregate, std::move(aggregate.entries));
  IdMap<OverflowSizes>().swap(aggregate.overflow_sizes);
}

}  // namespace tw
