#include "scan/drive_volume.h"

namespace tw {

// Drive letters do not exist here; sources are opened by path instead.
std::unique_ptr<RawVolume> OpenDriveVolume(const std::wstring& /*drive*/) { return nullptr; }

}  // namespace tw
