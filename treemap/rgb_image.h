#pragma once
// An 8-bit RGB picture in memory: rows from the top, three bytes a pixel.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/colour.h"

namespace tw {

struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3 bytes, R G B

  // A picture of the given size filled with one colour (a COLORREF value).
  RgbImage(std::int32_t w, std::int32_t h, Colour fill);
  RgbImage() = default;

  std::uint8_t* Row(std::int32_t y) { return pixels.data() + static_cast<std::size_t>(y) * width * 3; }
  const std::uint8_t* Row(std::int32_t y) const {
    return pixels.data() + static_cast<std::size_t>(y) * width * 3;
  }
};

constexpr std::uint8_t RedOf(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

}  // namespace tw
