#include "treemap/cushion.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(Cushion, ALevelSurfaceGetsMostOfTheLight) {
  const float light = CushionLight(CushionSurface{}, 10, 10);
  EXPECT_GT(light, kCushionAmbient + 0.9f * kCushionDiffuse);
  EXPECT_LT(light, kCushionAmbient + 0.99f * kCushionDiffuse);
  // A slope turned towards the upper left gets more.
  CushionSurface facing;
  facing.x1 = 0.25f;  // rising to the right: facing left
  facing.y1 = 0.25f;
  EXPECT_GT(CushionLight(facing, 10, 10), light);
}

TEST(Cushion, AnEmptySideAddsNoRidgeAlongIt) {
  CushionSurface s;
  AddRidge(s, Rect{10, 0, 10, 50}, 0.5f);  // no width
  EXPECT_EQ(s.x1, 0.0f);
  EXPECT_EQ(s.x2, 0.0f);
  EXPECT_NE(s.y2, 0.0f);
}

TEST(Cushion, ARidgeIsLitFromTheUpperLeft) {
  CushionSurface s;
  AddRidge(s, Rect{0, 0, 100, 100}, 0.5f);
  const float top_left = CushionLight(s, 10, 10);
  const float centre = CushionLight(s, 49.5f, 49.5f);
  const float bottom_right = CushionLight(s, 89, 89);
  EXPECT_GT(top_left, bottom_right);
  EXPECT_GT(centre, top_left);
  // The top edge faces the light as much as the left one.
  EXPECT_NEAR(CushionLight(s, 49.5f, 10), CushionLight(s, 10, 49.5f), 1e-5f);
  // A ridge across a cell placed elsewhere has the same shape.
  CushionSurface moved;
  AddRidge(moved, Rect{300, 200, 400, 300}, 0.5f);
  EXPECT_NEAR(CushionLight(moved, 310, 210), top_left, 1e-4f);
}

TEST(Cushion, NeverDarkerThanTheAmbientLight) {
  CushionSurface s;
  AddRidge(s, Rect{0, 0, 20, 20}, 40.0f);  // a steep ridge turns its far side away from the light
  EXPECT_GE(CushionLight(s, 19, 19), kCushionAmbient);
  EXPECT_LT(CushionLight(s, 19, 19), kCushionAmbient + 0.05f);
}

TEST(Cushion, PaintingKeepsTheHueAndStaysInsideThePicture) {
  RgbImage image(30, 20, 0x000000);
  CushionSurface s;
  const Rect rect{-50, -50, 200, 200};  // far beyond the picture: clipped
  AddRidge(s, rect, 0.5f);
  const Colour colour = 0x7891CE;  // R 0xCE, G 0x91, B 0x78
  PaintCushion(image, rect, s, colour);
  ASSERT_EQ(image.pixels.size(), 30u * 20u * 3u);
  for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
    const double r = image.pixels[i], g = image.pixels[i + 1], b = image.pixels[i + 2];
    ASSERT_GT(r, 0) << i;
    EXPECT_NEAR(g / r, 145.0 / 206.0, 0.02) << i;
    EXPECT_NEAR(b / r, 120.0 / 206.0, 0.02) << i;
  }
}

TEST(Cushion, PaintsOnlyItsRectangle) {
  RgbImage image(10, 10, 0x000000);
  PaintCushion(image, Rect{2, 3, 5, 7}, CushionSurface{}, 0xFFFFFF);
  int painted = 0;
  for (std::int32_t y = 0; y < 10; ++y) {
    for (std::int32_t x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 3 && y < 7;
      const std::uint8_t v = image.Row(y)[x * 3];
      EXPECT_EQ(v != 0, inside) << x << "," << y;
      painted += v != 0;
    }
  }
  EXPECT_EQ(painted, 12);
}

}  // namespace
}  // namespace tw
