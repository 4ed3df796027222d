#include "format/utf.h"

namespace tw {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(std::wstring& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

bool IsHigh(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Appends the UTF-8 of UTF-16 units held in any character type.
template <typename Unit>
void AppendUnits(std::string& out, std::basic_string_view<Unit> units) {
  out.reserve(out.size() + units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    // Mask to 16 bits: on Linux a wchar_t could in principle carry more.
    char32_t u = static_cast<char32_t>(units[i]) & 0xFFFF;
    if (u < 0x80) {  // most names are mostly ASCII
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (IsHigh(u)) {
      if (i + 1 < units.size()) {
        char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
        if (IsLow(next)) {
          AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
          ++i;
          continue;
        }
      }
      AppendCodePoint(out, kReplacement);
    } else if (IsLow(u)) {
      AppendCodePoint(out, kReplacement);
    } else {
      AppendCodePoint(out, u);
    }
  }
}

}  // namespace

std::string Utf16ToUtf8(std::wstring_view units) {
  std::string out;
  out.reserve(units.size());
  AppendUnits(out, units);
  return out;
}

void AppendUtf8(std::string& out, std::u16string_view units) { AppendUnits(out, units); }

std::wstring Utf8ToUtf16(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const unsigned char b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<wchar_t>(b0));
      ++i;
      continue;
    }
    int need = 0;
    char32_t cp = 0;
    char32_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;  // no encoded surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n) {
        ok = false;
        break;
      }
      const unsigned char b = static_cast<unsigned char>(bytes[j]);
      const char32_t min = (k == 0) ? lo : 0x80;
      const char32_t max = (k == 0) ? hi : 0xBF;
      if (b < min || b > max) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    if (!ok) {
      AppendUtf16(out, kReplacement);
      i = j;  // skip the maximal bad subpart, resume at the offending byte
      continue;
    }
    AppendUtf16(out, cp);
    i = j;
  }
  return out;
}

}  // namespace tw
