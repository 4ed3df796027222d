#include "scan/scan_progress.h"

namespace tw {

const char* ScanErrorName(ScanError error) {
  switch (error) {
    case ScanError::kNone:
      return "no error";
    case ScanError::kCannotOpen:
      return "cannot open the source";
    case ScanError::kPermissionDenied:
      return "permission denied";
    case ScanError::kEmptySource:
      return "empty source";
    case ScanError::kCannotRead:
      return "cannot read the source";
    case ScanError::kNotNtfs:
      return "not an NTFS volume";
    case ScanError::kNoSuchPartition:
      return "no such NTFS partition";
    case ScanError::kCannotReadMft:
      return "cannot read the MFT";
    case ScanError::kOtherVolume:
      return "not the volume scanned";
    case ScanError::kOutOfMemory:
      return "out of memory";
    case ScanError::kUnknown:
      break;
  }
  return "unknown error";
}

ScanFailure::ScanFailure(ScanError error, int system_error)
    : std::runtime_error(ScanErrorName(error)), error_(error), system_error_(system_error) {}

}  // namespace tw
