#pragma once
// The worker threads of 打开… and 保存…: reading a saved scan (and
// comparing it with the remembered scan of its volume) and writing the
// result on screen in a chosen format, each off the window's thread, each
// posting its outcome to the main window.

#include <windows.h>

#include <string>

#include "export/export_file.h"
#include "model/result_generation.h"
#include "store/scan_memory.h"
#include "store/snapshot.h"

namespace tw {

// What an opening hands over: the file, and on success the result's
// generation with its comparison; on failure the reason.
struct OpenDelivery {
  std::wstring path;
  ResultGeneration result;  // null when the file was refused
  RememberedScan memory;
  SnapshotError error;
};

// What a save hands over: the file and "" on success, else the reason.
struct SaveDelivery {
  std::wstring path;
  std::string error;
};

// Posted to the main window with a heap payload in lParam (OpenDelivery*,
// SaveDelivery*; wParam 0), which the receiver owns and frees.
inline constexpr UINT WM_OPEN_DONE = WM_APP + 7;
inline constexpr UINT WM_SAVE_DONE = WM_APP + 8;

// Body of the opening thread: reads the saved scan at `path` and compares it
// with the remembered scan of its volume, writing nothing. Catches everything.
void RunOpenThread(HWND window, std::wstring path);

// Body of the saving thread: writes `result` to `path` as asked, through a
// temporary file renamed over it. Catches everything.
void RunSaveThread(HWND window, std::wstring path, ResultGeneration result, ExportRequest request);

}  // namespace tw
