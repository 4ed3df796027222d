#pragma once
// The texts of a nested treemap: names over the cells of folders and files
// large enough to carry one, and the legend of the largest extensions. The
// choice of what goes where is the same for the volume picture (FreeType
// into the picture) and the 全景 page (GDI into the window's bitmap); only
// the measuring and the drawing differ.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "model/scan_result.h"
#include "treemap/picture_text.h"
#include "treemap/rgb_image.h"

namespace tw {

// Folder and file cells gathered while the treemap is painted, labelled
// afterwards: shallower cells first, larger first within a level, each label
// only where it overlaps none placed before. Files need a larger cell than
// folders. Without a font (a line height of 0) nothing is gathered.
class PictureLabels {
 public:
  explicit PictureLabels(std::int32_t line_height) : line_height_(line_height) {}

  // A folder (index into folders) drawn in rect at the given depth.
  void OfferFolder(std::uint32_t folder, const Rect& rect, std::uint32_t depth);
  // A file (index into files) drawn in rect at the given depth.
  void OfferFile(std::uint32_t file, const Rect& rect, std::uint32_t depth);

  // One label: "name  size" (or the name alone, cut to fit) written from
  // (x, y), the top of its line, clipped to its cell; the box behind it is
  // darkened first.
  struct Placed {
    Rect box;
    Rect cell;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::u32string text;
  };
  // Fits a text to a width as FitText does: the text, its start with "…",
  // or "" (also when a character cannot be drawn); `width` its advance.
  using Fit = std::function<std::u32string(std::u32string_view text, std::int32_t max_width, std::int32_t& width)>;
  // Chooses the labels of the cells offered (sorting them).
  std::vector<Placed> Place(const ScanResult& result, const Fit& fit);
  // Places the labels with the font and draws them: white on the cell
  // darkened behind each.
  void Draw(const ScanResult& result, const PictureFont& font, RgbImage& image);

  std::size_t offered() const { return candidates_.size(); }

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
  std::int32_t line_height_;
  std::vector<Candidate> candidates_;
};

// Scales every channel in rect (clipped to the image) by factor_of_256 / 256:
// darker, the same hue.
void DarkenRect(RgbImage& image, const Rect& rect, unsigned factor_of_256);

// ---- The legend -------------------------------------------------------------

// The extensions a legend shows: the largest ones with bytes, one per palette
// colour, as positions in the table (so the colour of position k is
// PaletteColour(k)). A later one that shares an earlier one's colour (only
// by case, or twelve places further) is left out.
std::vector<std::size_t> LegendExtensions(const ScanResult& result);

// An entry's text: the extension (or "(无扩展名)") and its size, ".mp4 14.00 MB".
std::wstring LegendText(const ExtStat& extension);

// The spaces of a legend row, in pixels.
struct LegendSpacing {
  std::int32_t margin = 8;      // before the first entry and after the last
  std::int32_t swatch = 12;     // the swatch's side
  std::int32_t swatch_gap = 5;  // between a swatch and its text
  std::int32_t entry_gap = 16;  // between a text and the next swatch
};

// Where each entry's swatch starts when the entries are set in one row from
// left to right: in order, each a swatch, a gap and its text (of the width
// given). An entry whose text cannot be drawn (width below 0) is skipped;
// the first that does not fit ends the row. -1 for every entry left out.
std::vector<std::int32_t> LegendRowPositions(std::span<const std::int32_t> text_widths, std::int32_t left,
                                             std::int32_t right, const LegendSpacing& spacing);

// The legend of the volume picture in strip: a dark band with a swatch, the
// extension and its size for each of LegendExtensions that fits; without a
// font, the swatches alone as a bar, each as wide as its share of the bytes.
void DrawLegend(const ScanResult& result, const PictureFont* font, const Rect& strip, RgbImage& image);

}  // namespace tw
