#include "file_thread.h"

#include <exception>
#include <memory>
#include <new>
#include <utility>

#include "base/trace.h"
#include "format/utf.h"
#include "snapshot_folder.h"
#include "views/change_rows.h"  // kGrownFileCount

namespace tw {
namespace {

// Posts the payload; when the window is gone it is freed here.
template <typename Payload>
void Post(HWND window, UINT message, std::unique_ptr<Payload> payload) {
  if (window != nullptr && PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(payload.get())) != FALSE) {
    payload.release();
  }
}

}  // namespace

void RunOpenThread(HWND window, std::wstring path) {
  auto delivery = std::make_unique<OpenDelivery>();
  delivery->path = std::move(path);
  try {
    ScanResult result;
    if (LoadSnapshotFile(Utf16ToUtf8(delivery->path), result, delivery->error)) {
      delivery->result = MakeGeneration(std::move(result));
      // An opened scan is compared with the remembered one of its volume and
      // never remembered itself: it may be another machine's.
      delivery->memory = CompareWithRemembered(SnapshotFolder(), delivery->result, kGrownFileCount);
      if (!delivery->memory.problem.empty()) Trace(L"CompareWithRemembered: %s", delivery->memory.problem.c_str());
    }
  } catch (const std::bad_alloc&) {
    delivery->result.reset();
    delivery->error = SnapshotError{SnapshotProblem::kOutOfMemory, "the saved scan does not fit in memory"};
  } catch (const std::exception& e) {
    delivery->result.reset();
    delivery->error = SnapshotError{SnapshotProblem::kDamaged, e.what()};
  }
  Post(window, WM_OPEN_DONE, std::move(delivery));
}

void RunSaveThread(HWND window, std::wstring path, ResultGeneration result, ExportRequest request) {
  auto delivery = std::make_unique<SaveDelivery>();
  delivery->path = std::move(path);
  try {
    if (!SaveExport(Utf16ToUtf8(delivery->path), *result, request, delivery->error) && delivery->error.empty()) {
      delivery->error = "the file could not be written";
    }
  } catch (const std::exception& e) {
    delivery->error = e.what();
  }
  result.reset();  // the generation goes before the window hears of the end
  Post(window, WM_SAVE_DONE, std::move(delivery));
}

}  // namespace tw
