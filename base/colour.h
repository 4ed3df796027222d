#pragma once
// Colours and the palette shared by the treemap cells and the extension swatches.

#include <array>
#include <cstdint>

namespace tw {

// A colour as a COLORREF value: 0x00BBGGRR.
using Colour = std::uint32_t;

// The twelve treemap colours in the order they are handed out. The extension
// swatches of the file view and the extension list use the same table.
inline constexpr std::array<Colour, 12> TreemapPalette = {
    0xD69C56, 0xB0C94E, 0x7891CE, 0xD68EB4, 0x5AB4DC, 0x78BE8C,
    0x7878DC, 0xDCB478, 0x64A0C8, 0xC8A0A0, 0xA0C864, 0xA08CC8,
};

// Palette entry n mod 12.
constexpr Colour PaletteColour(std::uint64_t n) { return TreemapPalette[n % TreemapPalette.size()]; }

}  // namespace tw
