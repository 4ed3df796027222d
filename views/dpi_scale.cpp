#include "views/dpi_scale.h"

namespace tw {

std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
  if (denominator == 0) return -1;
  std::int64_t product = std::int64_t{number} * numerator;
  std::int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  // Half the divisor towards the sign of the result, then truncate.
  const std::int64_t half = divisor / 2;
  const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
  if (result > 2147483647 || result < -2147483647) return -1;
  return static_cast<std::int32_t>(result);
}

}  // namespace tw
