#include "base/name_arena.h"

#include <limits>
#include <new>

namespace tw {

std::uint32_t AppendNameUnits(std::u16string& arena, std::wstring_view name) {
  const std::size_t offset = arena.size();
  if (offset > std::numeric_limits<std::uint32_t>::max() - name.size()) throw std::bad_alloc();
  for (const wchar_t unit : name) arena.push_back(static_cast<char16_t>(static_cast<std::uint32_t>(unit) & 0xFFFFu));
  return static_cast<std::uint32_t>(offset);
}

std::uint32_t AppendNameUnits(std::u16string& arena, std::u16string_view name) {
  const std::size_t offset = arena.size();
  if (offset > std::numeric_limits<std::uint32_t>::max() - name.size()) throw std::bad_alloc();
  arena.append(name);
  return static_cast<std::uint32_t>(offset);
}

}  // namespace tw
