#include "search/query.h"

#include <limits>

#include "search/case_fold.h"
#include "texts/texts.h"

namespace tw {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000; }

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c; }

bool EqualsAsciiNoCase(std::wstring_view text, std::wstring_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != lower[i]) return false;
  }
  return true;
}

std::u16string Units(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (const wchar_t c : text) units.push_back(static_cast<char16_t>(c));
  return units;
}

NamePattern MakePattern(std::wstring_view text) {
  NamePattern pattern;
  pattern.folded = FoldCase(Units(text));
  pattern.wildcard = text.find_first_of(L"*?") != std::wstring_view::npos;
  return pattern;
}

// The comparison a size: or modified: value starts with (nothing: equal);
// `text` is left at what follows it.
Comparison TakeComparison(std::wstring_view& text) {
  const auto take = [&text](std::wstring_view lead) {
    if (text.substr(0, lead.size()) != lead) return false;
    text.remove_prefix(lead.size());
    return true;
  };
  if (take(L">=")) return Comparison::kGreaterOrEqual;
  if (take(L"<=")) return Comparison::kLessOrEqual;
  if (take(L">")) return Comparison::kGreater;
  if (take(L"<")) return Comparison::kLess;
  take(L"=");
  return Comparison::kEqual;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// "1", "1.5G", "100MB", " 4 k": a number of bytes, with a 1024-based unit;
// the fraction's bytes are rounded down. False when malformed or too large.
bool ParseSize(std::wstring_view text, std::int64_t& bytes) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::uint64_t whole = 0;
  constexpr std::uint64_t kLimit = std::numeric_limits<std::int64_t>::max();
  while (i < text.size() && IsDigit(text[i])) {
    const auto digit = static_cast<std::uint64_t>(text[i] - L'0');
    if (whole > (kLimit - digit) / 10) return false;
    whole = whole * 10 + digit;
    ++i;
  }
  const bool has_whole = i > 0;
  std::uint64_t fraction = 0;  // the first 18 decimals, as fraction / 10^decimals
  std::uint64_t scale = 1;
  if (i < text.size() && text[i] == L'.') {
    ++i;
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i])) {
      if (scale < 1000000000000000000ULL) {
        fraction = fraction * 10 + static_cast<std::uint64_t>(text[i] - L'0');
        scale *= 10;
      }
      ++i;
    }
    if (i == start && !has_whole) return false;
  } else if (!has_whole) {
    return false;
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  // B, or K, M, G, T with an optional B after it.
  const std::wstring_view unit = text.substr(i);
  std::uint64_t multiplier = 1;
  if (!unit.empty()) {
    const wchar_t lead = AsciiLower(unit[0]);
    const std::wstring_view rest = unit.substr(1);
    const int shift = lead == L'k' ? 10 : lead == L'm' ? 20 : lead == L'g' ? 30 : lead == L't' ? 40 : -1;
    if (lead == L'b') {
      if (!rest.empty()) return false;
    } else if (shift < 0 || rest.size() > 1 || (rest.size() == 1 && AsciiLower(rest[0]) != L'b')) {
      return false;
    } else {
      multiplier = std::uint64_t{1} << shift;
    }
  }
  if (whole > kLimit / multiplier) return false;
  std::uint64_t total = whole * multiplier;
  // fraction / scale of the unit, rounded down: the multiplier is 2^shift,
  // so the quotient is found one bit at a time, exactly (the remainder stays
  // below scale <= 10^18).
  std::uint64_t part = 0;
  std::uint64_t remainder = fraction;
  for (std::uint64_t m = multiplier; m > 1; m >>= 1) {
    remainder *= 2;
    part *= 2;
    if (remainder >= scale) {
      remainder -= scale;
      ++part;
    }
  }
  if (part > kLimit - total) return false;
  total += part;
  bytes = static_cast<std::int64_t>(total);
  return true;
}

bool IsLeapYear(std::int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::int32_t DaysInMonth(std::int32_t year, std::int32_t month) {
  static constexpr std::int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// "2025-01-01", "2025-1-1" or "2025/1/1": a day from 1601 to 9999.
bool ParseDate(std::wstring_view text, CivilDate& date) {
  std::int32_t parts[3] = {};
  const std::size_t widths[3] = {4, 2, 2};
  std::size_t i = 0;
  wchar_t separator = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (i >= text.size() || (text[i] != L'-' && text[i] != L'/')) return false;
      if (separator != 0 && text[i] != separator) return false;
      separator = text[i++];
    }
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i]) && i - start < widths[k]) {
      parts[k] = parts[k] * 10 + (text[i] - L'0');
      ++i;
    }
    if (i == start || (k == 0 && i - start != 4)) return false;
  }
  if (i != text.size()) return false;
  date = CivilDate{parts[0], parts[1], parts[2]};
  return date.year >= 1601 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
         date.day <= DaysInMonth(date.year, date.month);
}

