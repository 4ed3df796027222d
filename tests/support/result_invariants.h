#pragma once
// The invariants every scan result holds, however damaged the volume it came
// from: each folder's totals are its direct values plus its children's totals,
// its folder count is its children plus theirs, children point back at their
// tree parent, and the root's total is the result's root_total_size. Shared by
// the corruption test and the whole-volume fuzz target (no test framework).

#include <string>

#include "model/scan_result.h"

namespace tw::test {

// Empty when every invariant holds, otherwise the first one broken.
std::string CheckResultInvariants(const ScanResult& result);

}  // namespace tw::test
