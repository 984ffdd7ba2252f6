// What every Windows benchmark prints, for scripts/bench to gather into one table: a line per timed
// sample and a line per speed target, each a tab-separated record.
//   sample <measure> <ms>
//   target <measure> <baseline> ratio <limit>   median(measure) <= limit x median(baseline)
//   target <measure> <baseline> plus <limit>    median(measure) <= median(baseline) + limit ms
//   target <measure> - max <limit> [unit]       every sample of measure <= limit (in ms, or in unit)
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

inline void MaxTarget(const char* measure, double limit, const char* unit = "ms") {
    std::printf("target\t%s\t-\tmax\t%.1f\t%s\n", measure, limit, unit);
}

// The value of `--NAME N` anywhere on the command line, else `fallback`.
inline int Option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] == '-' && std::strcmp(argv[i] + 2, name) == 0) {
            const int n = std::atoi(argv[i + 1]);
            if (n >= 0) return n;
        }
    return fallback;
}

// The rounds of one run: `--rounds N` (else `fallback`), numbered from `--first K` (else 0). In a round
// of even number the baseline goes first, in an odd one the measure: scripts/bench runs a benchmark
// several times, each in a fresh Wine server, and numbers the rounds on so that they keep taking turns.
struct TRounds {
    int First = 0;
    int Count = 0;
    static TRounds Of(int argc, char** argv, int fallback) {
        const int count = Option(argc, argv, "rounds", fallback);
        return {Option(argc, argv, "first", 0), count > 0 ? count : fallback};
    }
    bool BaselineFirst(int round) const { return (First + round) % 2 == 0; }
};

} // namespace lodestar::bench
