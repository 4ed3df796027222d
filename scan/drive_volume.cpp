#include "scan/drive_volume.h"

namespace tw {

bool IsDriveLetter(const std::wstring& drive) {
  if (drive.size() != 1) return false;
  const wchar_t c = drive[0];
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace tw
