#include "format/utf.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(Utf, AsciiAndCjkRoundTrip) {
  const std::wstring text = L"abc 扫描完成 · x";
  const std::string utf8 = Utf16ToUtf8(text);
  EXPECT_EQ(utf8, "abc \xE6\x89\xAB\xE6\x8F\x8F\xE5\xAE\x8C\xE6\x88\x90 \xC2\xB7 x");
  EXPECT_EQ(Utf8ToUtf16(utf8), text);
}

TEST(Utf, SurrogatePairBecomesOneFourByteSequence) {
  // U+1F600 is the pair D83D DE00 in UTF-16.
  const std::wstring units = {wchar_t(0xD83D), wchar_t(0xDE00)};
  EXPECT_EQ(Utf16ToUtf8(units), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), units);
}

TEST(Utf, LoneSurrogatesBecomeReplacementCharacter) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xD83D)}), fffd);
  EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xDE00), L'a'}), fffd + "a");
  EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xD83D), L'a'}), fffd + "a");
  // Two highs in a row: each is lone.
  EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xD800), wchar_t(0xD800)}), fffd + fffd);
}

// Names held as char16_t (the result's arena) convert as wide strings do,
// appended after what the buffer holds.
TEST(Utf, AppendUtf8OfCharSixteenUnitsMatchesTheWideConversion) {
  const std::u16string units = {u'a', 0xD83D, 0xDE00, 0x7167, 0xDC00, 0xD800};
  std::string out = "x,";
  AppendUtf8(out, units);
  EXPECT_EQ(out, "x,a\xF0\x9F\x98\x80\xE7\x85\xA7\xEF\xBF\xBD\xEF\xBF\xBD");
  std::wstring wide(units.begin(), units.end());
  EXPECT_EQ(out.substr(2), Utf16ToUtf8(wide));
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacter) {
  const std::wstring r = {wchar_t(0xFFFD)};
  EXPECT_EQ(Utf8ToUtf16("\xFF"), r);
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), r + r);                  // overlong lead byte
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), r + r + r);          // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xE6\x89"), r);                      // truncated
  EXPECT_EQ(Utf8ToUtf16("\xE6\x89x"), r + L"x");              // bad continuation
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), r + r + r + r);  // above U+10FFFF
}

}  // namespace
}  // namespace tw
