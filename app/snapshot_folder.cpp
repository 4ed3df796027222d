#include "snapshot_folder.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "format/utf.h"

namespace tw {

std::string SnapshotFolder() {
  wchar_t* local = nullptr;
  const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &local);
  std::string folder;
  if (SUCCEEDED(found) && local != nullptr && local[0] != L'\0') folder = Utf16ToUtf8(local) + "\\Tarnwick";
  CoTaskMemFree(local);  // also after a failure, which may leave it set
  return folder;
}

}  // namespace tw
