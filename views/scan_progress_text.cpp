#include "views/scan_progress_text.h"

#include <algorithm>

#include "texts/texts.h"

namespace tw {

std::int32_t ScanProgressValue(const ScanProgress& progress) {
  switch (progress.stage) {
    case ScanStage::kOpening:
      return 1;
    case ScanStage::kReadingMft:
      return 5;
    case ScanStage::kParseStart:
      return 10;
    case ScanStage::kParsing: {
      if (progress.records_total <= 0) return 88;
      const std::int64_t done = std::max<std::int64_t>(progress.records_done, 0);
      return static_cast<std::int32_t>(std::min<std::int64_t>(done * 78 / progress.records_total + 10, 88));
    }
    case ScanStage::kOverflow:
      return 90;
    case ScanStage::kApply:
      return 91;
    case ScanStage::kTree:
      return 92;
  }
  return 0;
}

std::wstring ScanProgressText(const ScanProgress& progress) {
  switch (progress.stage) {
    case ScanStage::kOpening:
      return text::kProgressOpening;
    case ScanStage::kReadingMft:
      return text::kProgressReadingMft;
    case ScanStage::kParseStart:
      return text::kProgressMftLead + std::to_wstring(progress.mft_bytes >> 20) + text::kProgressMftThreads +
             std::to_wstring(progress.threads) + text::kProgressMftTail;
    case ScanStage::kParsing:
      return text::kProgressSlices + std::to_wstring(std::min(progress.records_total, progress.records_done)) + L" / " +
             std::to_wstring(progress.records_total);
    case ScanStage::kOverflow:
      return text::kProgressOverflow;
    case ScanStage::kApply:
      return text::kProgressApply;
    case ScanStage::kTree:
      return text::kProgressTree;
  }
  return {};
}

std::wstring ScanErrorLine(ScanError error) {
  std::wstring line = text::kErrorPrefix;
  if (error == ScanError::kCannotRead) {
    line += text::kErrorReadBootSector;
  } else if (IsOpenError(error)) {
    line += text::kErrorOpenVolume;
  } else if (error == ScanError::kCannotReadMft) {
    line += text::kErrorReadMft;
  } else if (error == ScanError::kOutOfMemory) {
    line += text::kErrorOutOfMemory;
  } else {
    line += text::kErrorUnknown;
  }
  return line;
}

}  // namespace tw
