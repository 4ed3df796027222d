#pragma once
// The picture of a whole volume as a nested treemap: the root's rectangle
// holds its folders and files, each folder's rectangle its own, laid out
// with SquarifyLayout level by level down to cells of one pixel. Files are
// coloured by extension with the swatch rule, folders show only through
// cushion shading and, where a font is at hand, their names. A strip at the
// bottom names the largest extensions.

#include <cstdint>
#include <vector>

#include "model/scan_result.h"
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

// Items merged into their folder because they would be smaller than a pixel
// are painted in this grey, cushioned like a file.
inline constexpr Colour kMergedColour = 0xA0A0A0;
// Where nothing is drawn: the whole treemap of an empty volume.
inline constexpr Colour kPictureBackground = 0x505050;

// The palette position of every extension of the table (largest first): the
// position of the first extension equal to it with the ASCII letters folded,
// as ExtensionSwatchColour finds it. A file's colour is
// PaletteColour(positions[file.extension]).
std::vector<std::uint32_t> ExtensionPalettePositions(const std::vector<ExtStat>& extensions);

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
