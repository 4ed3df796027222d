#include "scan/entry_list.h"

#include <limits>
#include <new>
#include <utility>

#include "base/name_arena.h"

namespace tw {

void EntryList::Add(const MftEntry& entry, bool sizes_from_name) {
  EntryItem item;
  item.id = entry.id;
  item.parent_id = entry.parent_id;
  item.size = entry.size;
  item.alloc = entry.alloc;
  item.mtime = entry.mtime;
  item.attributes = entry.attributes;
  item.is_directory = entry.is_directory;
  item.sizes_from_name = sizes_from_name && !entry.is_directory;
  item.name_offset = AppendNameUnits(names, entry.name);
  item.name_length = static_cast<std::uint32_t>(entry.name.size());
  items.push_back(item);
}

void EntryList::Rename(EntryItem& item, std::wstring_view name) {
  item.name_offset = AppendNameUnits(names, name);
  item.name_length = static_cast<std::uint32_t>(name.size());
}

std::u16string_view EntryList::Name(const EntryItem& item) const {
  if (item.name_offset > names.size() || item.name_length > names.size() - item.name_offset) return {};
  return std::u16string_view(names).substr(item.name_offset, item.name_length);
}

MftEntry EntryList::Entry(const EntryItem& item) const {
  const std::u16string_view name = Name(item);
  return MftEntry{item.id,           item.parent_id, std::wstring(name.begin(), name.end()),
                  item.is_directory, item.size,      item.alloc,
                  item.mtime,        item.attributes};
}

void EntryList::Append(EntryList&& other) {
  if (items.capacity() == 0 && names.capacity() == 0) {
    items = std::move(other.items);
    names = std::move(other.names);
  } else {
    const std::size_t shift = names.size();
    if (shift > std::numeric_limits<std::uint32_t>::max() - other.names.size()) throw std::bad_alloc();
    names += other.names;
    items.reserve(items.size() + other.items.size());
    for (EntryItem item : other.items) {
      item.name_offset += static_cast<std::uint32_t>(shift);
      items.push_back(item);
    }
  }
  std::vector<EntryItem>().swap(other.items);
  std::u16string().swap(other.names);
}

}  // namespace tw
