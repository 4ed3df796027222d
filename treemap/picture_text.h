#pragma once
// Text in volume pictures: a font found on the system that covers Chinese,
// drawn anti-aliased into an RgbImage. Where the build has no font support
// or the system no such font, there is none, and pictures carry no text:
// never a box in place of a character.

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/colour.h"
#include "base/geometry.h"
#include "treemap/rgb_image.h"

namespace tw {

class PictureFont {
 public:
  virtual ~PictureFont() = default;

  // From the top of one line to the top of the next, in pixels.
  virtual std::int32_t LineHeight() const = 0;
  // The advance of one character (a Unicode code point); -1 when the font
  // has no glyph for it.
  virtual std::int32_t Advance(char32_t c) const = 0;
  // Draws the characters from (x, y), y being the top of the line, blending
  // `colour` into the picture by each glyph's coverage; nothing outside clip.
  virtual void Draw(RgbImage& image, const Rect& clip, std::int32_t x, std::int32_t y,
                    std::u32string_view text, Colour colour) const = 0;
};

// A font of about `pixel_height` pixels a line, or null when there is none.
std::unique_ptr<PictureFont> OpenPictureFont(std::int32_t pixel_height);

// The code points of UTF-16 units; an unpaired surrogate becomes U+FFFF,
// which no font draws.
std::u32string CodePoints(std::u16string_view units);

// The text cut to fit max_width with the font: the whole text when it fits,
// else its longest start followed by "…" that fits, else "". "" also when
// the font lacks a glyph for any of its characters (or for the ellipsis
// when one is needed). `width` receives the advance of what is returned.
std::u32string FitText(const PictureFont& font, std::u32string_view text, std::int32_t max_width,
                       std::int32_t& width);

}  // namespace tw
