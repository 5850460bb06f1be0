// Shared pieces of the benchmarks: sample texts, timing, peers.
#pragma once

#include <chrono>
#include <string>

namespace bench {

// A GBK text of about `bytes` bytes: lines of Chinese mixed with English and
// digits, CR LF line breaks, some empty lines and spaces.
std::string MakeGbkText(std::size_t bytes);

// Seconds since an arbitrary start.
double Now();

// Runs a shell command, returning its wall time in seconds (negative on failure).
double TimeCommand(const std::string& command);

// Best of n runs of f, in seconds.
template <class F>
double BestOf(int n, F f) {
    double best = 1e100;
    for (int i = 0; i < n; ++i) {
        const double t0 = Now();
        f();
        const double t = Now() - t0;
        if (t < best) best = t;
    }
    return best;
}

}  // namespace bench
