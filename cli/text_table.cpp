#include "cli/text_table.h"

#include <algorithm>
#include <cstdint>

#include "format/utf.h"

namespace tw {
namespace {

struct Range {
  char32_t first, last;
};

// East Asian Wide and Fullwidth blocks that occur in file names.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F}, {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and zero-width characters.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
};

template <std::size_t N>
bool InRanges(const Range (&ranges)[N], char32_t c) {
  return std::any_of(std::begin(ranges), std::end(ranges), [c](const Range& r) { return c >= r.first && c <= r.last; });
}

std::size_t CellsOf(char32_t c) {
  if (InRanges(kZero, c)) return 0;
  return InRanges(kWide, c) ? 2 : 1;
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 1;
    char32_t c = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
      length = 4;
      c = lead & 0x07;
    } else if (lead >= 0xE0) {
      length = lead < 0xF0 ? 3 : 1;
      c = lead & 0x0F;
    } else if (lead >= 0xC0) {
      length = 2;
      c = lead & 0x1F;
    } else if (lead >= 0x80) {
      length = 1;  // a stray continuation byte
    }
    bool ok = length > 1 && i + length <= utf8.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (length > 1 && !ok) {
      width += 1;
      i += 1;
      continue;
    }
    width += length == 1 ? 1 : CellsOf(c);
    i += length;
  }
  return width;
}

std::string TerminalText(std::wstring_view utf16) {
  std::wstring safe(utf16);
  for (wchar_t& unit : safe) {
    const std::uint32_t u = static_cast<std::uint32_t>(unit) & 0xFFFF;
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) unit = static_cast<wchar_t>(0xFFFD);
  }
  return Utf16ToUtf8(safe);
}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(aligns_.size());
  rows_.push_back(std::move(cells));
}

std::string TextTable::Render() const {
  std::vector<std::size_t> widths(aligns_.size(), 0);
  for (const auto& row : rows_) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  std::string out;
  for (const auto& row : rows_) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += "  ";
      const std::string padding(widths[c] - DisplayWidth(row[c]), ' ');
      if (aligns_[c] == Align::kRight) {
        line += padding + row[c];
      } else {
        line += row[c];
        if (c + 1 < row.size()) line += padding;
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace tw
