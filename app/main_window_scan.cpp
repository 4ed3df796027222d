// The scan cycle: the press of "扫描", the worker's progress reports, and the
// hand-over of its result.
#include "main_window.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app_state.h"
#include "base/trace.h"
#include "drive_list.h"
#include "overview_page.h"
#include "result_views.h"
#include "scan_thread.h"
#include "ui/list_drawing_win32.h"
#include "views/change_rows.h"
#include "views/scan_progress_text.h"
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
    std::thread(RunScanThread, app.main_window, std::move(drive)).detach();
  } catch (const std::exception&) {
    // The thread library could not start the worker: without this the flag
    // would stay set and the controls disabled for good.
    app.scan.StartFailed();
    ApplyScanCycle();
  }
}

void OnScanProgress(LPARAM progress) {
  const std::unique_ptr<ScanProgress> owned(reinterpret_cast<ScanProgress*>(progress));
  if (owned == nullptr) return;
  SetWindowTextW(g_app.status_text, ScanProgressText(*owned).c_str());
  SetProgress(static_cast<WPARAM>(ScanProgressValue(*owned)));
}

void OnScanDone(WPARAM error, LPARAM result) {
  Trace(L"WM_SCAN_DONE: enter wParam=%llu lParam=%p", static_cast<unsigned long long>(error),
        reinterpret_cast<void*>(result));
  AppState& app = g_app;
  std::unique_ptr<ScanDelivery> posted(reinterpret_cast<ScanDelivery*>(result));
  if (error != 0 || posted == nullptr || posted->result == nullptr) {
    // The worker's error line, then the failure line over it.
    SetWindowTextW(app.status_text, ScanErrorLine(static_cast<ScanError>(error)).c_str());
    app.scan.Failed(static_cast<ScanError>(error));
    ApplyScanCycle();
    return;  // the previous result and the progress bar stay as they are
  }
  std::shared_ptr<const ComparedScans> comparison = std::move(posted->memory.changes);
  HandOverGeneration(app.views, std::move(posted->result), std::move(comparison), posted->memory.previous_scan);
  posted.reset();

  ClearFolderListSelection();  // a row of the previous volume means nothing now
  SendMessageW(app.folder_list, LVM_SETITEMCOUNT, app.views.rows.RowCount(), LVSICF_NOINVALIDATEALL);
  InvalidateRect(app.folder_list, nullptr, TRUE);

  ShowNewExtensionRows();
  ShowNewFileRows();
  RefreshChangePage();
  OverviewAfterNewResult();  // 全景
  RedrawTreemap();
  UpdateTreemapCaption();
  UpdateSpaceSummary();
  SetHeaderSortArrow(app.folder_list, app.views.rows.sort_column(), app.views.rows.sort_ascending());

  SetProgress(100);
  std::wstring status = ScanSuccessStatus(*app.views.result);
  if (app.views.comparison != nullptr) status += ChangeStatusSuffix(*app.views.comparison);
  app.scan.Succeeded(std::move(status));
  ApplyScanCycle();
}

}  // namespace tw
