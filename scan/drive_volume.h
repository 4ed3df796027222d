#pragma once
// The raw volume of a drive letter, for the Windows entry point of a scan.

#include <memory>
#include <string>

#include "scan/raw_volume.h"

namespace tw {

// Opens \\.\X: for the drive letter X (one letter, nothing else). Null when
// the letter is not a single ASCII letter, when the volume cannot be opened
// or is not NTFS, and always on platforms without drive letters.
std::unique_ptr<RawVolume> OpenDriveVolume(const std::wstring& drive);

// True when drive is exactly one ASCII letter.
bool IsDriveLetter(const std::wstring& drive);

}  // namespace tw
