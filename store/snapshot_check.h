#pragma once
// What a result read from a file must satisfy before any view may use it:
// the checks that the scan guarantees by construction and a damaged or
// hostile file need not.

#include <string>

#include "model/scan_result.h"

namespace tw {

// Fills the record-number table and checks every number, index, range and
// link: no size or count negative, the root first with the root id, folder ids unique and in range, each
// name inside the arena (one that runs across two of the arena's chunks is
// moved whole to its end), each folder's files and children inside their
// arrays, every file listed under the folder it names, every folder but the
// root a child of its tree parent exactly once, the tree reaching every
// folder from the root, extension and largest-file indices in range.
// Returns "" when all hold, else what is wrong (English, for the error line).
std::string CheckSnapshotResult(ScanResult& result);

}  // namespace tw
