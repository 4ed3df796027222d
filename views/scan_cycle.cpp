#include "views/scan_cycle.h"

#include <utility>

#include "texts/texts.h"
#include "views/status_texts.h"

namespace tw {

bool ScanCycle::Press() {
  if (scanning_) return false;
  scanning_ = true;
  status_ = text::kStatusScanning;
  return true;
}

void ScanCycle::StartFailed() {
  scanning_ = false;
  status_ = text::kStatusScanFailed;
}

void ScanCycle::Failed(ScanError error) {
  scanning_ = false;
  status_ = error == ScanError::kNotNtfs ? text::kStatusNotNtfs : text::kStatusScanFailed;
}

void ScanCycle::Opened(std::wstring line) {
  if (!scanning_) status_ = std::move(line);
}

void ScanCycle::Succeeded(std::wstring summary) {
  scanning_ = false;
  status_ = std::move(summary);
}

}  // namespace tw
