#include "format/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>

#include "format/local_time.h"

namespace tw {
namespace {

constexpr const wchar_t* kSizeUnits[] = {L"B", L"KB", L"MB", L"GB", L"TB"};
constexpr int kLastUnit = 4;

struct AttributeLetter {
  std::uint32_t bit;
  wchar_t letter;
};

// Output order, not bit order: L (0x400) follows E (0x4000).
constexpr AttributeLetter kAttributeLetters[] = {
    {0x1, L'R'}, {0x2, L'H'}, {0x4, L'S'}, {0x20, L'A'}, {0x800, L'C'}, {0x4000, L'E'}, {0x400, L'L'},
};

}  // namespace

std::wstring FormatSize(std::uint64_t bytes) {
  const auto count = static_cast<std::int64_t>(bytes);
  double x = count < 0 ? 0.0 : static_cast<double>(count);
  int unit = 0;
  while (x >= 1024.0 && unit < kLastUnit) {
    x *= 0.0009765625;
    ++unit;
  }
  std::wostringstream out;
  out.imbue(std::locale::classic());
  if (unit == 0) {
    out << static_cast<std::int64_t>(x);
  } else {
    out << std::fixed << std::setprecision(2) << x;
  }
  out << L' ' << kSizeUnits[unit];
  return out.str();
}

std::wstring FormatSizeChange(std::int64_t change, wchar_t minus) {
  if (change == 0) return FormatSize(0);
  // The magnitude of INT64_MIN does not fit; it shows as the largest size.
  const std::uint64_t magnitude =
      change < 0 ? static_cast<std::uint64_t>(-(change + 1)) + 1 : static_cast<std::uint64_t>(change);
  const std::uint64_t shown = std::min<std::uint64_t>(magnitude, std::numeric_limits<std::int64_t>::max());
  return (change < 0 ? std::wstring(1, minus) : std::wstring(L"+")) + FormatSize(shown);
}

std::wstring FormatPercent(double value) {
  double v = value;
  if (std::isnan(v) || v < 0.0) v = 0.0;
  if (v > 100.0) v = 100.0;
  wchar_t buffer[32];
  if (std::swprintf(buffer, 32, L"%.1f%%", v) < 0) return std::wstring();
  return buffer;
}

std::wstring FormatCount(std::int32_t n) {
  wchar_t buffer[16];
  if (std::swprintf(buffer, 16, L"%d", static_cast<int>(n)) < 0) return std::wstring();
  return buffer;
}

std::wstring FormatFileTime(std::int64_t value) {
  if (value <= 0) return std::wstring();
  CivilTime t;
  if (!FileTimeToLocalCivil(value, t)) return std::wstring();
  wchar_t buffer[32];
  const int n = std::swprintf(buffer, 32, L"%04d/%d/%d %02d:%02d:%02d", static_cast<int>(t.year),
                              static_cast<int>(t.month), static_cast<int>(t.day), static_cast<int>(t.hour),
                              static_cast<int>(t.minute), static_cast<int>(t.second));
  if (n < 0) return std::wstring();
  return buffer;
}

std::string FormatIsoLocalTime(std::int64_t value) {
  std::string text;
  AppendIsoLocalTime(text, value);
  return text;
}

void AppendIsoLocalTime(std::string& out, std::int64_t value) {
  if (value <= 0) return;
  CivilTime t;
  if (!FileTimeToLocalCivil(value, t)) return;
  // Written digit by digit: the CSV export writes one per row.
  const auto digits = [&out](std::int32_t v, int width) {
    char buffer[12];
    int n = 0;
    std::uint32_t u = v < 0 ? 0u : static_cast<std::uint32_t>(v);
    do {
      buffer[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0 && n < 11);
    for (int k = n; k < width; ++k) out.push_back('0');
    while (n > 0) out.push_back(buffer[--n]);
  };
  const std::int32_t offset = t.utc_offset_seconds;
  const std::int32_t minutes = (offset < 0 ? -offset : offset) / 60;
  digits(t.year, 4);
  out.push_back('-');
  digits(t.month, 2);
  out.push_back('-');
  digits(t.day, 2);
  out.push_back('T');
  digits(t.hour, 2);
  out.push_back(':');
  digits(t.minute, 2);
  out.push_back(':');
  digits(t.second, 2);
  out.push_back(offset < 0 ? '-' : '+');
  digits(minutes / 60, 2);
  out.push_back(':');
  digits(minutes % 60, 2);
}

std::wstring FormatAttributes(std::uint32_t bits) {
  std::wstring text;
  for (const AttributeLetter& a : kAttributeLetters) {
    if ((bits & a.bit) != 0) text.push_back(a.letter);
  }
  return text;
}

std::wstring FormatSeconds(double seconds) {
  // "%f" of the largest double is over 300 characters; size the buffer for it
  // so the text is never truncated before the cut below.
  char buffer[400];
  const int n = std::snprintf(buffer, sizeof buffer, "%f", seconds);
  std::wstring text;
  for (int i = 0; i < n && i < 4; ++i) text.push_back(static_cast<wchar_t>(buffer[i]));
  return text;
}

}  // namespace tw
