#pragma once
// Parsed MFT entries held compactly until tree building: fixed-size items and
// every name in one arena of UTF-16 units, so a volume of millions of files
// takes no heap block per name. Plain data.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/mft_entry.h"

namespace tw {

struct EntryItem {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;
  std::int64_t size = 0;
  std::int64_t alloc = 0;
  std::int64_t mtime = 0;
  std::uint32_t attributes = 0;
  std::uint32_t name_offset = 0;  // names[name_offset, + name_length)
  std::uint32_t name_length = 0;
  bool is_directory = false;
  // A file whose record holds no unnamed $DATA: its sizes are its $FILE_NAME's
  // until the overflow pass finds the stream in an extension record.
  bool sizes_from_name = false;
};
// One per record of the volume while a scan runs: growing it is a decision.
static_assert(sizeof(EntryItem) == 56, "an EntryItem is 56 bytes");

struct EntryList {
  std::vector<EntryItem> items;
  std::u16string names;

  bool empty() const { return items.empty(); }
  std::size_t size() const { return items.size(); }

  // Appends the entry; its name goes to the arena. Throws std::bad_alloc
  // when the arena would pass what 32-bit offsets reach.
  void Add(const MftEntry& entry, bool sizes_from_name = false);
  // Gives an item a new name (appended to the arena; the old one stays unused).
  void Rename(EntryItem& item, std::wstring_view name);
  std::u16string_view Name(const EntryItem& item) const;
  // The item as a parsed entry, name widened.
  MftEntry Entry(const EntryItem& item) const;

  // Appends other's items after these (their names shifted into this arena)
  // and empties other. Into a list that holds no memory yet, other is moved.
  void Append(EntryList&& other);
};

}  // namespace tw
