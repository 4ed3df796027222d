// PictureFont through fontconfig and FreeType: the system's sans-serif face
// for Simplified Chinese, taken only when it really covers Chinese (a
// system without CJK fonts would otherwise hand back a Latin face).

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <unordered_map>

#include "treemap/picture_text.h"

namespace tw {
namespace {

// The match must cover these: 文件夹 and 无扩展名 are in every label set.
constexpr char32_t kRequired[] = {0x6587, 0x4EF6, 0x5939, 0x65E0, 0x6269, 0x5C55, 0x540D};

// The file and face index of the best sans-serif face for zh-cn, or "".
std::string FindChineseFace(int& index) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return {};
  std::string file;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=zh-cn"));
  if (pattern != nullptr) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match != nullptr) {
      FcChar8* path = nullptr;
      FcCharSet* charset = nullptr;
      int face_index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
          FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch &&
          FcPatternGetInteger(match, FC_INDEX, 0, &face_index) == FcResultMatch &&
          std::all_of(std::begin(kRequired), std::end(kRequired),
                      [charset](char32_t c) { return FcCharSetHasChar(charset, c) != FcFalse; })) {
        file = reinterpret_cast<const char*>(path);
        index = face_index;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return file;
}

class FreeTypeFont final : public PictureFont {
 public:
  FreeTypeFont(FT_Library library, FT_Face face) : library_(library), face_(face) {
    line_height_ = static_cast<std::int32_t>((face->size->metrics.height + 63) >> 6);
    ascender_ = static_cast<std::int32_t>((face->size->metrics.ascender + 63) >> 6);
  }
  ~FreeTypeFont() override {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  FreeTypeFont(const FreeTypeFont&) = delete;
  FreeTypeFont& operator=(const FreeTypeFont&) = delete;

  std::int32_t LineHeight() const override { return line_height_; }

  std::int32_t Advance(char32_t c) const override {
    if (const auto found = advances_.find(c); found != advances_.end()) return found->second;
    std::int32_t advance = -1;
    // Control characters have no business in a label, whatever the font says.
    const FT_UInt glyph = c < 0x20 || c == 0x7F ? 0 : FT_Get_Char_Index(face_, c);
    if (glyph != 0 && FT_Load_Glyph(face_, glyph, FT_LOAD_DEFAULT) == 0) {
      advance = static_cast<std::int32_t>((face_->glyph->advance.x + 32) >> 6);
    }
    advances_.emplace(c, advance);
    return advance;
  }

  void Draw(RgbImage& image, const Rect& clip, std::int32_t x, std::int32_t y, std::u32string_view text,
            Colour colour) const override {
    const Rect area{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, image.width),
                    std::min(clip.bottom, image.height)};
    const std::uint8_t ink[3] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
    const std::int32_t baseline = y + ascender_;
    for (const char32_t c : text) {
      const FT_UInt glyph = FT_Get_Char_Index(face_, c);
      if (glyph == 0 || FT_Load_Glyph(face_, glyph, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot slot = face_->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        for (unsigned row = 0; row < bitmap.rows; ++row) {
          const std::int32_t py = baseline - slot->bitmap_top + static_cast<std::int32_t>(row);
          if (py < area.top || py >= area.bottom) continue;
          const unsigned char* coverage = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
          for (unsigned col = 0; col < bitmap.width; ++col) {
            const std::int32_t px = x + slot->bitmap_left + static_cast<std::int32_t>(col);
            if (px < area.left || px >= area.right || coverage[col] == 0) continue;
            std::uint8_t* p = image.Row(py) + static_cast<std::size_t>(px) * 3;
            const unsigned a = coverage[col];
            for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>((ink[k] * a + p[k] * (255 - a) + 127) / 255);
          }
        }
      }
      x += static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    }
  }

 private:
  FT_Library library_;
  FT_Face face_;
  std::int32_t line_height_ = 0;
  std::int32_t ascender_ = 0;
  mutable std::unordered_map<char32_t, std::int32_t> advances_;
};

}  // namespace

std::unique_ptr<PictureFont> OpenPictureFont(std::int32_t pixel_height) {
  int index = 0;
  const std::string file = FindChineseFace(index);
  if (file.empty() || pixel_height <= 0) return nullptr;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
    FT_Done_FreeType(library);
    return nullptr;
  }
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_height)) != 0) {
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return nullptr;
  }
  return std::make_unique<FreeTypeFont>(library, face);
}

}  // namespace tw
