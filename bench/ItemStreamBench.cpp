// Encode and decode of a full group (200 items, 20-entry chains, 260-byte strings), each reported as a
// ratio to a plain copy of the same bytes measured in the same run.
#include "ItemStream.h"
#include "LegacyText.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

// A string whose legacy form is exactly 260 bytes.
std::string Text260(bool japanese, char tag) {
    if (!japanese) return std::string(259, 'a') + tag;
    std::string s;
    for (int i = 0; i < 130; ++i)
        s += "表";
    return s;
}

std::vector<TItemData> MakeGroup(bool japanese) {
    std::vector<TItemData> group(kMaxItemsInGroup);
    for (TItemData& item : group) {
        item.Tip = Text260(japanese, 't');
        item.Cmd = Text260(japanese, 'c');
        item.DefDir = Text260(japanese, 'd');
        item.CustomIcon = Text260(japanese, 'i');
        item.HotKey = 0x4041;
        for (std::size_t i = 0; i < kMaxChainEntries; ++i) {
            TChildIcon child;
            child.Cmd = Text260(japanese, 'c');
            child.DefDir = Text260(japanese, 'd');
            child.DupCheckText = Text260(japanese, 'x');
            child.DelayMs = 1000;
            item.Children.push_back(child);
        }
    }
    return group;
}

std::vector<Bytes> Encode(const std::vector<TItemData>& group) {
    std::vector<Bytes> streams(group.size());
    for (std::size_t i = 0; i < group.size(); ++i)
        WriteItemStream(group[i], std::string(), streams[i]);
    return streams;
}

void BM_Encode(benchmark::State& state) {
    const auto group = MakeGroup(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(Encode(group));
}

void BM_Decode(benchmark::State& state) {
    const auto streams = Encode(MakeGroup(state.range(0) != 0));
    for (auto _ : state) {
        for (const Bytes& s : streams)
            benchmark::DoNotOptimize(ReadItem(s));
    }
}

void BM_PlainCopy(benchmark::State& state) {
    const auto streams = Encode(MakeGroup(state.range(0) != 0));
    for (auto _ : state) {
        std::vector<Bytes> copy(streams.size());
        for (std::size_t i = 0; i < streams.size(); ++i)
            copy[i].assign(streams[i].begin(), streams[i].end());
        benchmark::DoNotOptimize(copy);
    }
}

BENCHMARK(BM_Encode)->ArgName("japanese")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decode)->ArgName("japanese")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCopy)->ArgName("japanese")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Collects the time per iteration of each run to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        for (const char* arg : {"0", "1"}) {
            const std::string suffix = std::string("/japanese:") + arg;
            auto copy = times_.find("BM_PlainCopy" + suffix);
            if (copy == times_.end() || copy->second <= 0) continue;
            for (const char* op : {"BM_Encode", "BM_Decode"}) {
                auto it = times_.find(op + suffix);
                if (it == times_.end()) continue;
                std::printf("%s%s: %.1f x plain copy\n", op, suffix.c_str(), it->second / copy->second);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
