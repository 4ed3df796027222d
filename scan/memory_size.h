#pragma once
// The physical memory of this machine: the most an MFT image may take. A
// volume that claims a larger MFT is damaged or cannot be scanned here, and
// is refused before anything is allocated for it.

#include <cstdint>

namespace tw {

// Bytes of physical memory; 0 when the system does not tell.
std::int64_t PhysicalMemoryBytes();

}  // namespace tw
