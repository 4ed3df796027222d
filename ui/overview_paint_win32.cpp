// The 全景 control's bitmaps: the picture with its labels, and the page.
#include "ui/overview_paint_win32.h"

#include <algorithm>
#include <cstdint>

#include "texts/texts.h"
#include "treemap/picture_labels.h"
#include "views/dpi_scale.h"
#include "views/main_paint.h"

namespace tw {
namespace {

constexpr wchar_t kEllipsis[] = L"\u2026";

std::wstring Utf16Of(std::u32string_view text) {
  std::wstring units;
  units.reserve(text.size());
  for (const char32_t c : text) {
    if (c > 0xFFFF && c <= 0x10FFFF) {
      units.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<wchar_t>(c > 0xFFFF ? 0xFFFD : c));
    }
  }
  return units;
}

std::int32_t TextWidth(HDC dc, std::wstring_view text) {
  SIZE size{};
  if (text.empty() || !GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

// FitText's rule with the DC's font: the whole text, or its longest start
// with "…" that fits, or "".
std::u32string FitWithDc(HDC dc, std::u32string_view text, std::int32_t max_width, std::int32_t& width) {
  width = 0;
  if (text.empty()) return {};
  std::wstring units;
  std::vector<std::size_t> ends;  // after each code point, in units
  for (const char32_t c : text) {
    units += Utf16Of(std::u32string_view(&c, 1));
    ends.push_back(units.size());
  }
  std::vector<INT> extents(units.size());
  SIZE size{};
  if (!GetTextExtentExPointW(dc, units.data(), static_cast<int>(units.size()), 0, nullptr, extents.data(), &size)) {
    return {};
  }
  if (size.cx <= max_width) {
    width = size.cx;
    return std::u32string(text);
  }
  const std::int32_t ellipsis = TextWidth(dc, kEllipsis);
  std::size_t fits = 0;
  while (fits < ends.size() && extents[ends[fits] - 1] + ellipsis <= max_width) ++fits;
  if (fits == 0) return {};
  width = extents[ends[fits - 1] - 1] + ellipsis;
  std::u32string cut(text.substr(0, fits));
  cut.push_back(0x2026);
  return cut;
}

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A frame `thickness` pixels wide inside rect.
void Frame(HDC dc, Rect rect, COLORREF colour, int thickness) {
  const Brush brush = SolidBrush(colour);
  for (int i = 0; i < thickness && rect.Width() > 0 && rect.Height() > 0; ++i) {
    const RECT r = ToRect(rect);
    FrameRect(dc, &r, brush.get());
    rect = Rect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  }
}

void PaintText(HDC dc, std::wstring_view text, const Rect& where, COLORREF colour, UINT align) {
  RECT rect = ToRect(where);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align);
}

std::vector<PathBarPart> DrawPathBar(HDC dc, const OverviewPageInput& in) {
  std::vector<PathBarPart> parts;
  if (in.path == nullptr || in.path->empty() || in.path_font == nullptr) return parts;
  const ScopedSelect font(dc, in.path_font);
  const DpiScale S{in.dpi};
  std::vector<std::int32_t> widths;
  for (const ZoomStep& step : *in.path) widths.push_back(TextWidth(dc, step.name));
  const std::wstring separator = text::kPathBarSeparator;
  const std::int32_t separator_width = TextWidth(dc, separator);
  // The text sits where the other pages' titles do: S(22) high, S(6) above the content.
  Rect bar = in.geometry.path_bar;
  bar.bottom = std::max(bar.top, bar.bottom - S(6));
  parts = LayoutPathBar(widths, separator_width, TextWidth(dc, kEllipsis), bar);
  SetBkMode(dc, TRANSPARENT);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const PathBarPart& part = parts[i];
    const bool last = i + 1 == parts.size();
    const std::wstring text = part.ellipsis ? std::wstring(kEllipsis) : (*in.path)[part.step].name;
    PaintText(dc, text, part.rect, last ? kColourBlack : kColourAccent, DT_LEFT);
    if (!last) {
      PaintText(dc, separator, Rect{part.rect.right, bar.top, part.rect.right + separator_width, bar.bottom},
                kColourGreyText, DT_LEFT);
    }
  }
  return parts;
}

void DrawPicture(HDC dc, const OverviewPageInput& in) {
  const Rect& area = in.geometry.picture;
  if (area.Width() <= 0 || area.Height() <= 0) return;
  if (in.picture == nullptr || !in.picture->bitmap) {
    FillSolid(dc, ToRect(area), kColourBand);
    return;
  }
  const MemoryDc source(CreateCompatibleDC(dc));
  if (source) {
    const ScopedSelect bitmap(source.get(), in.picture->bitmap.get());
    BitBlt(dc, area.left, area.top, std::min(in.picture->width, area.Width()),
           std::min(in.picture->height, area.Height()), source.get(), 0, 0, SRCCOPY);
  }
  const ScopedDcState state(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  const auto shifted = [&area](const Rect& r) {
    return Rect{r.left + area.left, r.top + area.top, r.right + area.left, r.bottom + area.top};
  };
  if (in.hover) Frame(dc, shifted(*in.hover), kColourWhite, 2);
  if (in.selection) {
    const Rect selected = shifted(*in.selection);
    Frame(dc, selected, kColourBlack, 2);
    Frame(dc, Rect{selected.left + 2, selected.top + 2, selected.right - 2, selected.bottom - 2}, kColourWhite, 1);
  }
}

void DrawLegendRow(HDC dc, const OverviewPageInput& in) {
  const Rect& row = in.geometry.legend;
  if (in.result == nullptr || in.legend_font == nullptr || row.Height() <= 0) return;
  const ScopedSelect font(dc, in.legend_font);
  const std::vector<std::size_t> shown = LegendExtensions(*in.result);
  std::vector<std::wstring> texts;
  std::vector<std::int32_t> widths;
  for (const std::size_t k : shown) {
    texts.push_back(LegendText(in.result->extensions[k]));
    widths.push_back(TextWidth(dc, texts.back()));
  }
  const LegendSpacing spacing = OverviewLegendSpacing(in.dpi);
  // The first swatch under the picture's left edge.
  const std::vector<std::int32_t> at = LegendRowPositions(widths, row.left - spacing.margin, row.right, spacing);
  const std::int32_t swatch_top = row.top + (row.Height() - spacing.swatch) / 2;
  SetBkMode(dc, TRANSPARENT);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (at[i] < 0) continue;
    FillSolid(dc, RECT{at[i], swatch_top, at[i] + spacing.swatch, swatch_top + spacing.swatch},
              PaletteColour(shown[i]));
    const std::int32_t x = at[i] + spacing.swatch + spacing.swatch_gap;
    PaintText(dc, texts[i], Rect{x, row.top, x + widths[i] + 1, row.bottom}, kColourGreyText, DT_LEFT);
  }
}

}  // namespace

