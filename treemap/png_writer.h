#pragma once
// PNG files of RgbImage pictures: 8-bit RGB, not interlaced, each row with
// the filter that suits it best, compressed through zlib.

#include <ostream>
#include <string>

#include "treemap/rgb_image.h"

namespace tw {

// Writes the picture as a PNG stream to `out`. False with the reason in
// `error` when the picture is empty or larger than a PNG can say, or zlib
// fails; a failing stream is the caller's to notice (its state is set).
bool WritePng(const RgbImage& image, std::ostream& out, std::string& error);

}  // namespace tw
