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
  b.AddFile(kRootId, 70, L"boot.ini", 100, 4096);
  b.AddFile(40, 71, L"big.sys", 600, 614400);
  b.AddFile(31, 72, L"照片.JPG", 250, 4096);
  b.AddFile(31, 73, L"notes", 50, 4096);
  b.AddFile(50, 74, L"lost.txt", 9, 4096);
  ScanResult r = b.Finish();
  for (auto& [id, files] : r.files_by_folder) {
    for (FileEntry& f : files) {
      f.mtime = 133541559010000000;  // 2024-03-07 01:05:01 UTC
      f.attributes = 0x20;
    }
  }
  r.extensions = {{L".sys", 600, 1}, {L".JPG", 250, 1}, {L".ini", 100, 1}, {L"(无扩展名)", 50, 1}, {L".txt", 9, 1}};
  r.largest_files = {r.files_by_folder[40][0], r.files_by_folder[31][0], r.files_by_folder[5][0],
                     r.files_by_folder[31][1], r.files_by_folder[50][0]};
  r.elapsed_seconds = 1.25;
  return r;
}

}  // namespace tw
