#pragma once
// What a scan reports while it runs and why it fails, as numbers and codes.
// The engine holds no text: the window and the command line turn these into
// their own status lines and messages.

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace tw {

// The stages of a scan in the order they report.
enum class ScanStage : std::uint8_t {
  kOpening,     // before the volume is opened
  kReadingMft,  // the volume is open, the MFT is being loaded
  kParseStart,  // the MFT is loaded and the slices are chosen
  kParsing,     // a slice has passed a progress mark
  kOverflow,    // before the overflow-size pass
  kApply,       // before the overflow sizes are applied
  kTree,        // before tree building
};

struct ScanProgress {
  ScanStage stage = ScanStage::kOpening;
  std::int64_t records_done = 0;   // kParsing: records parsed so far, over all slices
  std::int64_t records_total = 0;  // from kParseStart on: records in the MFT
  std::int64_t mft_bytes = 0;      // from kParseStart on: the MFT's length in bytes
  std::int32_t threads = 0;        // from kParseStart on: the hardware thread count as reported
  friend bool operator==(const ScanProgress&, const ScanProgress&) = default;
};

// Progress reports of a scan; may be called from any thread of the scan, one
// call at a time.
using ProgressCallback = std::function<void(const ScanProgress&)>;

// Why a scan failed.
enum class ScanError : std::uint8_t {
  kNone = 0,
  kCannotOpen,        // the source could not be opened
  kPermissionDenied,  // the system refused to open the source for reading
  kEmptySource,       // the source holds no bytes
  kCannotRead,        // the system failed to read the boot sector or the partition table
  kNotNtfs,           // no NTFS volume where one was looked for
  kNoSuchPartition,   // the partition asked for does not exist or is not NTFS
  kCannotReadMft,     // the geometry, record 0 or the MFT's bytes could not be read
  kOtherVolume,       // a volume read again is not the one scanned (another serial number)
  kOutOfMemory,
  kUnknown,  // anything else (an exception that is not the engine's)
};

// The failures that belong to opening a source rather than to reading its MFT.
constexpr bool IsOpenError(ScanError error) {
  return error == ScanError::kCannotOpen || error == ScanError::kPermissionDenied || error == ScanError::kEmptySource ||
         error == ScanError::kCannotRead || error == ScanError::kNotNtfs || error == ScanError::kNoSuchPartition;
}

// The exception a failed scan ends in. what() names the code in English, for
// logs; the texts users see are made from the code, and from the system's
// error number when a read failed for a reason the system gave.
class ScanFailure : public std::runtime_error {
 public:
  explicit ScanFailure(ScanError error, int system_error = 0);
  ScanError error() const { return error_; }
  // errno (GetLastError on Windows) of the read that failed; 0 when none did.
  int system_error() const { return system_error_; }

 private:
  ScanError error_;
  int system_error_;
};

const char* ScanErrorName(ScanError error);

}  // namespace tw
