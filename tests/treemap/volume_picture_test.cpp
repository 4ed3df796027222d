#include "treemap/volume_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "support/scan_result_builder.h"
#include "treemap/picture_text.h"

namespace tw {
namespace {

// A font whose characters are ASCII letters, digits, blanks, dots and the
// ellipsis, each 6 px wide; it draws every character as a white 5 x 9 block.
class BlockFont final : public PictureFont {
 public:
  std::int32_t LineHeight() const override { return 12; }
  std::int32_t Advance(char32_t c) const override {
    const bool known = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') ||
                       c == U' ' || c == U'.' || c == U'[' || c == U']' || c == U':' || c == 0x2026;
    return known ? 6 : -1;
  }
  void Draw(RgbImage& image, const Rect& clip, std::int32_t x, std::int32_t y, std::u32string_view text,
            Colour) const override {
    ++draws;
    for (std::size_t i = 0; i < text.size(); ++i) {
      for (std::int32_t py = y + 2; py < y + 11; ++py) {
        for (std::int32_t px = x + static_cast<std::int32_t>(i) * 6; px < x + static_cast<std::int32_t>(i) * 6 + 5; ++px) {
          if (!clip.Contains(px, py) || px >= image.width || py >= image.height) continue;
          std::uint8_t* p = image.Row(py) + px * 3;
          p[0] = p[1] = p[2] = 255;
        }
      }
    }
  }
  mutable int draws = 0;
};

struct Rgb {
  int r, g, b;
};
Rgb At(const RgbImage& image, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = image.Row(y) + x * 3;
  return Rgb{p[0], p[1], p[2]};
}
bool IsGrey(const Rgb& c) { return c.r == c.g && c.g == c.b; }
// The palette entry the pixel shows at some brightness: the nearest by the
// channels' ratios to the brightest one.
std::size_t PaletteEntryOf(const Rgb& c) {
  const double m = std::max({c.r, c.g, c.b, 1});
  std::size_t best = 0;
  double best_distance = 1e9;
  for (std::size_t k = 0; k < TreemapPalette.size(); ++k) {
    const Colour p = TreemapPalette[k];
    const double pm = std::max({RedOf(p), GreenOf(p), BlueOf(p)});
    const double dr = c.r / m - RedOf(p) / pm, dg = c.g / m - GreenOf(p) / pm, db = c.b / m - BlueOf(p) / pm;
    if (dr * dr + dg * dg + db * db < best_distance) {
      best_distance = dr * dr + dg * dg + db * db;
      best = k;
    }
  }
  return best;
}
bool Shows(const Rgb& c, Colour colour) { return !IsGrey(c) && TreemapPalette[PaletteEntryOf(c)] == colour; }

TEST(ExtensionPalettePositions, TheFirstEqualExtensionGivesTheColour) {
  std::vector<ExtStat> table;
  for (const wchar_t* e : {L".JPG", L".txt", L".jpg", L".TXT", L".\u00C4", L".\u00E4", L"", L".Jpg"}) {
    table.push_back(ExtStat{e, 1, 1});
  }
  // Only ASCII letters fold: Ä and ä stay apart.
  EXPECT_EQ(ExtensionPalettePositions(table), (std::vector<std::uint32_t>{0, 1, 0, 1, 4, 5, 6, 0}));
  EXPECT_TRUE(ExtensionPalettePositions({}).empty());
}

TEST(VolumePicture, LegendStripOnlyOnPicturesTallEnough) {
  EXPECT_EQ(LegendStripHeight(kLegendMinPictureHeight - 1), 0);
  EXPECT_EQ(LegendStripHeight(kLegendMinPictureHeight), kLegendHeight);
}

TEST(VolumePicture, AnEmptyVolumeIsBackgroundAboveItsLegend) {
  test::ScanResultBuilder builder(L"X");
  const ScanResult& result = builder.Finish();
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{100, 200, nullptr});
  ASSERT_EQ(image.width, 100);
  ASSERT_EQ(image.height, 200);
  for (std::int32_t y = 0; y < 200 - kLegendHeight; ++y) {
    for (std::int32_t x = 0; x < 100; ++x) {
      const Rgb c = At(image, x, y);
      ASSERT_TRUE(c.r == RedOf(kPictureBackground) && IsGrey(c)) << x << "," << y;
    }
  }
  EXPECT_NE(At(image, 50, 200 - kLegendHeight / 2).r, RedOf(kPictureBackground));
}

TEST(VolumePicture, SidesOutsideTheRangeAreClamped) {
  test::ScanResultBuilder builder(L"X");
  const RgbImage image = RenderVolumePicture(builder.Finish(), VolumePictureOptions{1, -5, nullptr});
  EXPECT_EQ(image.width, kPictureMinSide);
  EXPECT_EQ(image.height, kPictureMinSide);
}

TEST(VolumePicture, FilesShowTheirExtensionsColours) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFolder(40, kRootId, L"a");
  builder.AddFile(40, 100, L"big.mp4", 3000);
  builder.AddFile(kRootId, 101, L"small.txt", 1000);
  const ScanResult& result = builder.Finish();
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{200, 100, nullptr});
  int mp4 = 0, txt = 0;
  for (std::int32_t y = 0; y < 100; ++y) {
    for (std::int32_t x = 0; x < 200; ++x) {
      const Rgb c = At(image, x, y);
      if (Shows(c, PaletteColour(0))) ++mp4;
      if (Shows(c, PaletteColour(1))) ++txt;
    }
  }
  EXPECT_NEAR(mp4, 15000, 200);  // three quarters of the area, and the first extension
  EXPECT_NEAR(txt, 5000, 200);
}

