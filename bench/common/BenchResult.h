#pragma once

// Each benchmark prints its figures for people, and every figure that the performance report
// collects once more as a line of its own, "RESULT <key> <value>", so that bench/report can
// take medians over several runs without reading the prose.

#include <cstdio>

namespace vo::bench {

inline void result(const char *key, double value)
{
    std::printf("RESULT %s %.6g\n", key, value);
    std::fflush(stdout);
}

} // namespace vo::bench
