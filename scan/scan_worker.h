#pragma once
// The scan worker's hand-off, free of any window system.
//
// The worker thread runs one scan and passes what it produces to a ScanSink:
// every progress report as a heap copy of its text, then either the finished
// result as a heap object or, when the scan throws, the error line "错误: "
// plus the exception text followed by the failure notice. Ownership passes
// with each call; a sink that cannot deliver a payload simply lets it go,
// which frees it. On Windows the sink posts window messages to the main
// window (scan_worker_win32.cpp); tests record the calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "model/scan_result.h"
#include "scan/mft_entry.h"

namespace tw {

class ScanSink {
 public:
  virtual ~ScanSink() = default;
  // A progress report; value 0 leaves the progress bar alone. May be called
  // from any thread of the scan, one call at a time.
  virtual void Progress(std::int32_t value, std::unique_ptr<std::wstring> text) = 0;
  // The scan finished; called once, on the worker thread.
  virtual void Done(std::unique_ptr<ScanResult> result) = 0;
  // The scan failed; called once, on the worker thread, after the error line.
  virtual void Failed() = 0;
};

// One scan: takes the progress callback to report through, returns the result.
using ScanFunction = std::function<ScanResult(ProgressCallback)>;

// "错误: " followed by the exception text decoded from UTF-8.
std::wstring ScanErrorLine(const char* what);

// A progress callback that hands a heap copy of each text to the sink.
ProgressCallback ForwardProgress(ScanSink& sink);

// Runs scan with a forwarding callback and delivers the outcome to the sink.
// Never throws: every failure ends in the error line (when it can be built)
// and Failed(), so the receiver always learns that the scan has ended.
void RunScan(const ScanFunction& scan, ScanSink& sink) noexcept;

}  // namespace tw
