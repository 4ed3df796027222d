#pragma once
// The nested cushion treemap of one folder, as the volume picture and the
// 全景 page draw it: the folder's rectangle holds its folders and files,
// each folder's rectangle its own, laid out with SquarifyLayout level by
// level down to cells of one pixel. Files and folders too small for a pixel
// of their own are merged into one grey cell of their folder. Files are
// coloured by extension (ExtensionPalettePositions), folders show only
// through cushion shading.
//
// The drawing can keep what it laid out: every cell with the folder cell it
// lies in, so that a point can be traced down to the item under it without
// laying anything out again, and the merged cells with what they stand for.

#include <cstdint>
#include <vector>

#include "base/cancel.h"
#include "base/colour.h"
#include "base/geometry.h"
#include "model/scan_result.h"
#include "treemap/rgb_image.h"

namespace tw {

class PictureLabels;

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

enum class NestedCellKind : std::uint8_t { kFolder, kFile, kMerged };

inline constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;

// One laid-out cell. A folder's cells follow one another in the list, so a
// folder cell names them as a range.
struct NestedCell {
  Rect rect;
  // Folder: index into folders; file: index into files; merged: index into
  // NestedLayout::merged.
  std::uint32_t index = 0;
  std::uint32_t parent = kNoCell;  // the folder cell it lies in; none for the top
  std::uint32_t first_child = 0;   // folder cells: their own cells
  std::uint32_t child_count = 0;
  std::uint32_t depth = 0;  // the top folder's cell is 0, its items 1
  NestedCellKind kind = NestedCellKind::kFile;
};

// What a grey cell stands for: the items of a folder that were smaller than
// a pixel (weights above 0 only), how many and their bytes.
struct MergedItems {
  std::uint32_t folder = 0;  // index into folders
  std::uint32_t count = 0;
  std::int64_t size = 0;
};

struct NestedLayout {
  // The top folder's cell first; empty when nothing was drawn (a folder
  // without bytes, an empty rectangle).
  std::vector<NestedCell> cells;
  std::vector<MergedItems> merged;
};

struct NestedTreemapOptions {
  NestedLayout* layout = nullptr;      // receives the cells when given
  PictureLabels* labels = nullptr;     // offered the folder and file cells when given
  const CancelFlag* cancel = nullptr;  // asked between folders when given
};

// Draws folder `top` (an index into folders) into `area` of the image (which
// it must lie in); what is not drawn keeps its pixels. Nothing is drawn for a
// folder without bytes. A folder tree that is not a tree (a loop in a damaged
// result) ends the drawing after as many folders as the result holds.
// Returns false when the cancel flag stopped it.
bool DrawNestedTreemap(const ScanResult& result, std::uint32_t top, const Rect& area, RgbImage& image,
                       const NestedTreemapOptions& options);

}  // namespace tw
