#include "scan/drive_volume.h"

#include "format/utf.h"

namespace tw {

std::unique_ptr<RawVolume> OpenDriveVolume(const std::wstring& drive) {
  if (!IsDriveLetter(drive)) return nullptr;
  return OpenSourceVolume(Utf16ToUtf8(L"\\\\.\\" + drive + L":"), 0);
}

}  // namespace tw
