#pragma once
// One parsed MFT base record and the identifiers shared by the whole engine.

#include <cstdint>
#include <functional>
#include <string>

namespace tw {

// The volume root is always MFT record 5. An id that is zero or negative stands
// for the root wherever an id is looked up.
constexpr std::int64_t kRootId = 5;

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

// Progress reports of a scan: the value is a progress-bar position (0..100),
// the text a status line. May be called from any thread of the scan.
using ProgressCallback = std::function<void(std::int32_t, const std::wstring&)>;

}  // namespace tw
