#pragma once
// The clock and the median of the timed benchmarks.
#include <algorithm>
#include <chrono>
#include <vector>

namespace zun::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace zun::bench
