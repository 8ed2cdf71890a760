// One processing block of the randomizer against a floor measured in the same
// run: the memory work any MIDI effect must do for the block, which is copying
// the two audio channels, reading the input events, writing as many output
// events as the plug-in does and handing them to the host.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/block_setup.h"

namespace {

using namespace moravox::bench;

const int kEventCounts[] = {0, 1, 16, 256};
const char* const kSettingsNames[] = {"randomized", "every option on"};

// Fails the run unless every event the block should produce reached the host.
void CheckHandedOver(benchmark::State& state, int perIteration) {
    const long long expected = static_cast<long long>(state.iterations()) * perIteration;
    if (handedOver != expected)
        state.SkipWithError(("the host was handed " + std::to_string(handedOver) +
                             " events, not " + std::to_string(expected))
                                .c_str());
}

void BM_Block(benchmark::State& state) {
    const auto settings = static_cast<Settings>(state.range(0));
    const int events = static_cast<int>(state.range(2));
    int status = 0;
    VSTPlugin plugin(Master, status);
    plugin.setBlockSize(kFrames);
    plugin.resume();
    Configure(plugin, settings, static_cast<float>(state.range(1)) * 0.5f);
    Block block(settings, events);
    for (int i = 0; i < 4; i++) { // fills the note table, as in every later block
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
    }
    handedOver = 0;
    for (auto _ : state) {
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
        benchmark::DoNotOptimize(block.out[0]);
    }
    CheckHandedOver(state, ExpectedOut(settings, events));
}

// The host's callback, called through a pointer the compiler cannot see through.
audioMasterCallback volatile floorHost = Master;

void BM_Floor(benchmark::State& state) {
    const auto settings = static_cast<Settings>(state.range(0));
    const int events = static_cast<int>(state.range(1));
    const int out = ExpectedOut(settings, events);
    Block block(settings, events);
    std::vector<VstMidiEvent> read(events > 0 ? events : 1);
    std::vector<VstMidiEvent> written(out > 0 ? out : 1);
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[256];
    } list{};
    for (int i = 0; i < out; i++) list.events[i] = reinterpret_cast<VstEvent*>(&written[i]);
    handedOver = 0;
    for (auto _ : state) {
        for (int c = 0; c < 2; c++) memcpy(block.out[c], block.in[c], sizeof(float) * kFrames);
        VstEvents* in = block.Events();
        for (int i = 0; i < in->numEvents; i++)
            memcpy(&read[i], in->events[i], sizeof(VstMidiEvent));
        for (int i = 0; i < out; i++) written[i] = read[i % events];
        list.numEvents = out;
        if (out > 0) floorHost(nullptr, audioMasterProcessEvents, 0, 0, &list, 0.0f);
        benchmark::DoNotOptimize(block.out[0]);
        benchmark::DoNotOptimize(read.data());
        benchmark::ClobberMemory();
    }
    CheckHandedOver(state, out);
}

// The fastest of the repetitions: on a shared machine every other process only
// ever adds time, so the mean measures the neighbours as much as the code.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_Floor)
    ->ArgsProduct({{kRandomized, kEveryOptionOn}, {0, 1, 16, 256}})
    ->ArgNames({"settings", "events"})
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Block)
    ->ArgsProduct({{kRandomized, kEveryOptionOn}, {0, 1, 2}, {0, 1, 16, 256}})
    ->ArgNames({"settings", "generator", "events"})
    ->ComputeStatistics("min", Fastest);

// Collects every run so the ratios can be printed after the console report: the
// fastest repetition where there are several, else the one run.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.error_occurred) failed.insert(name);
            if (run.run_type == Run::RT_Iteration && !fastest.count(name))
                single[name] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                fastest[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool Has(const std::string& name) const {
        return !failed.count(name) && (fastest.count(name) || single.count(name));
    }
    size_t Failed() const { return failed.size(); }
    double Time(const std::string& name) const {
        return fastest.count(name) ? fastest.at(name) : single.at(name);
    }

private:
    std::map<std::string, double> fastest, single; // nanoseconds per iteration
    std::set<std::string> failed;
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
    printf("\n%-16s %-12s %7s %11s %11s %8s %16s\n", "settings", "generator", "events",
           "block ns", "floor ns", "ratio", "ns/event above");
    double worstEmpty = 0;
    double worstPerEvent = 0;
    int compared = 0;
    for (int settings : {kRandomized, kEveryOptionOn}) {
        for (int g = 0; g < 3; g++) {
            for (int events : kEventCounts) {
                const std::string tail = "settings:" + std::to_string(settings);
                const std::string name = "BM_Block/" + tail + "/generator:" + std::to_string(g) +
                                         "/events:" + std::to_string(events);
                const std::string floor = "BM_Floor/" + tail + "/events:" + std::to_string(events);
                if (!collector.Has(name) || !collector.Has(floor)) continue;
                const double block = collector.Time(name);
                const double base = collector.Time(floor);
                const double above = events ? (block - base) / events : 0.0;
                compared++;
                printf("%-16s %-12s %7d %11.1f %11.1f %7.2fx %16.2f\n",
                       kSettingsNames[settings], generators[g], events, block, base, block / base,
                       above);
                if (events == 0) worstEmpty = std::max(worstEmpty, block / base);
                if (events == 256 && g > 0) worstPerEvent = std::max(worstPerEvent, above);
            }
        }
    }
    if (collector.Failed() > 0) {
        printf("%zu benchmarks did not hand the host every event they should have\n",
               collector.Failed());
        return 1;
    }
    if (compared == 0) {
        printf("Goals: not measured\n");
        return 0;
    }
    printf("Goal: a block without events at most 1.15x its floor: worst %.2fx, %s\n", worstEmpty,
           worstEmpty <= 1.15 ? "met" : "NOT met");
    printf("Goal: 256 events (Mersenne, Park-Miller) at most 25 ns per event above the floor: "
           "worst %.2f ns, %s\n",
           worstPerEvent, worstPerEvent <= 25.0 ? "met" : "NOT met");
    printf("Instructions per event, which do not depend on the machine's load: "
           "scripts/count-instructions.sh\n");
    return 0;
}
