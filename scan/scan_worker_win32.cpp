#include "scan/scan_worker_win32.h"

#include <memory>
#include <utility>

#include "model/scan_result.h"
#include "scan/scan_driver.h"
#include "scan/scan_worker.h"
#include "scan/trace.h"

namespace tw {

HWND g_main_window = nullptr;

namespace {

// Posts to the main window only: a null handle would post to this thread's
// own queue, where nobody reads (and nobody frees) the payload.
bool PostToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND window = g_main_window;
  return window != nullptr && PostMessageW(window, message, wparam, lparam) != FALSE;
}

// Posts each payload to the main window. When a post fails (the window is
// gone) the payload is still ours and is freed here rather than leaked.
class PostingSink final : public ScanSink {
 public:
  void Progress(std::int32_t value, std::unique_ptr<std::wstring> text) override {
    // The value is sign-extended into wParam, as the receiver expects.
    const auto wparam = static_cast<WPARAM>(static_cast<INT_PTR>(value));
    if (PostToMainWindow(WM_SCAN_PROGRESS, wparam, reinterpret_cast<LPARAM>(text.get()))) text.release();
  }
  void Done(std::unique_ptr<ScanResult> result) override {
    if (PostToMainWindow(WM_SCAN_DONE, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
  }
  void Failed() override { PostToMainWindow(WM_SCAN_DONE, 1, 0); }
};

}  // namespace

void RunScanThread(std::wstring drive) {
  Trace(L"RunScanThread: start drive=%s", drive.c_str());
  PostingSink sink;
  RunScan([&drive](ProgressCallback progress) { return ScanDriveMft(drive, std::move(progress)); }, sink);
}

}  // namespace tw
