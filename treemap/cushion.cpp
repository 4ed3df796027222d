#include "treemap/cushion.h"

#include <algorithm>
#include <cmath>

namespace tw {
namespace {

// The light comes from the upper left and mostly from the front: a level
// surface gets most of it, a slope facing up or left more, one facing down
// or right less.
constexpr float kLightLength = 4.2426407f;  // |(-1, -1, 4)|
constexpr float kLightX = -1.0f / kLightLength;
constexpr float kLightY = -1.0f / kLightLength;
constexpr float kLightZ = 4.0f / kLightLength;

void AddAxisRidge(float& c1, float& c2, std::int32_t low, std::int32_t high, float height) {
  if (high <= low) return;
  const float span = static_cast<float>(high - low);
  c1 += 4.0f * height * static_cast<float>(high + low) / span;
  c2 -= 4.0f * height / span;
}

std::uint8_t Scaled(std::uint8_t channel, float light) {
  const float v = static_cast<float>(channel) * light + 0.5f;
  return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

}  // namespace

void AddRidge(CushionSurface& surface, const Rect& rect, float height) {
  AddAxisRidge(surface.x1, surface.x2, rect.left, rect.right, height);
  AddAxisRidge(surface.y1, surface.y2, rect.top, rect.bottom, height);
}

float CushionLight(const CushionSurface& s, float x, float y) {
  const float nx = -(2.0f * s.x2 * (x + 0.5f) + s.x1);
  const float ny = -(2.0f * s.y2 * (y + 0.5f) + s.y1);
  const float cosine = (nx * kLightX + ny * kLightY + kLightZ) / std::sqrt(nx * nx + ny * ny + 1.0f);
  return kCushionAmbient + kCushionDiffuse * std::max(cosine, 0.0f);
}

void PaintCushion(RgbImage& image, const Rect& rect, const CushionSurface& s, Colour colour) {
  const std::int32_t left = std::max(rect.left, 0);
  const std::int32_t right = std::min(rect.right, image.width);
  const std::int32_t top = std::max(rect.top, 0);
  const std::int32_t bottom = std::min(rect.bottom, image.height);
  if (left >= right || top >= bottom) return;
  const std::uint8_t r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
  for (std::int32_t y = top; y < bottom; ++y) {
    // CushionLight, with the row's terms taken out of the loop.
    const float ny = -(2.0f * s.y2 * (static_cast<float>(y) + 0.5f) + s.y1);
    const float row_dot = ny * kLightY + kLightZ;
    const float row_len = ny * ny + 1.0f;
    std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(left) * 3;
    for (std::int32_t x = left; x < right; ++x, p += 3) {
      const float nx = -(2.0f * s.x2 * (static_cast<float>(x) + 0.5f) + s.x1);
      const float cosine = (nx * kLightX + row_dot) / std::sqrt(nx * nx + row_len);
      const float light = kCushionAmbient + kCushionDiffuse * std::max(cosine, 0.0f);
      p[0] = Scaled(r, light);
      p[1] = Scaled(g, light);
      p[2] = Scaled(b, light);
    }
  }
}

}  // namespace tw
