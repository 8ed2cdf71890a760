// One processing block of the randomizer against a floor measured in the same
// run: copying the two audio channels and the events' bytes, which any plug-in
// that passes audio and takes MIDI must do at least.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/vstplugin.h"

namespace {

constexpr int kFrames = 1024;

VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : opcode == audioMasterProcessEvents ? 1 : 0;
}

struct Block {
    explicit Block(int events)
        : audio(4 * kStride, 0.25f), midi(events),
          list(sizeof(VstEvents) + events * sizeof(VstEvent*)) {
        // One allocation with the four channels a few cache lines apart: copies
        // between buffers whose addresses differ by a hair more than a multiple
        // of 4 KiB stall on false store-to-load aliasing, whatever the copier.
        for (int c = 0; c < 2; c++) {
            in[c] = &audio[c * kStride];
            out[c] = &audio[(2 + c) * kStride];
        }
        auto* header = reinterpret_cast<VstEvents*>(list.data());
        header->numEvents = events;
        for (int i = 0; i < events; i++) {
            VstMidiEvent& e = midi[i];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = 24;
            e.deltaFrames = (i * 4) % kFrames;
            e.midiData[0] = static_cast<char>((i % 2 ? 0xB0 : 0x90) | (i % 16));
            e.midiData[1] = static_cast<char>(i % 128);
            e.midiData[2] = static_cast<char>(1 + i % 127);
            header->events[i] = reinterpret_cast<VstEvent*>(&e);
        }
    }
    VstEvents* Events() { return reinterpret_cast<VstEvents*>(list.data()); }
    static constexpr int kStride = kFrames + 256;
    std::vector<float> audio;
    float* in[2];
    float* out[2];
    std::vector<VstMidiEvent> midi;
    std::vector<unsigned char> list;
};

void EveryOptionOn(VSTPlugin& p, float generator) {
    const std::pair<int, float> settings[] = {
        {0, 1},  {1, 0},     {2, 0},     {3, 1},     {4, 0},         {5, 1},  {6, 1},
        {7, 0},  {8, 1},     {9, 1},     {10, 0},    {11, 1},        {12, 1}, {13, 1},
        {15, 1}, {17, 0.1f}, {18, 0.5f}, {19, 0.1f}, {20, generator}};
    for (auto [index, value] : settings) p.setParameter(index, value);
}

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

BENCHMARK(BM_Floor)->Arg(0)->Arg(16)->Arg(256);
BENCHMARK(BM_Block)->ArgsProduct({{0, 16, 256}, {0, 1, 2}})->ArgNames({"events", "generator"});

// Collects every run so the ratios can be printed after the console report.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
                times[run.run_name.str()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times; // nanoseconds per iteration
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
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
            if (!collector.times.count(name) || !collector.times.count(floor)) continue;
            const double block = collector.times[name];
            const double base = collector.times[floor];
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
