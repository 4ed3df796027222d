#include "views/text_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tw {
namespace {

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Only A-Z fold; other units compare by value, and a proper prefix sorts
// first. Names held as UTF-16 units order exactly as the same wide texts.
TEST(TextCompare, FoldsOnlyAsciiLettersTheSameForWideAndUtf16Text) {
  struct Case {
    std::u16string a, b;
    int expected;
  };
  const std::vector<Case> cases = {
      {u"abc", u"ABC", 0},
      {u"Abc", u"abd", -1},
      {u"abc", u"ab", 1},
      {u"", u"", 0},
      {u"", u"a", -1},
      // Capitals fold down: '[' (0x5B) and '_' (0x5F) sort before every letter, '{' (0x7B) after.
      {u"[", u"A", -1},
      {u"_", u"Z", -1},
      {u"{", u"Z", 1},
      {u"z", u"\u00E9", -1},
      {u"\u00C9", u"\u00E9", -1},
      {u"\U0001F600", u"\uFFFD", -1},  // by units (0xD83D first), not code points
  };
  for (const Case& c : cases) {
    const std::wstring wa(c.a.begin(), c.a.end()), wb(c.b.begin(), c.b.end());
    SCOPED_TRACE(&c - cases.data());
    EXPECT_EQ(Sign(CompareTextNoCase(std::u16string_view(c.a), std::u16string_view(c.b))), c.expected);
    EXPECT_EQ(Sign(CompareTextNoCase(std::u16string_view(c.b), std::u16string_view(c.a))), -c.expected);
    EXPECT_EQ(Sign(CompareTextNoCase(std::wstring_view(wa), std::wstring_view(wb))), c.expected);
  }
}

}  // namespace
}  // namespace tw
