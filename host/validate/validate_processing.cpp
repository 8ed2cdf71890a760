// Processing: the matrix of sample rates and block sizes, audio passed through unchanged,
// every MIDI event inside its block; automation while processing; parameter values a careless
// host sends.
#include "host/validate/validate_check.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace moravox::host::validate {
namespace {

// One block each way: replacing must copy the input, accumulating must add it to what the
// outputs held. Returns "" or what went wrong.
std::string ProcessBothWays(Context& context, Host& host, int frames) {
    Audio audio;
    audio.Resize(static_cast<size_t>(frames), context.random());
    AEffect* effect = host.Effect();
    for (int accumulate = 0; accumulate < 2; ++accumulate) {
        if (accumulate && effect->process == nullptr) continue;
        const float prior = accumulate ? 0.25f : 7.0f;
        audio.FillOutputs(prior);
        host.SendMidi(context.RandomNotes(frames > 0 ? 8 : 0, frames));
        if (accumulate)
            host.Process(audio.inputs, audio.outputs, frames);
        else
            host.ProcessReplacing(audio.inputs, audio.outputs, frames);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i) {
                // Rounded to float through memory: x87 code otherwise compares the sum
                // at a higher precision than the plug-in stored it.
                volatile float want = audio.in[c][i] + (accumulate ? prior : 0.0f);
                if (audio.out[c][i] != want)
                    return std::string(accumulate ? "process" : "processReplacing") +
                           ": channel " + std::to_string(c) + " frame " + std::to_string(i) +
                           " is " + std::to_string(audio.out[c][i]) + ", not " +
                           std::to_string(static_cast<float>(want));
            }
        // Nothing past the block may be touched.
        for (int c = 0; c < 2; ++c)
            if (audio.out[c][static_cast<size_t>(frames)] != prior)
                return "a sample past the end of the block was written";
        const std::string why = InvalidEvents(host.TakeRealtimeEvents(), frames);
        if (!why.empty()) return why;
    }
    return "";
}

Outcome Matrix(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    int blocks = 0;
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
        for (int size : {1, 17, 64, 256, 1024}) {
            host.Suspend();
            host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            host.Dispatch(effSetBlockSize, 0, size);
            host.Resume();
            // The announced size, one larger than announced, and one without frames.
            for (int frames : {size, size * 2 + 3, 0}) {
                for (int repeat = 0; repeat < 4; ++repeat, ++blocks) {
                    const std::string why = ProcessBothWays(context, host, frames);
                    if (!why.empty())
                        return Outcome::Fail(std::to_string(static_cast<int>(rate)) + " Hz, " +
                                             std::to_string(size) + "-frame blocks, a " +
                                             std::to_string(frames) + "-frame block: " + why);
                }
            }
        }
    return Outcome::Pass(std::to_string(blocks) + " blocks");
}

// A host that splits its blocks at every automation point, 32 frames apart.
Outcome AutomationEvery32(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    host.Resume();
    const int parameters = host.Effect()->numParams;
    const int blocks = 500 * context.options().strictness;
    for (int i = 0; i < blocks; ++i) {
        if (parameters > 0) host.SetParameter(context.Below(parameters), context.Unit());
        const std::string why = ProcessBothWays(context, host, 32);
        if (!why.empty()) return Outcome::Fail("block " + std::to_string(i) + ": " + why);
    }
    return Outcome::Pass(std::to_string(blocks) + " blocks");
}

// Automation from the host's GUI thread while its audio thread runs.
Outcome AutomationFromAnotherThread(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    host.Resume();
    const int parameters = host.Effect()->numParams;
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        std::mt19937 random(context.options().seed + 1);
        while (!stop.load(std::memory_order_acquire) && parameters > 0)
            host.SetParameter(static_cast<VstInt32>(random() % static_cast<unsigned>(parameters)),
                              static_cast<float>(random() % 1001) / 1000.0f);
    });
    std::string why;
    const int blocks = 400 * context.options().strictness;
    for (int i = 0; i < blocks && why.empty(); ++i) why = ProcessBothWays(context, host, 64);
    stop.store(true, std::memory_order_release);
    automation.join();
    if (!why.empty()) return Outcome::Fail(why);
    return Outcome::Pass(std::to_string(blocks) + " blocks");
}

