#pragma once
// --treemap: the picture of the whole volume as a nested treemap, written
// as a PNG file beside the run's other output.

#include <cstdint>
#include <string>

#include "model/scan_result.h"

namespace tw {

// Draws the picture of `result` and writes it to the PNG file `path`
// (UTF-8). "" when it was written, else the error line for stderr
// ("错误: ..."); a file that was begun but could not be finished is removed.
std::string WriteTreemapPicture(const ScanResult& result, const std::string& path, std::int32_t width,
                                std::int32_t height);

}  // namespace tw
