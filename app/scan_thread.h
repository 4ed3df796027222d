#pragma once
// The scan worker thread of the Windows program and the two messages by which
// it hands progress and the outcome to the main window.

#include <windows.h>

#include <memory>
#include <string>

#include "model/result_generation.h"
#include "store/scan_memory.h"
#include "model/scan_result.h"

namespace tw {

// What a successful scan hands over: the result's first generation, and the
// volume's previous scan compared with it (the comparison's new_scan is
// that generation).
struct ScanDelivery {
  ResultGeneration result;
  RememberedScan memory;
};

// Posted to the main window. WM_SCAN_DONE: wParam 0 and lParam a heap
// ScanDelivery* on success; on failure wParam the ScanError code (never 0) and
// lParam 0. WM_SCAN_PROGRESS: wParam 0, lParam a heap ScanProgress*. The
// receiver owns and frees both payloads.
inline constexpr UINT WM_SCAN_DONE = WM_APP + 1;
inline constexpr UINT WM_SCAN_PROGRESS = WM_APP + 2;

// Body of the scan worker thread: scans drive (the letter alone, e.g. C),
// compares the result with the volume's remembered scan and remembers the
// new one in its place, and posts the reports and the outcome to window.
// Catches everything.
void RunScanThread(HWND window, std::wstring drive);

}  // namespace tw
