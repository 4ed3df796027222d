#pragma once
// A small hand-made scan result shared by the report and JSON tests:
//
//   [D:] (5)          files: boot.ini 100/4096
//     Windows (40)    files: big.sys 600/1024*600
//     Users (30)
//       alice (31)    files: 照片.JPG 250/..., notes 50/...
//   and folders 50 <-> 51, a parent cycle the tree never reaches, where 50
//   holds lost.txt.

#include "model/scan_result.h"

namespace tw {

inline FileEntry SampleFile(const std::wstring& name, const std::wstring& folder_path, std::int64_t size,
                            std::int64_t alloc, std::int64_t id) {
  FileEntry f;
  f.name = name;
  f.folder_path = folder_path;
  const std::wstring ext = ExtensionOf(name);
  f.extension = ext.empty() ? kNoExtension : ext;
  f.size = size;
  f.alloc = alloc;
  f.id = id;
  f.mtime = 133541559010000000;  // 2024-03-07 01:05:01 UTC
  f.attributes = 0x20;
  return f;
}

inline DirNode SampleFolder(std::int64_t id, std::int64_t parent, const std::wstring& name) {
  DirNode n;
  n.id = id;
  n.parent_id = parent;
  n.tree_parent_id = parent;
  n.name = name;
  return n;
}

inline ScanResult MakeSampleResult() {
  ScanResult r;
  r.drive = L"D";
  DirNode root = SampleFolder(5, 5, L"[D:]");
  DirNode windows = SampleFolder(40, 5, L"Windows");
  DirNode users = SampleFolder(30, 5, L"Users");
  DirNode alice = SampleFolder(31, 30, L"alice");
  DirNode lost_a = SampleFolder(50, 51, L"lost");
  DirNode lost_b = SampleFolder(51, 50, L"found");
  lost_a.tree_parent_id = 51;
  lost_b.tree_parent_id = 50;
  lost_a.children = {51};
  lost_b.children = {50};

  alice.direct_size = alice.total_size = 300;
  alice.direct_alloc = alice.total_alloc = 8192;
  alice.direct_file_count = alice.total_file_count = 2;
  users.total_size = 300;
  users.total_alloc = 8192;
  users.total_file_count = 2;
  users.total_folder_count = 1;
  users.children = {31};
  windows.direct_size = windows.total_size = 600;
  windows.direct_alloc = windows.total_alloc = 614400;
  windows.direct_file_count = windows.total_file_count = 1;
  root.direct_size = 100;
  root.direct_alloc = 4096;
  root.direct_file_count = 1;
  root.total_size = 1000;
  root.total_alloc = 4096 + 8192 + 614400;
  root.total_file_count = 4;
  root.total_folder_count = 3;
  root.children = {40, 30};
  for (DirNode* n : {&root, &windows, &users, &alice, &lost_a, &lost_b}) r.folders[n->id] = *n;

  r.files_by_folder[5] = {SampleFile(L"boot.ini", L"D:\\", 100, 4096, 70)};
  r.files_by_folder[40] = {SampleFile(L"big.sys", L"D:\\Windows", 600, 614400, 71)};
  r.files_by_folder[31] = {SampleFile(L"照片.JPG", L"D:\\Users\\alice", 250, 4096, 72),
                           SampleFile(L"notes", L"D:\\Users\\alice", 50, 4096, 73)};
  r.files_by_folder[50] = {SampleFile(L"lost.txt", L"D:\\found\\lost", 9, 4096, 74)};

  r.extensions = {{L".sys", 600, 1}, {L".JPG", 250, 1}, {L".ini", 100, 1}, {L"(无扩展名)", 50, 1}, {L".txt", 9, 1}};
  r.largest_files = {r.files_by_folder[40][0], r.files_by_folder[31][0], r.files_by_folder[5][0],
                     r.files_by_folder[31][1], r.files_by_folder[50][0]};
  r.file_count = 5;
  r.folder_count = 5;
  r.root_total_size = 1000;
  r.elapsed_seconds = 1.25;
  return r;
}

}  // namespace tw