// Files too small for a pixel of their own are painted as their folder's
// grey, in the share of the area their bytes take.
TEST(VolumePicture, SubPixelFilesMergeIntoGrey) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFile(kRootId, 100, L"big.bin", 950000);
  for (int i = 0; i < 50000; ++i) builder.AddFile(kRootId, 200 + i, L"t" + std::to_wstring(i) + L".txt", 1);
  const RgbImage image = RenderVolumePicture(builder.Finish(), VolumePictureOptions{100, 100, nullptr});
  int grey = 0;
  for (std::int32_t y = 0; y < 100; ++y) {
    for (std::int32_t x = 0; x < 100; ++x) grey += IsGrey(At(image, x, y));
  }
  EXPECT_NEAR(grey, 500, 60);  // 5% of the bytes
}

TEST(VolumePicture, ADeepChainOfFoldersEndsInItsFile) {
  test::ScanResultBuilder builder(L"X");
  std::int64_t parent = kRootId;
  for (int i = 0; i < 3000; ++i) {
    builder.AddFolder(1000 + i, parent, L"d");
    parent = 1000 + i;
  }
  builder.AddFile(parent, 99, L"deep.mp4", 1 << 20);
  const RgbImage image = RenderVolumePicture(builder.Finish(), VolumePictureOptions{80, 80, nullptr});
  EXPECT_TRUE(Shows(At(image, 40, 40), PaletteColour(0)));
  EXPECT_TRUE(Shows(At(image, 0, 0), PaletteColour(0)));
}

// Corrupt child lists that lead back up the tree must not draw for ever.
TEST(VolumePicture, ALoopInTheTreeEnds) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFolder(40, kRootId, L"a");
  builder.AddFolder(41, 40, L"b");
  builder.AddFile(41, 100, L"f.txt", 500);
  ScanResult& result = builder.Finish();
  DirNode& root = result.folders[0];
  DirNode& b = result.folders[result.folder_index[41]];
  b.first_child = root.first_child;  // b's child is a again
  b.child_count = 1;
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{100, 100, nullptr});
  EXPECT_EQ(image.pixels.size(), 100u * 100u * 3u);
}

