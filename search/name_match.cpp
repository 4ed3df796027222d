#include "search/name_match.h"

#include <cstddef>

namespace tw {
namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The units of the character that starts at `at`: 2 for a valid pair, else 1.
std::size_t CharLength(std::u16string_view text, std::size_t at) {
  return IsHigh(text[at]) && at + 1 < text.size() && IsLow(text[at + 1]) ? 2 : 1;
}

// Whether position `at` (0 to size) falls between the two halves of a pair.
bool SplitsPair(std::u16string_view text, std::size_t at) {
  return at > 0 && at < text.size() && IsHigh(text[at - 1]) && IsLow(text[at]);
}

}  // namespace

bool ContainsText(std::u16string_view name, std::u16string_view pattern) {
  if (pattern.empty()) return true;
  if (pattern.size() > name.size()) return false;
  const char16_t first = pattern[0];
  const std::size_t last_start = name.size() - pattern.size();
  // Only a pattern that starts with a low or ends with a high surrogate can
  // meet the name inside a pair.
  const bool check_edges = IsLow(pattern.front()) || IsHigh(pattern.back());
  for (std::size_t at = 0; at <= last_start; ++at) {
    if (name[at] != first) continue;
    if (name.compare(at, pattern.size(), pattern) != 0) continue;
    if (check_edges && (SplitsPair(name, at) || SplitsPair(name, at + pattern.size()))) continue;
    return true;
  }
  return false;
}

bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern) {
  // Greedy with one saved star: on a mismatch the last * takes one more
  // character of the name. Linear in practice, never worse than
  // name.size() * pattern.size().
  std::size_t n = 0, p = 0;
  std::size_t star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = ++p;
      resume = n;
    } else if (p < pattern.size() && pattern[p] == u'?') {
      n += CharLength(name, n);
      ++p;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++n;
      ++p;
    } else if (star != std::u16string_view::npos) {
      p = star;
      resume += CharLength(name, resume);
      n = resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace tw
