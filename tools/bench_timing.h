#pragma once
// The two figures every benchmark program prints: how long a step took, and
// the median of its runs.

#include <algorithm>
#include <chrono>
#include <vector>

namespace tw::bench {

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Seconds taken by f().
template <typename F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace tw::bench
