#pragma once
// One parsed MFT base record.

#include <cstdint>
#include <string>

#include "base/ids.h"

namespace tw {

struct MftEntry {
  std::int64_t id = 0;         // the record's own number (index in the MFT)
  std::int64_t parent_id = 0;  // parent folder's record number
  std::wstring name;           // chosen name; "." for the root
  bool is_directory = false;
  std::int64_t size = 0;   // logical bytes, never negative; 0 for folders
  std::int64_t alloc = 0;  // allocated bytes, never negative; 0 for folders
  std::int64_t mtime = 0;  // FILETIME from $STANDARD_INFORMATION, 0 when absent
  std::uint32_t attributes = 0;
};

}  // namespace tw
