#include "views/theme.h"

#include <algorithm>
#include <cmath>

namespace tw {
namespace {

bool g_dark = false;

double Linear(std::uint32_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

const Theme& CurrentTheme() { return g_dark ? kDarkTheme : kLightTheme; }
void UseDarkTheme(bool dark) { g_dark = dark; }
bool DarkThemeInUse() { return g_dark; }

bool DarkFromAppsUseLightTheme(bool present, std::uint32_t value) { return present && value == 0; }

double RelativeLuminance(Colour colour) {
  return 0.2126 * Linear(colour & 0xFF) + 0.7152 * Linear((colour >> 8) & 0xFF) +
         0.0722 * Linear((colour >> 16) & 0xFF);
}

double ContrastRatio(Colour a, Colour b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace tw
