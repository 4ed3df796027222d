#pragma once
// What --compare prints: the folder tree of two scans side by side down to a
// depth, the files that appeared, vanished or changed size, and the change
// per extension; as aligned text, or as one JSON document.

#include <cstdint>
#include <ostream>
#include <string>

#include "model/scan_compare.h"

namespace tw {

// "+1.50 KB", "-300 B", "0 B": a change of bytes with its sign.
std::string SizeChangeText(std::int64_t change);

void WriteCompareReport(const ComparedScans& scans, std::int32_t depth, std::ostream& out);
void WriteCompareJson(const ComparedScans& scans, std::int32_t depth, std::ostream& out);

}  // namespace tw
