#include "treemap/rgb_image.h"

namespace tw {

RgbImage::RgbImage(std::int32_t w, std::int32_t h, Colour fill) : width(w), height(h) {
  pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
  for (std::size_t i = 0; i < pixels.size(); i += 3) {
    pixels[i] = RedOf(fill);
    pixels[i + 1] = GreenOf(fill);
    pixels[i + 2] = BlueOf(fill);
  }
}

}  // namespace tw
