#pragma once
// Cushion shading of treemap cells: every level of nesting adds a parabolic
// ridge across its cell in x and in y to one height field, and each pixel is
// lit by the field's normal, from the upper left, with an ambient and a
// diffuse term. Nested cells then read as bumps on bumps, without borders.

#include <cstdint>

#include "base/colour.h"
#include "base/geometry.h"
#include "treemap/rgb_image.h"

namespace tw {

// The height field z(x, y) = x2 x^2 + x1 x + y2 y^2 + y1 y in pixel
// coordinates; only its slopes matter for the light.
struct CushionSurface {
  float x1 = 0;
  float x2 = 0;
  float y1 = 0;
  float y2 = 0;
};

// Adds a ridge of the given height across rect: a parabola in x that is 0 at
// the left and right edges and `height` in the middle, and one in y alike.
// An empty side adds nothing along that axis.
void AddRidge(CushionSurface& surface, const Rect& rect, float height);

// The light falling on the surface at pixel centre (x + 0.5, y + 0.5):
// kCushionAmbient plus kCushionDiffuse times the cosine between the normal
// and the light, never below the ambient. At most 1.15, so a palette colour
// (no channel above 220) is never clipped and keeps its hue.
inline constexpr float kCushionAmbient = 0.35f;
inline constexpr float kCushionDiffuse = 0.80f;
float CushionLight(const CushionSurface& surface, float x, float y);

// Paints rect (clipped to the image) in `colour` scaled by the light of each
// pixel. Every channel is scaled by the same factor, so a pixel keeps its
// colour's hue and saturation; only its brightness changes.
void PaintCushion(RgbImage& image, const Rect& rect, const CushionSurface& surface, Colour colour);

}  // namespace tw