// One word with a key: false (and the problem set) when it is malformed.
bool ApplyFilter(std::wstring_view key, std::wstring_view value, Query& query, QueryProblem& problem) {
  if (EqualsAsciiNoCase(key, L"ext")) {
    std::vector<NamePattern> set;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = value.find(L',', start);
      std::wstring_view item = value.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos
                                                                                      : comma - start);
      if (!item.empty() && item.front() == L'.') item.remove_prefix(1);
      if (item.find(L'.') != std::wstring_view::npos) {
        problem = QueryProblem::kBadExtension;
        return false;
      }
      set.push_back(MakePattern(item));
      if (comma == std::wstring_view::npos) break;
      start = comma + 1;
    }
    query.extension_sets.push_back(std::move(set));
    query.folders = false;
    return true;
  }
  if (EqualsAsciiNoCase(key, L"size")) {
    SizeCondition condition;
    condition.comparison = TakeComparison(value);
    if (!ParseSize(value, condition.bytes)) {
      problem = QueryProblem::kBadSize;
      return false;
    }
    query.sizes.push_back(condition);
    return true;
  }
  if (EqualsAsciiNoCase(key, L"modified")) {
    DateCondition condition;
    condition.comparison = TakeComparison(value);
    if (!ParseDate(value, condition.day)) {
      problem = QueryProblem::kBadDate;
      return false;
    }
    query.dates.push_back(condition);
    return true;
  }
  if (EqualsAsciiNoCase(key, L"type")) {
    if (EqualsAsciiNoCase(value, L"file")) {
      query.folders = false;
    } else if (EqualsAsciiNoCase(value, L"folder")) {
      query.files = false;
    } else {
      problem = QueryProblem::kBadType;
      return false;
    }
    return true;
  }
  problem = QueryProblem::kUnknownKey;
  return false;
}

const wchar_t* ReasonOf(QueryProblem problem) {
  switch (problem) {
    case QueryProblem::kUnknownKey:
      return text::kQueryUnknownKey;
    case QueryProblem::kBadExtension:
      return text::kQueryBadExtension;
    case QueryProblem::kBadSize:
      return text::kQueryBadSize;
    case QueryProblem::kBadDate:
      return text::kQueryBadDate;
    case QueryProblem::kBadType:
      return text::kQueryBadType;
    case QueryProblem::kUnclosedQuote:
      return text::kQueryUnclosedQuote;
    case QueryProblem::kNone:
      break;
  }
  return L"";
}

}  // namespace

ParsedQuery ParseQuery(std::wstring_view text) {
  ParsedQuery parsed;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    // One word: up to the next blank outside quotes, the quotes dropped.
    const std::size_t start = i;
    std::wstring value;
    bool quoted = false;
    for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
      if (text[i] == L'"') {
        quoted = !quoted;
      } else {
        value.push_back(text[i]);
      }
    }
    const std::wstring_view word = text.substr(start, i - start);
    if (quoted) {
      parsed.problem = QueryProblem::kUnclosedQuote;
      parsed.word = word;
      return parsed;
    }
    parsed.query.empty = false;
    const std::size_t colon = value.find(L':');
    if (colon == std::wstring::npos) {
      parsed.query.names.push_back(MakePattern(value));
      continue;
    }
    const std::wstring_view view(value);
    if (!ApplyFilter(view.substr(0, colon), view.substr(colon + 1), parsed.query, parsed.problem)) {
      parsed.word = word;
      return parsed;
    }
  }
  return parsed;
}

std::wstring QueryProblemLine(const ParsedQuery& parsed) {
  if (parsed.ok()) return {};
  return std::wstring(text::kQueryInvalid) + parsed.word + text::kQueryReasonLead + ReasonOf(parsed.problem);
}

CivilDate NextDay(const CivilDate& day) {
  CivilDate next = day;
  if (++next.day > DaysInMonth(next.year, next.month)) {
    next.day = 1;
    if (++next.month > 12) {
      next.month = 1;
      ++next.year;
    }
  }
  return next;
}

}  // namespace tw
