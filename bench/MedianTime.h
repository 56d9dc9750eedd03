#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace keylinker::bench {

/// Says so when the benchmark is built without optimization, whose times mean little.
inline void noteUnoptimizedBuild()
{
#ifndef NDEBUG
    std::printf("note: built without NDEBUG; build with CMAKE_BUILD_TYPE=Release for meaningful times\n");
#endif
}

/// Runs `work` `warmUps` times untimed, then `runs` times timed, and returns the median in
/// microseconds: the median, since a loaded machine stretches single runs but rarely half of them.
template <typename Work> double medianMicroseconds(int warmUps, int runs, Work work)
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < warmUps; ++i)
        work();
    std::vector<double> nanoseconds;
    nanoseconds.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        const auto stop = Clock::now();
        nanoseconds.push_back(
            double(std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count()));
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const std::size_t middle = nanoseconds.size() / 2;
    const double median = nanoseconds.size() % 2 == 1 ? nanoseconds[middle]
                                                      : (nanoseconds[middle - 1] + nanoseconds[middle]) / 2.0;
    return median / 1000.0;
}

} // namespace keylinker::bench