std::int32_t FontLineHeight(HFONT font) {
  if (font == nullptr) return 0;
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return 0;
  const ScopedSelect selected(dc.get(), font);
  TEXTMETRICW metrics{};
  return GetTextMetricsW(dc.get(), &metrics) ? metrics.tmHeight : 0;
}

SizedBitmap PictureBitmap(OverviewPicture& picture, const ScanResult& result, HFONT font) {
  SizedBitmap out;
  RgbImage& image = picture.image;
  if (image.width <= 0 || image.height <= 0) return out;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // rows from the top, as the picture's
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return out;

  const MemoryDc dc(CreateCompatibleDC(nullptr));
  std::vector<PictureLabels::Placed> labels;
  if (dc && font != nullptr) {
    const ScopedSelect selected(dc.get(), font);
    labels = picture.labels.Place(result, [&dc](std::u32string_view text, std::int32_t max_width, std::int32_t& width) {
      return FitWithDc(dc.get(), text, max_width, width);
    });
    for (const PictureLabels::Placed& label : labels) DarkenRect(image, label.box, 128);
  }
  auto* to = static_cast<std::uint8_t*>(bits);
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* from = image.Row(y);
    for (std::int32_t x = 0; x < image.width; ++x, from += 3, to += 4) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = 0;
    }
  }
  GdiFlush();
  if (dc && !labels.empty()) {
    const ScopedSelect target(dc.get(), bitmap.get());
    const ScopedSelect selected(dc.get(), font);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), kColourWhite);
    for (const PictureLabels::Placed& label : labels) {
      const std::wstring text = Utf16Of(label.text);
      const RECT clip = ToRect(label.cell);
      ExtTextOutW(dc.get(), label.x, label.y, ETO_CLIPPED, &clip, text.data(), static_cast<UINT>(text.size()), nullptr);
    }
  }
  out.width = image.width;
  out.height = image.height;
  out.bitmap = std::move(bitmap);
  picture.image = RgbImage();  // spent: the bitmap holds it now
  return out;
}

std::vector<PathBarPart> ComposeOverviewPage(HWND hwnd, SizedBitmap& page, std::int32_t width, std::int32_t height,
                                             const OverviewPageInput& input) {
  if (width <= 0 || height <= 0) {
    page = SizedBitmap{};
    return {};
  }
  if (!page.bitmap || page.width != width || page.height != height) {
    page = SizedBitmap{};
    HDC screen = GetDC(hwnd);
    page.bitmap = Bitmap(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(hwnd, screen);
    if (!page.bitmap) return {};
    page.width = width;
    page.height = height;
  }
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return {};
  const ScopedSelect target(dc.get(), page.bitmap.get());
  FillSolid(dc.get(), RECT{0, 0, width, height}, kColourWhite);
  std::vector<PathBarPart> parts = DrawPathBar(dc.get(), input);
  DrawPicture(dc.get(), input);
  DrawLegendRow(dc.get(), input);
  return parts;
}

}  // namespace tw
