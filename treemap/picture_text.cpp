#include "treemap/picture_text.h"

namespace tw {

std::u32string CodePoints(std::u16string_view units) {
  std::u32string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back(0xFFFF);
    } else {
      out.push_back(u);
    }
  }
  return out;
}

std::u32string FitText(const PictureFont& font, std::u32string_view text, std::int32_t max_width,
                       std::int32_t& width) {
  width = 0;
  constexpr char32_t kEllipsis = 0x2026;
  std::int64_t total = 0;
  std::size_t fits = 0;  // characters that fit together with an ellipsis
  const std::int32_t ellipsis = font.Advance(kEllipsis);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::int32_t advance = font.Advance(text[i]);
    if (advance < 0) return {};
    total += advance;
    if (ellipsis >= 0 && total + ellipsis <= max_width) fits = i + 1;
  }
  if (total <= max_width) {
    width = static_cast<std::int32_t>(total);
    return std::u32string(text);
  }
  if (ellipsis < 0 || fits == 0) return {};
  std::u32string cut(text.substr(0, fits));
  std::int64_t cut_width = ellipsis;
  for (char32_t c : cut) cut_width += font.Advance(c);
  cut.push_back(kEllipsis);
  width = static_cast<std::int32_t>(cut_width);
  return cut;
}

}  // namespace tw
