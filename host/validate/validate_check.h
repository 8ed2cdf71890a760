// What every validation check shares: the options, the seeded random source, and the helpers
// that load instances, exchange chunks and check the MIDI a plug-in hands back.
#pragma once

#include "host/cli/cli_common.h"
#include "host/core/host.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace moravox::host::validate {

struct Options {
    std::string path;
    int strictness = 5;
    uint32_t seed = 0;
    bool gui = true;
    std::string only; // run only the checks whose names start with this
    std::string self; // this program, for the checks that start a child process
    bool list = false; // only list the checks
    bool inProcess = false; // run even the isolated checks here (the child of one that isolates)
};

struct Outcome {
    enum Kind { kPass, kFail, kSkip } kind = kPass;
    std::string detail;
    static Outcome Pass(std::string detail = "") { return {kPass, std::move(detail)}; }
    static Outcome Fail(std::string detail) { return {kFail, std::move(detail)}; }
    static Outcome Skip(std::string detail) { return {kSkip, std::move(detail)}; }
};

class Context {
public:
    explicit Context(const Options& options) : options_(options), random_(options.seed) {}
    const Options& options() const { return options_; }
    std::mt19937& random() { return random_; }
    float Unit() { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random_); }
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // A loaded, opened instance (null, with the reason in `error`, when it does not load).
    std::unique_ptr<LoadedPlugin> Load(std::string& error, HostAnswers answers = HostAnswers());
    // Every parameter of the instance to a random value.
    void RandomizeParameters(Host& host);
    // Note-ons and note-offs at random offsets inside a block of `frames`.
    std::vector<VstMidiEvent> RandomNotes(int count, int frames);

private:
    Options options_;
    std::mt19937 random_;
};

struct Check {
    const char* name;
    int strictness; // the lowest --strictness that runs it
    bool gui;       // left out with --no-gui
    Outcome (*run)(Context&);
};

// Each group of checks, in the order they run.
void AddLifecycleChecks(std::vector<Check>& checks);
void AddStateChecks(std::vector<Check>& checks);
void AddProcessingChecks(std::vector<Check>& checks);
void AddCarelessHostChecks(std::vector<Check>& checks);
void AddRealtimeChecks(std::vector<Check>& checks);
void AddEditorChecks(std::vector<Check>& checks);

// Stereo buffers for one block, inputs filled with noise.
struct Audio {
    std::vector<float> in[2], out[2];
    float* inputs[2] = {};
    float* outputs[2] = {};
    void Resize(size_t frames, std::mt19937& random);
    // Sets every output sample to `value`.
    void FillOutputs(float value);
};

// The program (isPreset = 1) or bank (0) chunk, copied out; empty when there is none.
std::vector<char> GetChunk(Host& host, bool program);
VstIntPtr SetChunk(Host& host, std::vector<char> chunk, bool program);
std::vector<float> Parameters(Host& host);

// Why an event the plug-in handed over is not valid MIDI inside a block of `frames`, or "".
std::string InvalidEvent(const VstMidiEvent& event, int frames);
// The first invalid one among the events, or "".
std::string InvalidEvents(const std::vector<VstMidiEvent>& events, int frames);
// Threads of this process right now.
int ThreadCount();
// Where two byte strings first differ, as text.
std::string FirstDifference(const std::vector<char>& a, const std::vector<char>& b);

} // namespace moravox::host::validate
