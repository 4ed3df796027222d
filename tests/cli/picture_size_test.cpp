// --treemap-size: the picture's size as the command line takes it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cli/options.h"

namespace tw {
namespace {

TEST(PictureSize, TakesBothSidesWithinTheirRange) {
  std::int32_t w = 0, h = 0;
  std::string error;
  EXPECT_TRUE(ParsePictureSize("64x16384", w, h, error));
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 16384);
  EXPECT_TRUE(ParsePictureSize("800X600", w, h, error));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(error, "");
}

TEST(PictureSize, RefusesWhatIsNotTwoSidesInRange) {
  for (const char* bad : {"", "x", "800", "800x", "x600", "63x600", "800x63", "16385x600", "800x16385", "-800x600",
                          "800x600x2", "8O0x600", "800 x600", "0800000x600", "99999999999x1"}) {
    std::int32_t w = 7, h = 9;
    std::string error;
    EXPECT_FALSE(ParsePictureSize(bad, w, h, error)) << bad;
    EXPECT_EQ(w, 7) << bad;
    EXPECT_NE(error.find("--treemap-size"), std::string::npos) << bad;
    EXPECT_EQ(error.find('\n'), std::string::npos) << bad;
  }
}

TEST(PictureSize, CommandLineKeepsTheDefaultUnlessGiven) {
  ParsedCommandLine parsed = ParseCommandLine({"--treemap", "a.png", "src"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.treemap, "a.png");
  EXPECT_EQ(parsed.options.treemap_width, 1600);
  EXPECT_EQ(parsed.options.treemap_height, 1000);
  parsed = ParseCommandLine({"--treemap-size=320x200", "--treemap=b.png", "src"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.treemap_width, 320);
  EXPECT_EQ(parsed.options.treemap_height, 200);
  EXPECT_NE(ParseCommandLine({"--treemap-size", "320x200", "src"}).error, "");
  EXPECT_NE(ParseCommandLine({"--treemap", "", "src"}).error, "");
  EXPECT_NE(ParseCommandLine({"--compare", "--treemap", "a.png", "old", "new"}).error, "");
}

}  // namespace
}  // namespace tw
