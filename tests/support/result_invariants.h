#pragma once
// The invariants every scan result holds, however damaged the volume it came
// from: every folder hangs in the tree once (parent loops are cut), each
// folder's totals are its direct values plus its children's totals, its folder
// count is its children plus theirs, children point back at their tree parent,
// every file list belongs to a folder of the tree and its files name that
// folder, every largest file names a folder of the tree, and the root's
// totals are the result's root_total_size and file_count. Shared by the
// corruption test and the whole-volume fuzz target (no test framework).

#include <string>

#include "model/scan_result.h"

namespace tw::test {

// Empty when every invariant holds, otherwise the first one broken.
std::string CheckResultInvariants(const ScanResult& result);

}  // namespace tw::test
