// Timing and memory figures of the benchmarks, which run natively (POSIX).
// They print figures and check nothing about time.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace benchkit {

// The best of `runs` timed runs of `work`, in milliseconds. Before each run,
// untimed: `prepare` (when given), then sync, so that no run pays for
// writing out what an earlier one left.
inline double bestOf(int runs, const std::function<void()>& work, const std::function<void()>& prepare = nullptr) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        sync();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// The process's peak resident memory so far, in KB.
inline long peakKb() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace benchkit
