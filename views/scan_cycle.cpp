#include "views/scan_cycle.h"

#include <utility>

#include "texts/texts.h"
#include "views/status_texts.h"

namespace tw {

bool ScanCycle::Press() {
  if (scanning_) return false;
  scanning_ = true;
  showing_result_ = false;
  status_ = text::kStatusScanning;
  return true;
}

void ScanCycle::StartFailed() {
  scanning_ = false;
  showing_result_ = false;
  status_ = text::kStatusScanFailed;
}

void ScanCycle::Failed(ScanError error) {
  scanning_ = false;
  showing_result_ = false;
  status_ = error == ScanError::kNotNtfs ? text::kStatusNotNtfs : text::kStatusScanFailed;
}

void ScanCycle::Opened(std::wstring line) {
  if (scanning_) return;
  showing_result_ = false;  // the opened file's line names no change to follow
  status_ = std::move(line);
}

void ScanCycle::Succeeded(std::wstring summary) {
  scanning_ = false;
  showing_result_ = true;
  status_ = std::move(summary);
}

bool ScanCycle::UpdateSummary(std::wstring summary) {
  if (scanning_ || !showing_result_) return false;
  status_ = std::move(summary);
  return true;
}

}  // namespace tw
