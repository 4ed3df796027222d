#include "scan/scan_worker.h"

#include <exception>
#include <utility>

#include "format/utf.h"
#include "scan/trace.h"

namespace tw {

namespace {

constexpr wchar_t kErrorPrefix[] = L"错误: ";

std::wstring DecodeWhat(const char* what) { return Utf8ToUtf16(what != nullptr ? what : ""); }

}  // namespace

std::wstring ScanErrorLine(const char* what) { return kErrorPrefix + DecodeWhat(what); }

ProgressCallback ForwardProgress(ScanSink& sink) {
  return [&sink](std::int32_t value, const std::wstring& text) {
    sink.Progress(value, std::make_unique<std::wstring>(text));
  };
}

void RunScan(const ScanFunction& scan, ScanSink& sink) noexcept {
  bool failed = false;
  try {
    auto result = std::make_unique<ScanResult>(scan(ForwardProgress(sink)));
    sink.Done(std::move(result));
  } catch (const std::exception& error) {
    failed = true;
    // Building the line can fail for want of memory too; the failure notice
    // must go out regardless, or the main window would wait forever.
    try {
      const std::wstring text = DecodeWhat(error.what());
      Trace(L"RunScanThread: exception: %s", text.c_str());
      sink.Progress(0, std::make_unique<std::wstring>(kErrorPrefix + text));
    } catch (...) {
    }
  } catch (...) {
    failed = true;  // not a standard exception: no text to show
  }
  if (failed) sink.Failed();
}

}  // namespace tw
