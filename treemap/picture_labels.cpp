#include "treemap/picture_labels.h"

#include <algorithm>
#include <string>

#include "format/format.h"
#include "texts/texts.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

constexpr Colour kTextColour = 0xFFFFFF;
constexpr Colour kLegendBackground = 0x303030;
constexpr Colour kLegendTextColour = 0xE8E8E8;

std::u32string WideCodePoints(const std::wstring& text) {
  return CodePoints(std::u16string(text.begin(), text.end()));
}

bool Overlaps(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect Clipped(const Rect& r, const Rect& clip) {
  return Rect{std::max(r.left, clip.left), std::max(r.top, clip.top), std::min(r.right, clip.right),
              std::min(r.bottom, clip.bottom)};
}

// Scales every channel in rect by factor_of_256 / 256: darker, the same hue.
void Darken(RgbImage& image, const Rect& rect, unsigned factor_of_256) {
  const Rect r = Clipped(rect, Rect{0, 0, image.width, image.height});
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(r.left) * 3;
    for (std::int32_t n = std::max(r.right - r.left, 0) * 3; n > 0; --n, ++p) {
      *p = static_cast<std::uint8_t>(*p * factor_of_256 / 256);
    }
  }
}

void Fill(RgbImage& image, const Rect& rect, Colour colour) {
  const Rect r = Clipped(rect, Rect{0, 0, image.width, image.height});
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(r.left) * 3;
    for (std::int32_t x = r.left; x < r.right; ++x, p += 3) {
      p[0] = RedOf(colour);
      p[1] = GreenOf(colour);
      p[2] = BlueOf(colour);
    }
  }
}

}  // namespace

void PictureLabels::OfferFolder(std::uint32_t folder, const Rect& rect, std::uint32_t depth) {
  if (font_ == nullptr || candidates_.size() >= kMaxOffered) return;
  if (rect.Width() < kMinWidth || rect.Height() < 2 * font_->LineHeight()) return;
  candidates_.push_back(Candidate{folder, false, rect, depth});
}

void PictureLabels::OfferFile(std::uint32_t file, const Rect& rect, std::uint32_t depth) {
  if (font_ == nullptr || candidates_.size() >= kMaxOffered) return;
  if (rect.Width() < kMinFileWidth || rect.Height() < kMinFileLines * font_->LineHeight()) return;
  candidates_.push_back(Candidate{file, true, rect, depth});
}

void PictureLabels::Draw(const ScanResult& result, RgbImage& image) {
  if (font_ == nullptr) return;
  std::stable_sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
    if (a.depth != b.depth) return a.depth < b.depth;
    return static_cast<std::int64_t>(a.rect.Width()) * a.rect.Height() >
           static_cast<std::int64_t>(b.rect.Width()) * b.rect.Height();
  });
  std::vector<Rect> drawn;
  const std::int32_t line = font_->LineHeight();
  for (const Candidate& c : candidates_) {
    if (drawn.size() >= kMaxDrawn) break;
    if (c.index >= (c.is_file ? result.files.size() : result.folders.size())) continue;
    const std::u32string name =
        CodePoints(c.is_file ? result.Name(result.files[c.index]) : result.Name(result.folders[c.index]));
    const std::int64_t size = c.is_file ? result.files[c.index].size : result.folders[c.index].total_size;
    const std::int32_t x = c.rect.left + 4;
    const std::int32_t y = c.rect.top + 2;
    const std::int32_t room = c.rect.Width() - 8;
    const std::u32string both = name + U"  " + WideCodePoints(FormatSize(static_cast<std::uint64_t>(size)));
    std::int32_t width = 0;
    std::u32string text = FitText(*font_, both, room, width);
    if (text != both) text = FitText(*font_, name, room, width);
    // A name cut to a stub says nothing: keep kMinKept characters at least.
    if (text.empty() || (text.size() < name.size() && text.size() - 1 < kMinKept)) continue;
    const Rect box = Clipped(Rect{x - 3, y - 1, x + width + 3, y + line + 1}, c.rect);
    if (std::any_of(drawn.begin(), drawn.end(), [&box](const Rect& d) { return Overlaps(d, box); })) continue;
    Darken(image, box, 128);
    font_->Draw(image, c.rect, x, y, text, kTextColour);
    drawn.push_back(box);
  }
}

void DrawLegend(const ScanResult& result, const PictureFont* font, const Rect& strip, RgbImage& image) {
  Fill(image, strip, kLegendBackground);
  // The largest extensions, one per palette colour: a later one that shares
  // an earlier one's colour (only by case, or twelve places further) is left out.
  const std::vector<std::uint32_t> positions = ExtensionPalettePositions(result.extensions);
  std::vector<std::size_t> shown;
  double total = 0;
  for (const ExtStat& e : result.extensions) total += static_cast<double>(std::max<std::int64_t>(e.total_size, 0));
  for (std::size_t k = 0; k < result.extensions.size() && k < TreemapPalette.size(); ++k) {
    if (positions[k] == k && result.extensions[k].total_size > 0) shown.push_back(k);
  }

  constexpr std::int32_t kSwatch = 12;
  const std::int32_t swatch_top = strip.top + (strip.Height() - kSwatch) / 2;
  std::int32_t x = strip.left + 8;
  if (font == nullptr) {
    const double room = static_cast<double>(strip.Width() - 16);
    for (const std::size_t k : shown) {
      const double share = total > 0 ? static_cast<double>(result.extensions[k].total_size) / total : 0;
      const std::int32_t w = std::max(3, static_cast<std::int32_t>(share * room + 0.5));
      if (x + w > strip.right - 8) break;
      Fill(image, Rect{x, swatch_top, x + w, swatch_top + kSwatch}, PaletteColour(k));
      x += w;
    }
    return;
  }
  const std::int32_t text_top = strip.top + (strip.Height() - font->LineHeight()) / 2;
  for (const std::size_t k : shown) {
    const ExtStat& e = result.extensions[k];
    const std::wstring label = (e.extension.empty() ? std::wstring(text::kNoExtension) : e.extension) + L" " +
                               FormatSize(static_cast<std::uint64_t>(e.total_size));
    std::int32_t width = 0;
    const std::u32string text = FitText(*font, WideCodePoints(label), kPictureMaxSide, width);
    if (text.empty()) continue;  // a character the font cannot draw
    if (x + kSwatch + 5 + width > strip.right - 8) break;
    Fill(image, Rect{x, swatch_top, x + kSwatch, swatch_top + kSwatch}, PaletteColour(k));
    font->Draw(image, strip, x + kSwatch + 5, text_top, text, kLegendTextColour);
    x += kSwatch + 5 + width + 16;
  }
}

}  // namespace tw
