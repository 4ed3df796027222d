#pragma once
// Lengths of the user interface are pixels at 96 dpi, scaled to the current
// DPI one by one with MulDiv: S(12) + S(52) scales each term and then adds.

#include <cstdint>

namespace tw {

// number * numerator / denominator with a 64-bit intermediate, rounded half
// away from zero (also for negative values), as the Windows function of the
// same name: -1 when the denominator is 0 or the result does not fit in
// (-2^31, 2^31).
std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

// S(n) = MulDiv(n, dpi, 96). Write `const DpiScale S{dpi};` and then S(12).
struct DpiScale {
  std::int32_t dpi = 96;
  std::int32_t operator()(std::int32_t n) const { return MulDiv(n, dpi, 96); }
};

// The DPI to use for a reported value: 96 when the report is not positive.
constexpr std::int32_t EffectiveDpi(std::int32_t reported) { return reported > 0 ? reported : 96; }

}  // namespace tw
