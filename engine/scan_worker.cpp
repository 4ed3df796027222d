#include "engine/scan_worker.h"

#include <exception>
#include <new>
#include <utility>

#include "base/trace.h"

namespace tw {

ScanError ErrorOfException(std::exception_ptr error) noexcept {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const ScanFailure& failure) {
    return failure.error();
  } catch (const std::bad_alloc&) {
    return ScanError::kOutOfMemory;
  } catch (...) {
  }
  return ScanError::kUnknown;
}

int SystemErrorOfException(std::exception_ptr error) noexcept {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const ScanFailure& failure) {
    return failure.system_error();
  } catch (...) {
  }
  return 0;
}

void RunScan(const ScanFunction& scan, ScanSink& sink) noexcept {
  ScanError error = ScanError::kNone;
  try {
    auto result = std::make_unique<ScanResult>(scan([&sink](const ScanProgress& p) { sink.Progress(p); }));
    sink.Done(std::move(result));
  } catch (...) {
    error = ErrorOfException(std::current_exception());
    Trace(L"RunScanThread: exception: %s", ScanErrorName(error));
  }
  if (error != ScanError::kNone) sink.Failed(error);
}

}  // namespace tw
