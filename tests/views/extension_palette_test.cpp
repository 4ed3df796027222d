// The treemap picture colours files through ExtensionPalettePositions; the
// lists draw swatches through ExtensionSwatchColour. Both must agree.
#include <gtest/gtest.h>

#include "treemap/volume_picture.h"
#include "views/file_view.h"

namespace tw {
namespace {

TEST(ExtensionPalette, AgreesWithTheSwatchOfTheExtensionList) {
  std::vector<ExtStat> table;
  for (const wchar_t* e : {L".mp4", L".JPG", L".sys", L".jpg", L"", L".Mp4", L".\u00C9", L".\u00E9", L".dll",
                           L".a", L".b", L".c", L".d", L".e", L".f", L".g", L".A"}) {
    table.push_back(ExtStat{e, 10, 1});
  }
  std::vector<std::size_t> order(table.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const std::vector<std::uint32_t> positions = ExtensionPalettePositions(table);
  ASSERT_EQ(positions.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(PaletteColour(positions[i]), ExtensionSwatchColour(table, order, table[i].extension)) << i;
  }
}

}  // namespace
}  // namespace tw
