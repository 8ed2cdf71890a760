// One processing block of the randomizer against a floor measured in the same
// run: copying the two audio channels and the events' bytes, which any plug-in
// that passes audio and takes MIDI must do at least.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/block_setup.h"

namespace {

using namespace moravox::bench;

void BM_Block(benchmark::State& state) {
    const int events = static_cast<int>(state.range(0));
    int status = 0;
    VSTPlugin plugin(Master, status);
    plugin.setBlockSize(kFrames);
    plugin.resume();
    EveryOptionOn(plugin, static_cast<float>(state.range(1)) * 0.5f);
    Block block(events);
    for (auto _ : state) {
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
        benchmark::DoNotOptimize(block.out[0]);
    }
    state.counters["events"] = events;
}

void BM_Floor(benchmark::State& state) {
    const int events = static_cast<int>(state.range(0));
    Block block(events);
    std::vector<VstMidiEvent> copied(events > 0 ? events : 1);
    for (auto _ : state) {
        for (int c = 0; c < 2; c++) memcpy(block.out[c], block.in[c], sizeof(float) * kFrames);
        VstEvents* list = block.Events();
        for (int i = 0; i < list->numEvents; i++)
            memcpy(&copied[i], list->events[i], sizeof(VstMidiEvent));
        benchmark::DoNotOptimize(block.out[0]);
        benchmark::DoNotOptimize(copied.data());
        benchmark::ClobberMemory();
    }
    state.counters["events"] = events;
}

// The fastest of the repetitions: on a shared machine every other process only
// ever adds time, so the mean measures the neighbours as much as the code.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_Floor)->Arg(0)->Arg(16)->Arg(256)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Block)
    ->ArgsProduct({{0, 16, 256}, {0, 1, 2}})
    ->ArgNames({"events", "generator"})
    ->ComputeStatistics("min", Fastest);

// Collects every run so the ratios can be printed after the console report: the
// fastest repetition where there are several, else the one run.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Iteration && !fastest.count(name))
                single[name] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                fastest[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool Has(const std::string& name) const { return fastest.count(name) || single.count(name); }
    double Time(const std::string& name) const {
        return fastest.count(name) ? fastest.at(name) : single.at(name);
    }

private:
    std::map<std::string, double> fastest, single; // nanoseconds per iteration
};

// Unless the command line says otherwise: thirty short repetitions of each
// benchmark, interleaved at random with the others' so that every one of them
// gets its share of the machine's quiet moments, and only the aggregates shown.
std::vector<char*> WithDefaults(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=30";
    static char minTime[] = "--benchmark_min_time=0.02";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    for (char* flag : {repetitions, minTime, interleaving, aggregates}) {
        const size_t name = strchr(flag, '=') - flag;
        bool given = false;
        for (int i = 1; i < argc; i++) given = given || strncmp(argv[i], flag, name) == 0;
        if (!given) args.push_back(flag);
    }
    args.push_back(nullptr);
    return args;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = WithDefaults(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const char* generators[] = {"C library", "Mersenne", "Park-Miller"};
    printf("\n%-12s %7s %12s %12s %10s %12s\n", "generator", "events", "block ns", "floor ns",
           "ratio", "ns/event");
    bool met = true;
    int compared = 0;
    for (int g = 0; g < 3; g++) {
        for (int events : {0, 16, 256}) {
            const std::string name =
                "BM_Block/events:" + std::to_string(events) + "/generator:" + std::to_string(g);
            const std::string floor = "BM_Floor/" + std::to_string(events);
            if (!collector.Has(name) || !collector.Has(floor)) continue;
            const double block = collector.Time(name);
            const double base = collector.Time(floor);
            const double perEvent = events ? block / events : 0.0;
            compared++;
            printf("%-12s %7d %12.1f %12.1f %9.2fx %12.2f\n", generators[g], events, block, base,
                   block / base, perEvent);
            if (events == 0 && block > 1.2 * base) met = false;
            if (events == 256 && (perEvent > 25.0 || block > 10000.0)) met = false;
        }
    }
    printf("Goals (256 events: <= 25 ns/event and <= 10 us; no events: <= 1.2x floor): %s\n",
           compared == 0 ? "not measured"
           : met         ? "met"
                         : "NOT met");
    return 0;
}