TEST(VolumePicture, HostileSizesDrawWithoutOverflow) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFile(kRootId, 100, L"huge.bin", std::numeric_limits<std::int64_t>::max());
  builder.AddFile(kRootId, 101, L"also.bin", std::numeric_limits<std::int64_t>::max() - 5);
  builder.AddFile(kRootId, 102, L"negative.bin", -40);
  ScanResult& result = builder.Finish();
  result.folders[0].total_size = std::numeric_limits<std::int64_t>::max();
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{100, 100, nullptr});
  int coloured = 0;
  for (std::int32_t y = 0; y < 100; ++y) {
    for (std::int32_t x = 0; x < 100; ++x) coloured += Shows(At(image, x, y), PaletteColour(0));
  }
  EXPECT_GT(coloured, 9900);
}

TEST(VolumePicture, FoldersAreNamedOnlyWhereEveryCharacterCanBeDrawn) {
  test::ScanResultBuilder builder(L"X");
  builder.AddFolder(40, kRootId, L"Users");
  builder.AddFile(40, 100, L"a.bin", 5000);
  builder.AddFolder(41, kRootId, L"\u6587\u4EF6");  // no glyphs in the block font
  builder.AddFile(41, 101, L"\u6587.bin", 5000);
  const ScanResult& result = builder.Finish();
  BlockFont font;
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{400, 300, &font});
  const RgbImage plain = RenderVolumePicture(result, VolumePictureOptions{400, 300, nullptr});
  // Two folder cells side by side: text only over the left one.
  int white_left = 0, white_right = 0;
  for (std::int32_t y = 0; y < 300 - kLegendHeight; ++y) {
    for (std::int32_t x = 0; x < 400; ++x) {
      const Rgb c = At(image, x, y);
      if (c.r == 255 && IsGrey(c)) (x < 200 ? white_left : white_right)++;
    }
  }
  EXPECT_GT(white_left, 100);
  EXPECT_EQ(white_right, 0);
  // The legend names the extension and its size; without a font it has no text.
  int legend_white = 0, plain_white = 0;
  for (std::int32_t y = 300 - kLegendHeight; y < 300; ++y) {
    for (std::int32_t x = 0; x < 400; ++x) {
      legend_white += At(image, x, y).r == 255;
      plain_white += At(plain, x, y).r == 255;
    }
  }
  EXPECT_GT(legend_white, 100);
  EXPECT_EQ(plain_white, 0);
}

TEST(FitText, CutsWithAnEllipsisOrGivesNothing) {
  BlockFont font;
  std::int32_t width = -1;
  EXPECT_EQ(FitText(font, U"abcdef", 36, width), U"abcdef");
  EXPECT_EQ(width, 36);
  EXPECT_EQ(FitText(font, U"abcdef", 35, width), U"abcd\u2026");
  EXPECT_EQ(width, 30);
  EXPECT_EQ(FitText(font, U"abcdef", 11, width), U"");
  EXPECT_EQ(FitText(font, U"abcdef", 12, width), U"a\u2026");
  EXPECT_EQ(FitText(font, U"ab\u6587", 1000, width), U"");  // a character without a glyph
  EXPECT_EQ(width, 0);
  EXPECT_EQ(FitText(font, U"", 10, width), U"");
}

TEST(CodePoints, PairsSurrogatesAndMarksUnpairedOnes) {
  EXPECT_EQ(CodePoints(u"a\U0001F600b"), U"a\U0001F600b");
  EXPECT_EQ(CodePoints(std::u16string{u'a', char16_t(0xD83D)}), (std::u32string{U'a', 0xFFFF}));
  EXPECT_EQ(CodePoints(std::u16string{char16_t(0xDE00), u'b'}), (std::u32string{0xFFFF, U'b'}));
}

}  // namespace
}  // namespace tw
