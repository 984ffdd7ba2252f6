// What every Windows benchmark prints, for scripts/bench to gather into one table: a line per timed
// sample and a line per speed target, each a tab-separated record.
//   sample <measure> <ms>
//   target <measure> <baseline> ratio <limit>   median(measure) <= limit x median(baseline)
//   target <measure> <baseline> plus <limit>    median(measure) <= median(baseline) + limit ms
//   target <measure> - max <limit>              every sample of measure <= limit ms
//   about <measure> <text>                      what a measure is, for the table
// Anything else a benchmark prints is passed on as it is.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lodestar::bench {

inline void About(const char* measure, const char* text) {
    std::printf("about\t%s\t%s\n", measure, text);
    std::fflush(stdout);
}

inline void Sample(const char* measure, double ms) {
    std::printf("sample\t%s\t%.3f\n", measure, ms);
    std::fflush(stdout);
}

inline void RatioTarget(const char* measure, const char* baseline, double limit) {
    std::printf("target\t%s\t%s\tratio\t%.2f\n", measure, baseline, limit);
}

inline void PlusTarget(const char* measure, const char* baseline, double ms) {
    std::printf("target\t%s\t%s\tplus\t%.1f\n", measure, baseline, ms);
}

inline void MaxTarget(const char* measure, double ms) {
    std::printf("target\t%s\t-\tmax\t%.1f\n", measure, ms);
}

// The number of rounds: `--rounds N` anywhere on the command line, else `fallback`.
inline int Rounds(int argc, char** argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) {
            const int n = std::atoi(argv[i + 1]);
            if (n > 0) return n;
        }
    return fallback;
}

} // namespace lodestar::bench
