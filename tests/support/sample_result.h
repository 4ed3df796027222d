#pragma once
// A small hand-made scan result shared by the report and JSON tests:
//
//   [D:] (5)          files: boot.ini 100/4096
//     Windows (40)    files: big.sys 600/1024*600
//     Users (30)
//       alice (31)    files: 照片.JPG 250/4096, notes 50/4096
//   and folders 50 <-> 51, a parent cycle the tree never reaches, where 50
//   holds lost.txt.

#include "model/scan_result.h"
#include "support/scan_result_builder.h"

namespace tw {

inline ScanResult MakeSampleResult() {
  test::ScanResultBuilder b(L"D");
  b.AddFolder(40, kRootId, L"Windows");
  b.AddFolder(30, kRootId, L"Users");
  b.AddFolder(31, 30, L"alice");
  b.AddFolder(50, 51, L"lost");
  b.AddFolder(51, 50, L"found");
  const auto add_file = [&b](std::int64_t folder, std::int64_t id, const wchar_t* name, std::int64_t size) {
    FileEntry& f = b.AddFile(folder, id, name, size, 4096);
    f.mtime = 133541559010000000;  // 2024-03-07 01:05:01 UTC
    f.attributes = 0x20;
    return &f;
  };
  add_file(kRootId, 70, L"boot.ini", 100);
  add_file(40, 71, L"big.sys", 600)->alloc = 614400;
  add_file(31, 72, L"照片.JPG", 250);
  add_file(31, 73, L"notes", 50);
  add_file(50, 74, L"lost.txt", 9);
  ScanResult r = b.Finish();
  // Finish's extensions by size: .sys 600, .JPG 250, .ini 100, none 50, .txt 9.
  const auto index_of = [&r](std::int64_t id) {
    for (std::size_t k = 0; k < r.files.size(); ++k) {
      if (r.files[k].id == id) return static_cast<std::uint32_t>(k);
    }
    return static_cast<std::uint32_t>(r.files.size());
  };
  r.largest_files = {index_of(71), index_of(72), index_of(70), index_of(73), index_of(74)};
  r.elapsed_seconds = 1.25;
  return r;
}

}  // namespace tw
