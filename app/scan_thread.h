#pragma once
// The scan worker thread of the Windows program and the messages by which it
// hands progress, the outcome and then the comparison to the main window.

#include <windows.h>

#include <future>
#include <memory>
#include <string>

#include "model/result_generation.h"
#include "model/scan_result.h"
#include "store/scan_memory.h"

namespace tw {

// What a successful scan hands over first: the result's first generation.
// The window frees it once the views show the result; that ends `shown`'s
// wait (a promise destroyed unkept still makes its future ready), and the
// worker only then starts remembering, so that the window has the
// processor to itself while it fills the lists.
struct ScanDelivery {
  ResultGeneration result;
  std::promise<void> shown;
};

// What it hands over once the scan is remembered: the volume's previous
// scan compared with that generation (the comparison's new_scan is it), and
// the volume's earlier kept scans.
struct ScanComparison {
  ResultGeneration made_for;
  RememberedScan memory;
};

// Posted to the main window. WM_SCAN_DONE: wParam 0 and lParam a heap
// ScanDelivery* on success; on failure wParam the ScanError code (never 0) and
// lParam 0. WM_SCAN_PROGRESS: wParam 0, lParam a heap ScanProgress*.
// WM_SCAN_COMPARED, after a successful WM_SCAN_DONE: wParam 0, lParam a heap
// ScanComparison*. The receiver owns and frees every payload.
inline constexpr UINT WM_SCAN_DONE = WM_APP + 1;
inline constexpr UINT WM_SCAN_PROGRESS = WM_APP + 2;
inline constexpr UINT WM_SCAN_COMPARED = WM_APP + 5;

// Body of the scan worker thread: scans drive (the letter alone, e.g. C) and
// posts the reports and the outcome to window as soon as the result is
// built; once the window has shown it (or after half a minute), remembers
// the result among the volume's kept scans, compared
// with the previous one (one remembering at a time in the process: a scan
// that ends while another is remembered waits for it), and posts that.
// Catches everything.
void RunScanThread(HWND window, std::wstring drive);

}  // namespace tw
