#include "views/theme.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "views/main_paint.h"
#include "views/result_list.h"

namespace tw {
namespace {

struct TextPair {
  const char* what;
  Colour text;
  Colour background;
};

// The body texts the window paints on its own surfaces.
std::vector<TextPair> BodyTextPairs(const Theme& t) {
  return {
      {"body text on the body", t.text, t.body},
      {"body text on the bands", t.text, t.band},
      {"body text on a field", t.text, t.field},
      {"header text", t.text, t.header},
      {"status and unselected tab text on the band", t.grey_text, t.band},
  };
}

// Texts in a colour of their own: the selection, changes, the button, links.
std::vector<TextPair> ColouredTextPairs(const Theme& t) {
  return {
      {"selected row", t.selected_text, t.selected_row},
      {"growth on the body", t.growth, t.body},
      {"shrinkage on the body", t.shrink, t.body},
      {"button text on the accent", t.button_text, t.accent},
      {"path bar link on the body", t.link, t.body},
  };
}

TEST(Theme, BodyTextKeepsItsContrastInBothSets) {
  for (const Theme* theme : {&kLightTheme, &kDarkTheme}) {
    for (const TextPair& pair : BodyTextPairs(*theme)) {
      EXPECT_GE(ContrastRatio(pair.text, pair.background), 4.5)
          << pair.what << (theme == &kDarkTheme ? " (dark)" : " (light)");
    }
  }
}

TEST(Theme, ColouredTextsReachTheBodyTextContrastInTheDarkSet) {
  for (const TextPair& pair : ColouredTextPairs(kDarkTheme)) {
    EXPECT_GE(ContrastRatio(pair.text, pair.background), 4.5) << pair.what;
  }
  // The light set keeps today's colours: white on the accent blue is 4.50
  // to two places, the shrinkage green 4.33, the link blue 4.5 on white.
  for (const TextPair& pair : ColouredTextPairs(kLightTheme)) {
    EXPECT_GE(ContrastRatio(pair.text, pair.background), 4.3) << pair.what;
  }
}

TEST(Theme, ContrastFollowsTheDefinition) {
  EXPECT_NEAR(ContrastRatio(Rgb(0, 0, 0), Rgb(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(Rgb(255, 255, 255), Rgb(0, 0, 0)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(Rgb(10, 200, 30), Rgb(10, 200, 30)), 1.0, 1e-9);
  // Green weighs most: pure green is far lighter than pure blue.
  EXPECT_GT(RelativeLuminance(Rgb(0, 255, 0)), 9 * RelativeLuminance(Rgb(0, 0, 255)));
  // #767676 on white is the classic 4.54:1 grey; the channel order of a
  // COLORREF is red in the low byte.
  EXPECT_NEAR(ContrastRatio(Rgb(0x76, 0x76, 0x76), Rgb(255, 255, 255)), 4.54, 0.01);
  EXPECT_NEAR(RelativeLuminance(0x0000FF), 0.2126, 1e-4);
}

TEST(Theme, DarkSurfacesAreDarkAndTheLightSetIsTodays) {
  for (const Colour surface : {kDarkTheme.body, kDarkTheme.band, kDarkTheme.header, kDarkTheme.field}) {
    EXPECT_LT(RelativeLuminance(surface), 0.06);
  }
  EXPECT_EQ(kLightTheme.selected_row, 0xD77800u);
  EXPECT_EQ(kLightTheme.folder_glyph, 0x6EC4E4u);
  EXPECT_EQ(kLightTheme.parent_bar, 0xC89660u);
  EXPECT_EQ(kLightTheme.grid_line, 0xE0E0E0u);
  EXPECT_EQ(kLightTheme.triangle, 0x606060u);
}

TEST(Theme, TheSetInUseColoursTheLooks) {
  ASSERT_FALSE(DarkThemeInUse());
  EXPECT_EQ(RowColoursFor(false), (RowColours{kLightTheme.text, kLightTheme.body}));
  EXPECT_EQ(StaticTextLook(StaticText::kStatus), (StaticLook{kLightTheme.grey_text, kLightTheme.band}));
  UseDarkTheme(true);
  EXPECT_EQ(&CurrentTheme(), &kDarkTheme);
  EXPECT_EQ(RowColoursFor(true), (RowColours{kDarkTheme.selected_text, kDarkTheme.selected_row}));
  EXPECT_EQ(StaticTextLook(StaticText::kOther), (StaticLook{kDarkTheme.text, kDarkTheme.body}));
  EXPECT_EQ(ScanButtonLook(true, false).text, kDarkTheme.grey_text);
  EXPECT_EQ(LayoutTabItem(Rect{0, 0, 50, 20}, false, 96).fill, kDarkTheme.band);
  UseDarkTheme(false);
  EXPECT_EQ(&CurrentTheme(), &kLightTheme);
}

TEST(Theme, AppModeValueMissingMeansLight) {
  EXPECT_FALSE(DarkFromAppsUseLightTheme(false, 0));
  EXPECT_FALSE(DarkFromAppsUseLightTheme(true, 1));
  EXPECT_TRUE(DarkFromAppsUseLightTheme(true, 0));
}

}  // namespace
}  // namespace tw
