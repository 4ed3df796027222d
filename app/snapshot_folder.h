#pragma once
// Where the window keeps the last scan of each volume.

#include <string>

namespace tw {

// %LOCALAPPDATA%\Tarnwick as UTF-8; "" when the system does not say where
// that is. The folder itself may not exist yet.
std::string SnapshotFolder();

}  // namespace tw
