#pragma once
// The scan worker's hand-off, free of any window system.
//
// The worker thread runs one scan and passes what it produces to a ScanSink:
// every progress report as numbers, then either the finished result as a heap
// object or, when the scan throws, the reason as a code. Ownership of the
// result passes with the call; a sink that cannot deliver it simply lets it
// go, which frees it. On Windows the sink posts window messages to the main
// window (app/scan_thread.cpp); tests record the calls.

#include <functional>
#include <memory>

#include "model/scan_result.h"
#include "scan/scan_progress.h"

namespace tw {

class ScanSink {
 public:
  virtual ~ScanSink() = default;
  // A progress report. May be called from any thread of the scan, one call at
  // a time.
  virtual void Progress(const ScanProgress& progress) = 0;
  // The scan finished; called once, on the worker thread.
  virtual void Done(std::unique_ptr<ScanResult> result) = 0;
  // The scan failed; called once, on the worker thread.
  virtual void Failed(ScanError error) = 0;
};

// One scan: takes the progress callback to report through, returns the result.
using ScanFunction = std::function<ScanResult(ProgressCallback)>;

// The code of the exception a scan ended in: the engine's own code, out of
// memory for an allocation failure, unknown for anything else.
ScanError ErrorOfException(std::exception_ptr error) noexcept;

// The system's error number a scan's exception carries (a read the system
// refused); 0 for any other exception.
int SystemErrorOfException(std::exception_ptr error) noexcept;

// Runs scan with a callback that forwards to the sink and delivers the
// outcome. Never throws: every failure ends in Failed(), so the receiver
// always learns that the scan has ended.
void RunScan(const ScanFunction& scan, ScanSink& sink) noexcept;

}  // namespace tw
