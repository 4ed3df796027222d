#pragma once
// The picture of a whole volume: the root's nested treemap (DrawNestedTreemap:
// files coloured by extension with the swatch rule, folders shown only
// through cushion shading) and, where a font is at hand, the names of the
// larger folders and files. A strip at the bottom names the largest
// extensions.

#include <cstdint>
#include <vector>

#include "model/scan_result.h"
#include "treemap/nested_treemap.h"
#include "treemap/picture_text.h"
#include "treemap/rgb_image.h"

namespace tw {

inline constexpr std::int32_t kPictureMinSide = 64;
inline constexpr std::int32_t kPictureMaxSide = 16384;
inline constexpr std::int32_t kPictureDefaultWidth = 1600;
inline constexpr std::int32_t kPictureDefaultHeight = 1000;

// The legend strip: the bottom kLegendHeight rows of a picture at least
// kLegendMinPictureHeight high; smaller pictures have none.
inline constexpr std::int32_t kLegendHeight = 24;
inline constexpr std::int32_t kLegendMinPictureHeight = 128;
std::int32_t LegendStripHeight(std::int32_t picture_height);

struct VolumePictureOptions {
  std::int32_t width = kPictureDefaultWidth;
  std::int32_t height = kPictureDefaultHeight;
  const PictureFont* font = nullptr;  // folder names and legend texts; none without
};

// The picture. Sides outside kPictureMinSide..kPictureMaxSide are the
// caller's to refuse; here they are clamped. Memory beyond the picture
// grows with the cells drawn, not with the files of the volume; a folder
// tree that is not a tree (a loop in a damaged result) ends the drawing
// after as many folders as the result holds.
RgbImage RenderVolumePicture(const ScanResult& result, const VolumePictureOptions& options);

}  // namespace tw
