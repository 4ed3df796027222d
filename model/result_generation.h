#pragma once
// One generation of the scan result: immutable and shared. The window shows
// one generation at a time and replaces it whole (a new scan, and later a
// change after a deletion, make a new one); work off the window's thread
// holds the generation it reads, so it outlives the window's interest in it.

#include <memory>

#include "model/scan_result.h"

namespace tw {

using ResultGeneration = std::shared_ptr<const ScanResult>;

// The generation of a result moved in (or copied, for an lvalue).
inline ResultGeneration MakeGeneration(ScanResult result) {
  return std::make_shared<const ScanResult>(std::move(result));
}

}  // namespace tw
