// The scan cycle: the press of "扫描", the worker's progress reports, and the
// hand-over of its result (its comparison follows, change_page.cpp).
#include "main_window.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app_state.h"
#include "base/trace.h"
#include "change_page.h"
#include "drive_list.h"
#include "overview_page.h"
#include "result_views.h"
#include "scan_thread.h"
#include "search_page.h"
#include "ui/list_drawing_win32.h"
#include "views/change_rows.h"
#include "views/scan_progress_text.h"
#include "views/status_texts.h"

namespace tw {
namespace {

void SetProgress(WPARAM position) { SendMessageW(g_app.progress_bar, PBM_SETPOS, position, 0); }

}  // namespace

void ShowNewResult() {
  AppState& app = g_app;
  ClearFolderListSelection();  // a row of the previous result means nothing now
  SendMessageW(app.folder_list, LVM_SETITEMCOUNT, app.views.rows.RowCount(), LVSICF_NOINVALIDATEALL);
  InvalidateRect(app.folder_list, nullptr, TRUE);
  ShowNewExtensionRows();
  ShowNewFileRows();
  ChangePageAfterNewResult();
  SearchNewGeneration();
  OverviewAfterNewResult();  // 全景
  RedrawTreemap();
  UpdateTreemapCaption();
  SetHeaderSortArrow(app.folder_list, app.views.rows.sort_column(), app.views.rows.sort_ascending());
}

void ApplyControlStates() {
  const AppState& app = g_app;
  const bool scanning = app.scan.scanning();
  const BOOL scan = app.scan.controls_enabled() && app.files.scan_enabled(scanning) ? TRUE : FALSE;
  EnableWindow(app.drive_combo, scan);
  EnableWindow(app.scan_button, scan);
  EnableWindow(app.open_button, app.files.open_enabled(scanning) ? TRUE : FALSE);
  EnableWindow(app.save_button, app.files.save_enabled(app.views.has_result) ? TRUE : FALSE);
}

void ApplyScanCycle() {
  ApplyControlStates();
  SetWindowTextW(g_app.status_text, g_app.scan.status().c_str());
}

void StartScan() {
  AppState& app = g_app;
  // No scan while a saved scan is being opened: one would replace the other.
  if (!app.files.scan_enabled(app.scan.scanning())) return;
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
  // The result first; its comparison follows from the worker (正在比较… until
  // then), which waits until `posted` is freed at the end of this handler.
  HandOverGeneration(app.views, std::move(posted->result));
  app.opened_path.clear();

  ShowNewResult();
  UpdateSpaceSummary();

  SetProgress(100);
  app.scan.Succeeded(ResultStatusLine(app.views));
  ApplyScanCycle();
}

}  // namespace tw
