#include "scan_thread.h"

#include <chrono>
#include <future>
#include <memory>
#include <utility>

#include "base/trace.h"
#include "engine/scan_driver.h"
#include "engine/scan_worker.h"
#include "model/scan_result.h"
#include "snapshot_folder.h"
#include "views/change_rows.h"  // kGrownFileCount

namespace tw {
namespace {

// Posts each payload to the window. A null handle would post to this
// thread's own queue, where nobody reads (and nobody frees) the payload; when
// a post fails (the window is gone) the payload is still ours and is freed
// here rather than leaked.
class PostingSink final : public ScanSink {
 public:
  explicit PostingSink(HWND window) : window_(window) {}

  void Progress(const ScanProgress& progress) override {
    auto payload = std::make_unique<ScanProgress>(progress);
    if (Post(WM_SCAN_PROGRESS, 0, reinterpret_cast<LPARAM>(payload.get()))) payload.release();
  }
  void Done(std::unique_ptr<ScanResult> result) override {
    const ResultGeneration generation = std::move(result);
    auto delivery = std::make_unique<ScanDelivery>();
    delivery->result = generation;
    std::future<void> shown = delivery->shown.get_future();
    if (!Post(WM_SCAN_DONE, 0, reinterpret_cast<LPARAM>(delivery.get()))) return;  // no window to tell
    delivery.release();
    shown.wait_for(std::chrono::seconds(30));
    // Remembering is this thread's work, never the window's, and comes after
    // the result: reading the previous snapshot, comparing and writing the
    // new one take seconds on a large volume. Its failures only mean no
    // comparison.
    auto compared = std::make_unique<ScanComparison>();
    compared->made_for = generation;
    compared->memory = RememberScan(SnapshotFolder(), generation, kGrownFileCount);
    if (!compared->memory.problem.empty()) {
      Trace(L"RememberScan: %s", compared->memory.problem.c_str());
    }
    if (Post(WM_SCAN_COMPARED, 0, reinterpret_cast<LPARAM>(compared.get()))) compared.release();
  }
  void Failed(ScanError error) override { Post(WM_SCAN_DONE, static_cast<WPARAM>(error), 0); }

 private:
  bool Post(UINT message, WPARAM wparam, LPARAM lparam) const {
    return window_ != nullptr && PostMessageW(window_, message, wparam, lparam) != FALSE;
  }

  HWND window_;
};

}  // namespace

void RunScanThread(HWND window, std::wstring drive) {
  Trace(L"RunScanThread: start drive=%ls", drive.c_str());
  PostingSink sink(window);
  RunScan([&drive](ProgressCallback progress) { return ScanDriveMft(drive, std::move(progress)); }, sink);
}

}  // namespace tw
