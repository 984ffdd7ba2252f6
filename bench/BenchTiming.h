// The clock and the summaries the Windows benchmarks report in.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace lodestar::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace lodestar::bench
