// Timing helpers shared by the benchmark programs: each measurement is run
// several times and reported as its median, which one slow run (another
// process taking the core) cannot move.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zd::bench {

struct Timing {
    double medianMs = 0;
    double minMs = 0;
};

// Runs `prepare` (untimed) then `work` (timed) `runs` times.
inline Timing measure(int runs, const std::function<void()>& prepare,
                      const std::function<void()>& work) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        if (prepare) {
            prepare();
        }
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return {median, ms.front()};
}

// One result line, "name median_ms min_ms runs", read by bench/run.sh.
inline void report(const std::string& name, const Timing& timing, int runs) {
    std::printf("%s %.3f %.3f %d\n", name.c_str(), timing.medianMs, timing.minMs, runs);
    std::fflush(stdout);
}

} // namespace zd::bench
