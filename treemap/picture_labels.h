#pragma once
// The texts of a volume picture: folder names over the cells of folders
// large enough to carry one, and the legend strip of the largest extensions.

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "model/scan_result.h"
#include "treemap/picture_text.h"
#include "treemap/rgb_image.h"

namespace tw {

// Folder and file cells gathered while the picture is painted, labelled
// afterwards: shallower cells first, larger first within a level, each label
// only where it overlaps none drawn before. Files need a larger cell than
// folders. Without a font nothing is gathered.
class PictureLabels {
 public:
  explicit PictureLabels(const PictureFont* font) : font_(font) {}

  // A folder (index into folders) drawn in rect at the given depth.
  void OfferFolder(std::uint32_t folder, const Rect& rect, std::uint32_t depth);
  // A file (index into files) drawn in rect at the given depth.
  void OfferFile(std::uint32_t file, const Rect& rect, std::uint32_t depth);
  // Writes "name  size" (or the name alone, cut to fit) at the top left of
  // each chosen cell: white on the cell darkened behind it.
  void Draw(const ScanResult& result, RgbImage& image);

  // A folder's cell takes a label from kMinWidth wide and two lines high, a
  // file's from kMinFileWidth and kMinFileLines.
  static constexpr std::int32_t kMinWidth = 64;
  static constexpr std::int32_t kMinFileWidth = 120;
  static constexpr std::int32_t kMinFileLines = 3;
  // A name is cut to fit only when this many of its characters stay.
  static constexpr std::size_t kMinKept = 10;
  static constexpr std::size_t kMaxOffered = 8192;
  static constexpr std::size_t kMaxDrawn = 400;

 private:
  struct Candidate {
    std::uint32_t index;  // into folders or files
    bool is_file;
    Rect rect;
    std::uint32_t depth;
  };
  const PictureFont* font_;
  std::vector<Candidate> candidates_;
};

// The legend in strip: a dark band with a swatch, the extension and its
// size for each of the largest extensions (one per palette colour) that
// fits; without a font, the swatches alone as a bar, each as wide as its
// share of the bytes.
void DrawLegend(const ScanResult& result, const PictureFont* font, const Rect& strip, RgbImage& image);

}  // namespace tw
