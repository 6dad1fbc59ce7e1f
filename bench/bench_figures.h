#pragma once

// The few figures every benchmark here prints, worked out one way for all of them.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace glimmer::bench {

// The value below which the given share of the samples lie (0.5 the median, 0.99 the p99);
// 0 for no samples.
inline double percentile(std::vector<double> samples, double share) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = static_cast<size_t>(share * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}

// Processor time of the calling thread so far.
inline double thread_cpu_ms() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall time of one run of step.
template <typename Step> double millis(Step step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace glimmer::bench
