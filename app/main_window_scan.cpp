// The scan cycle: the press of "扫描", the worker's progress texts, and the
// hand-over of its result.
#include "main_window.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app_state.h"
#include "drive_list.h"
#include "result_views.h"
#include "scan/scan_worker_win32.h"
#include "trace.h"
#include "views/list_drawing_win32.h"
#include "views/status_texts.h"

namespace tw {
namespace {

// Shows the cycle's state on the drive list, the button and the status line.
void ApplyScanCycle() {
  const AppState& app = g_app;
  const BOOL enabled = app.scan.controls_enabled() ? TRUE : FALSE;
  EnableWindow(app.drive_combo, enabled);
  EnableWindow(app.scan_button, enabled);
  SetWindowTextW(app.status_text, app.scan.status().c_str());
}

void SetProgress(WPARAM position) { SendMessageW(g_app.progress_bar, PBM_SETPOS, position, 0); }

}  // namespace

void StartScan() {
  AppState& app = g_app;
  if (!app.scan.Press()) return;  // a second press during a scan does nothing
  ApplyScanCycle();
  SetProgress(0);
  std::wstring drive = SelectedDriveLetter();
  try {
    std::thread(RunScanThread, std::move(drive)).detach();
  } catch (const std::exception&) {
    // The thread library could not start the worker: without this the flag
    // would stay set and the controls disabled for good.
    app.scan.StartFailed();
    ApplyScanCycle();
  }
}

void OnScanProgress(WPARAM value, LPARAM text) {
  std::unique_ptr<std::wstring> owned(reinterpret_cast<std::wstring*>(text));
  if (owned != nullptr) SetWindowTextW(g_app.status_text, owned->c_str());
  if (value != 0) SetProgress(value);
}

void OnScanDone(WPARAM failed, LPARAM result) {
  Trace(L"WM_SCAN_DONE: enter wParam=%llu lParam=%p", static_cast<unsigned long long>(failed),
        reinterpret_cast<void*>(result));
  AppState& app = g_app;
  std::unique_ptr<ScanResult> posted(reinterpret_cast<ScanResult*>(result));
  if (failed != 0 || posted == nullptr) {
    app.scan.Failed();
    ApplyScanCycle();
    return;  // the previous result and the progress bar stay as they are
  }
  app.result = std::move(*posted);
  posted.reset();

  app.treemap_state = TreemapState{};  // the root, folders mode
  app.rows.ResetForResult(&app.result);
  SendMessageW(app.folder_list, LVM_SETITEMCOUNT, app.rows.RowCount(), LVSICF_NOINVALIDATEALL);
  InvalidateRect(app.folder_list, nullptr, TRUE);

  RefreshExtensionList();
  RefreshFileView();
  RebuildTreemapItems();
  UpdateTreemapCaption();
  UpdateSpaceSummary();
  SetHeaderSortArrow(app.folder_list, app.rows.sort_column(), app.rows.sort_ascending());

  SetProgress(100);
  app.scan.Succeeded(ScanSuccessStatus(app.result));
  ApplyScanCycle();
}

}  // namespace tw
