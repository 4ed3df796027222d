#include "treemap/picture_labels.h"

#include <algorithm>
#include <string>

#include "format/format.h"
#include "texts/texts.h"
#include "treemap/nested_treemap.h"
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

void DarkenRect(RgbImage& image, const Rect& rect, unsigned factor_of_256) {
  const Rect r = Clipped(rect, Rect{0, 0, image.width, image.height});
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(r.left) * 3;
    for (std::int32_t n = std::max(r.right - r.left, 0) * 3; n > 0; --n, ++p) {
      *p = static_cast<std::uint8_t>(*p * factor_of_256 / 256);
    }
  }
}

void PictureLabels::OfferFolder(std::uint32_t folder, const Rect& rect, std::uint32_t depth) {
  if (line_height_ <= 0 || candidates_.size() >= kMaxOffered) return;
  if (rect.Width() < kMinWidth || rect.Height() < 2 * line_height_) return;
  candidates_.push_back(Candidate{folder, false, rect, depth});
}

void PictureLabels::OfferFile(std::uint32_t file, const Rect& rect, std::uint32_t depth) {
  if (line_height_ <= 0 || candidates_.size() >= kMaxOffered) return;
  if (rect.Width() < kMinFileWidth || rect.Height() < kMinFileLines * line_height_) return;
  candidates_.push_back(Candidate{file, true, rect, depth});
}

std::vector<PictureLabels::Placed> PictureLabels::Place(const ScanResult& result, const Fit& fit) {
  std::vector<Placed> placed;
  if (line_height_ <= 0) return placed;
  std::stable_sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
    if (a.depth != b.depth) return a.depth < b.depth;
    return static_cast<std::int64_t>(a.rect.Width()) * a.rect.Height() >
           static_cast<std::int64_t>(b.rect.Width()) * b.rect.Height();
  });
  for (const Candidate& c : candidates_) {
    if (placed.size() >= kMaxDrawn) break;
    if (c.index >= (c.is_file ? result.files.size() : result.folders.size())) continue;
    const std::u32string name =
        CodePoints(c.is_file ? result.Name(result.files[c.index]) : result.Name(result.folders[c.index]));
    const std::int64_t size = c.is_file ? result.files[c.index].size : result.folders[c.index].total_size;
    const std::int32_t x = c.rect.left + 4;
    const std::int32_t y = c.rect.top + 2;
    const std::int32_t room = c.rect.Width() - 8;
    const std::u32string both = name + U"  " + WideCodePoints(FormatSize(static_cast<std::uint64_t>(size)));
    std::int32_t width = 0;
    std::u32string text = fit(both, room, width);
    if (text != both) text = fit(name, room, width);
    // A name cut to a stub says nothing: keep kMinKept characters at least.
    if (text.empty() || (text.size() < name.size() && text.size() - 1 < kMinKept)) continue;
    const Rect box = Clipped(Rect{x - 3, y - 1, x + width + 3, y + line_height_ + 1}, c.rect);
    if (std::any_of(placed.begin(), placed.end(), [&box](const Placed& d) { return Overlaps(d.box, box); })) continue;
    placed.push_back(Placed{box, c.rect, x, y, std::move(text)});
  }
  return placed;
}

void PictureLabels::Draw(const ScanResult& result, const PictureFont& font, RgbImage& image) {
  const auto fit = [&font](std::u32string_view text, std::int32_t max_width, std::int32_t& width) {
    return FitText(font, text, max_width, width);
  };
  for (const Placed& label : Place(result, fit)) {
    DarkenRect(image, label.box, 128);
    font.Draw(image, label.cell, label.x, label.y, label.text, kTextColour);
  }
}

std::vector<std::size_t> LegendExtensions(const ScanResult& result) {
  const std::vector<std::uint32_t> positions = ExtensionPalettePositions(result.extensions);
  std::vector<std::size_t> shown;
  for (std::size_t k = 0; k < result.extensions.size() && k < TreemapPalette.size(); ++k) {
    if (positions[k] == k && result.extensions[k].total_size > 0) shown.push_back(k);
  }
  return shown;
}

std::wstring LegendText(const ExtStat& e) {
  return (e.extension.empty() ? std::wstring(text::kNoExtension) : e.extension) + L" " +
         FormatSize(static_cast<std::uint64_t>(e.total_size));
}

std::vector<std::int32_t> LegendRowPositions(std::span<const std::int32_t> text_widths, std::int32_t left,
                                             std::int32_t right, const LegendSpacing& spacing) {
  std::vector<std::int32_t> positions(text_widths.size(), -1);
  std::int32_t x = left + spacing.margin;
  for (std::size_t i = 0; i < text_widths.size(); ++i) {
    const std::int32_t width = text_widths[i];
    if (width < 0) continue;
    if (x + spacing.swatch + spacing.swatch_gap + width > right - spacing.margin) break;
    positions[i] = x;
    x += spacing.swatch + spacing.swatch_gap + width + spacing.entry_gap;
  }
  return positions;
}

void DrawLegend(const ScanResult& result, const PictureFont* font, const Rect& strip, RgbImage& image) {
  Fill(image, strip, kLegendBackground);
  const std::vector<std::size_t> shown = LegendExtensions(result);
  const LegendSpacing spacing;
  const std::int32_t swatch_top = strip.top + (strip.Height() - spacing.swatch) / 2;
  if (font == nullptr) {
    double total = 0;
    for (const ExtStat& e : result.extensions) total += static_cast<double>(std::max<std::int64_t>(e.total_size, 0));
    std::int32_t x = strip.left + spacing.margin;
    const double room = static_cast<double>(strip.Width() - 2 * spacing.margin);
    for (const std::size_t k : shown) {
      const double share = total > 0 ? static_cast<double>(result.extensions[k].total_size) / total : 0;
      const std::int32_t w = std::max(3, static_cast<std::int32_t>(share * room + 0.5));
      if (x + w > strip.right - spacing.margin) break;
      Fill(image, Rect{x, swatch_top, x + w, swatch_top + spacing.swatch}, PaletteColour(k));
      x += w;
    }
    return;
  }
  std::vector<std::u32string> texts;
  std::vector<std::int32_t> widths;
  for (const std::size_t k : shown) {
    std::int32_t width = 0;
    texts.push_back(FitText(*font, WideCodePoints(LegendText(result.extensions[k])), kPictureMaxSide, width));
    widths.push_back(texts.back().empty() ? -1 : width);  // empty: a character the font cannot draw
  }
  const std::vector<std::int32_t> at = LegendRowPositions(widths, strip.left, strip.right, spacing);
  const std::int32_t text_top = strip.top + (strip.Height() - font->LineHeight()) / 2;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (at[i] < 0) continue;
    Fill(image, Rect{at[i], swatch_top, at[i] + spacing.swatch, swatch_top + spacing.swatch}, PaletteColour(shown[i]));
    font->Draw(image, strip, at[i] + spacing.swatch + spacing.swatch_gap, text_top, texts[i], kLegendTextColour);
  }
}

}  // namespace tw