Outcome ParameterFuzz(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const float values[] = {-1.0f, -0.0f, 2.0f, 1e30f, -1e30f, 1.0000001f, 1e-45f, 0.4999999f,
                            nan, infinity, -infinity};
    for (VstInt32 index = 0; index < host.Effect()->numParams; ++index)
        for (float value : values) {
            const float before = host.GetParameter(index);
            host.SetParameter(index, value);
            const float after = host.GetParameter(index);
            const std::string where = "parameter " + std::to_string(index) + " set to " +
                                      std::to_string(value);
            if (!std::isfinite(after) || after < 0.0f || after > 1.0f)
                return Outcome::Fail(where + " reads back " + std::to_string(after));
            if (!std::isfinite(value) && after != before)
                return Outcome::Fail(where + " changed it from " + std::to_string(before));
            if (host.ParameterDisplay(index).size() >= 64)
                return Outcome::Fail(where + " shows an overlong text");
        }
    // Indexes out of range must not be used.
    const VstInt32 count = host.Effect()->numParams;
    for (VstInt32 index : {-1, count, count + 1000, INT32_MIN}) {
        host.SetParameter(index, 0.5f);
        if (!std::isfinite(host.GetParameter(index)))
            return Outcome::Fail("parameter " + std::to_string(index) + " reads a non-number");
        host.ParameterDisplay(index);
        host.ParameterName(index);
    }
    return Outcome::Pass();
}

// The display of a value does not depend on what was shown before.
Outcome DisplayStable(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    for (VstInt32 index = 0; index < host.Effect()->numParams; ++index)
        for (int step = 0; step <= 20; ++step) {
            const float value = static_cast<float>(step) / 20.0f;
            host.SetParameter(index, value);
            const std::string first = host.ParameterDisplay(index);
            const std::string label = host.ParameterLabel(index);
            host.SetParameter(index, context.Unit());
            host.ParameterDisplay(index);
            host.SetParameter(index, value);
            if (host.ParameterDisplay(index) != first || host.ParameterLabel(index) != label)
                return Outcome::Fail("parameter " + std::to_string(index) + " at " +
                                     std::to_string(value) + " shows '" + first + "' then '" +
                                     host.ParameterDisplay(index) + "'");
            if (host.ParameterName(index).empty())
                return Outcome::Fail("parameter " + std::to_string(index) + " has no name");
        }
    return Outcome::Pass();
}

// A host's GUI reading values, displays and the chunk (an autosave) while audio runs.
Outcome ReadsDuringProcessing(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    const bool chunks = host.Effect()->flags & effFlagsProgramChunks;
    const size_t chunkSize = chunks ? GetChunk(host, true).size() : 0;
    host.Resume();
    const int parameters = host.Effect()->numParams;
    std::atomic<bool> stop{false};
    std::string wrong;
    int reads = 0;
    std::thread reader([&] {
        while (!stop.load(std::memory_order_acquire) && wrong.empty()) {
            for (VstInt32 i = 0; i < parameters && wrong.empty(); ++i, ++reads) {
                const float value = host.GetParameter(i);
                if (!std::isfinite(value) || value < 0.0f || value > 1.0f)
                    wrong = "parameter " + std::to_string(i) + " read " + std::to_string(value);
                else if (host.ParameterDisplay(i).size() >= 64)
                    wrong = "parameter " + std::to_string(i) + " shows an overlong text";
            }
            if (chunks && GetChunk(host, true).size() != chunkSize)
                wrong = "the program chunk changed size while processing";
        }
    });
    std::string why;
    const int blocks = 300 * context.options().strictness;
    for (int i = 0; i < blocks && why.empty(); ++i) why = ProcessBothWays(context, host, 64);
    stop.store(true, std::memory_order_release);
    reader.join();
    if (!wrong.empty()) return Outcome::Fail(wrong);
    if (!why.empty()) return Outcome::Fail(why);
    return Outcome::Pass(std::to_string(blocks) + " blocks, " + std::to_string(reads) + " reads");
}

} // namespace

void AddProcessingChecks(std::vector<Check>& checks) {
    checks.push_back({"process.rates-and-block-sizes", 1, false, Matrix});
    checks.push_back({"automation.every-32-samples", 3, false, AutomationEvery32});
    checks.push_back({"automation.from-another-thread", 3, false, AutomationFromAnotherThread});
    checks.push_back({"automation.reads-while-processing", 3, false, ReadsDuringProcessing});
    checks.push_back({"parameters.out-of-range-and-non-finite", 1, false, ParameterFuzz});
    checks.push_back({"parameters.display-stable", 1, false, DisplayStable});
}

} // namespace moravox::host::validate
