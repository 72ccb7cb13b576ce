#pragma once

#include <algorithm>
#include <chrono>

namespace bench {

// The shortest of runs timings of work, in seconds: the run least disturbed by the rest of the
// machine.
template <typename Work> double BestSeconds(int runs, Work work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace bench
