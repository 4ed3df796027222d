#include "search/name_match.h"

#include <gtest/gtest.h>

#include "search/case_fold.h"

namespace tw {
namespace {

// Both sides folded, as the matcher has them.
bool Contains(std::u16string_view name, std::u16string_view pattern) {
  return ContainsText(FoldCase(name), FoldCase(pattern));
}
bool Wild(std::u16string_view name, std::u16string_view pattern) {
  return MatchesWildcard(FoldCase(name), FoldCase(pattern));
}

TEST(NameMatch, APlainPatternOccursAnywhereInAnyCase) {
  EXPECT_TRUE(Contains(u"Annual REPORT 2024.docx", u"report"));
  EXPECT_TRUE(Contains(u"report", u"REPORT"));
  EXPECT_TRUE(Contains(u"été.txt", u"ÉTÉ"));
  EXPECT_TRUE(Contains(u"ДОКУМЕНТ", u"докум"));
  EXPECT_TRUE(Contains(u"ſtraſſe", u"STRASSE"));  // long s folds to S
  EXPECT_TRUE(Contains(u"x", u""));
  EXPECT_FALSE(Contains(u"rep", u"report"));
  EXPECT_FALSE(Contains(u"straße", u"strasse"));  // no full mappings
  EXPECT_FALSE(Contains(u"a*b", u"ab"));
  EXPECT_TRUE(Contains(u"xxa", u"xa"));  // a first unit met twice
}

TEST(NameMatch, APlainPatternNeverMeetsHalfAPair) {
  const std::u16string smile = u"\xD83D\xDE00";  // one character, two units
  EXPECT_TRUE(Contains(u"a" + smile + u"b", smile));
  EXPECT_FALSE(Contains(smile, u"\xDE00"));
  EXPECT_FALSE(Contains(smile, u"\xD83D"));
  // Lone surrogates in a name are matched as they are.
  EXPECT_TRUE(Contains(u"x\xDE00y", u"\xDE00"));
  EXPECT_TRUE(Contains(u"x\xD83Dy", u"\xD83D" u"y"));
}

TEST(NameMatch, WildcardsMatchTheWholeName) {
  EXPECT_TRUE(Wild(u"Holiday.ISO", u"*.iso"));
  EXPECT_FALSE(Wild(u"Holiday.ISO.part", u"*.iso"));
  EXPECT_TRUE(Wild(u"abc", u"a?c"));
  EXPECT_FALSE(Wild(u"abbc", u"a?c"));
  EXPECT_FALSE(Wild(u"ac", u"a?c"));
  EXPECT_TRUE(Wild(u"", u"*"));
  EXPECT_TRUE(Wild(u"", u"**"));
  EXPECT_FALSE(Wild(u"", u"?"));
  EXPECT_TRUE(Wild(u"a", u"**a**"));
  EXPECT_TRUE(Wild(u"xabyabcd", u"*ab*cd"));  // the star takes back what it gave
  EXPECT_FALSE(Wild(u"xabyabce", u"*ab*cd"));
  EXPECT_TRUE(Wild(u"abcabd", u"*abd"));
  EXPECT_TRUE(Wild(u"setup-3.log", u"SETUP-?.LOG"));
  EXPECT_FALSE(Wild(u"setup-13.log", u"setup-?.log"));
}

TEST(NameMatch, AQuestionMarkIsOneCharacterAndAPairIsOne) {
  const std::u16string smile = u"\xD83D\xDE00";
  EXPECT_TRUE(Wild(u"x" + smile + u"y", u"x?y"));
  EXPECT_FALSE(Wild(u"x" + smile + u"y", u"x??y"));
  EXPECT_TRUE(Wild(smile + smile, u"??"));
  EXPECT_TRUE(Wild(u"a" + smile, u"*?"));
  EXPECT_TRUE(Wild(smile + u"b", u"*b"));
  // A lone surrogate is one character as well.
  EXPECT_TRUE(Wild(u"x\xD83Dy", u"x?y"));
  EXPECT_TRUE(Wild(u"x\xDE00y", u"x?y"));
  EXPECT_TRUE(Wild(u"\xDE00\xD83D", u"??"));  // the wrong order is no pair
  EXPECT_TRUE(Wild(u"\xD801\xDC28", u"\xD801\xDC00"));  // a pair folds: Deseret
}

}  // namespace
}  // namespace tw
