#include "search/case_fold.h"

#include <gtest/gtest.h>

#include <string>

namespace tw {
namespace {

TEST(CaseFold, SimpleUpperCaseBeyondAscii) {
  EXPECT_EQ(SimpleUpperCase(U'a'), U'A');
  EXPECT_EQ(SimpleUpperCase(U'Z'), U'Z');
  EXPECT_EQ(SimpleUpperCase(U'é'), U'É');
  EXPECT_EQ(SimpleUpperCase(U'ÿ'), U'\u0178');    // Ÿ, outside Latin-1
  EXPECT_EQ(SimpleUpperCase(U'ı'), U'I');         // dotless i
  EXPECT_EQ(SimpleUpperCase(U'ſ'), U'S');         // long s
  EXPECT_EQ(SimpleUpperCase(U'ς'), U'Σ');         // final sigma
  EXPECT_EQ(SimpleUpperCase(U'ж'), U'Ж');
  EXPECT_EQ(SimpleUpperCase(U'\u01C5'), U'\u01C4');  // title-case Dž
  EXPECT_EQ(SimpleUpperCase(U'\u1F80'), U'\u1F88');  // the simple mapping where the full one is two letters
  EXPECT_EQ(SimpleUpperCase(U'\u1FB3'), U'\u1FBC');
  EXPECT_EQ(SimpleUpperCase(U'ⓐ'), U'Ⓐ');
  EXPECT_EQ(SimpleUpperCase(U'ａ'), U'Ａ');          // fullwidth
  EXPECT_EQ(SimpleUpperCase(U'\U00010428'), U'\U00010400');  // Deseret
  // No simple mapping: ß (its full one is SS), the ligature ﬀ, upper case
  // letters, the Kelvin sign, Chinese, code points past the table.
  for (const char32_t same : {U'ß', U'ﬀ', U'\u1F88', U'A', U'\u212A', U'塔', U'\U0010FFFF', U'\U000E0061'}) {
    EXPECT_EQ(SimpleUpperCase(same), same) << static_cast<unsigned>(same);
  }
}

TEST(CaseFold, FoldingTwiceChangesNothingAndStaysInItsPlane) {
  // The matcher folds a pattern once and each name once: that only works if
  // a folded text folds to itself. Units stay units: a name keeps its length.
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const char32_t up = SimpleUpperCase(cp);
    ASSERT_EQ(SimpleUpperCase(up), up) << static_cast<unsigned>(cp);
    ASSERT_EQ(cp > 0xFFFF, up > 0xFFFF) << static_cast<unsigned>(cp);
    ASSERT_FALSE(up >= 0xD800 && up <= 0xDFFF) << static_cast<unsigned>(cp);
  }
}

TEST(CaseFold, PairsFoldAsTheirCodePointAndLoneSurrogatesStay) {
  EXPECT_EQ(FoldCase(u"Straße.txt"), u"STRAßE.TXT");
  EXPECT_EQ(FoldCase(u"\xD801\xDC28x"), u"\xD801\xDC00X");  // Deseret 𐐨x
  // A high surrogate with no low after it, a low one alone, a pair the
  // wrong way round: each unit stays, the letters beside them fold.
  EXPECT_EQ(FoldCase(u"a\xD801" u"b"), u"A\xD801" u"B");
  EXPECT_EQ(FoldCase(u"\xDC28" u"a"), u"\xDC28" u"A");
  EXPECT_EQ(FoldCase(u"\xDC28\xD801"), u"\xDC28\xD801");
  EXPECT_EQ(FoldCase(u"z\xD801"), u"Z\xD801");  // a high surrogate last
  EXPECT_EQ(FoldCase(u""), u"");
}

}  // namespace
}  // namespace tw
