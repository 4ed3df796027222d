#pragma once
// Folder and file records of 1 KiB for the scan tests' volumes in memory.

#include <cstdint>
#include <string>

#include "ntfsbuild/record_builder.h"

namespace tw::test {

inline constexpr std::size_t kSmallRecord = 1024;

inline build::RecordBuilder FolderRecord(std::uint32_t id, std::int64_t parent, const std::wstring& name) {
  return build::RecordBuilder(kSmallRecord)
      .Number(id)
      .InUse()
      .Directory()
      .FileName({.parent = parent, .name = name, .flags = build::kNameDirectoryFlag});
}

// A file whose data (`bytes` of it) lies in its record.
inline build::RecordBuilder FileRecord(std::uint32_t id, std::int64_t parent, const std::wstring& name,
                                       std::uint32_t bytes) {
  return build::RecordBuilder(kSmallRecord)
      .Number(id)
      .InUse()
      .FileName({.parent = parent, .name = name})
      .ResidentData(bytes);
}

}  // namespace tw::test
