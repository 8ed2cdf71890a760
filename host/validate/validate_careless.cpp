// What careless or hurried hosts hand a plug-in: chunks of odd sizes or without data, channel
// pointers that are null, frame and event counts that are zero or negative, blocks larger than
// just announced, settings changed while suspended. None may crash it, make it send invalid
// MIDI, or lose the state it holds.
#include "host/validate/validate_check.h"

#include <climits>

namespace moravox::host::validate {
namespace {

// A chunk the plug-in cannot make sense of must leave what it holds intact: either it is
// refused and the old state stays, or the state it takes still round-trips.
Outcome OddChunkSizes(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    if (!(host.Effect()->flags & effFlagsProgramChunks)) return Outcome::Skip("no chunks");
    int tried = 0;
    for (const bool program : {true, false}) {
        context.RandomizeParameters(host);
        const std::vector<char> good = GetChunk(host, program);
        if (good.empty()) return Outcome::Fail("no chunk to start from");
        for (const size_t size : {0, 1, 91, 93, 219, 221, 2943, 7039, 7041}) {
            std::vector<char> odd(size);
            for (size_t i = 0; i < size; ++i) odd[i] = i < good.size() ? good[i] : char(i);
            const std::string what = std::string(program ? "program" : "bank") + " chunk of " +
                                     std::to_string(size) + " bytes";
            SetChunk(host, good, program);
            SetChunk(host, odd, program);
            ++tried;
            const std::vector<char> now = GetChunk(host, program);
            if (now.size() != good.size())
                return Outcome::Fail("after a " + what + " the chunk is " +
                                     std::to_string(now.size()) + " bytes, not " +
                                     std::to_string(good.size()));
            if (size <= 1 && now != good)
                return Outcome::Fail("a " + what + " changed the state: " +
                                     FirstDifference(good, now));
            SetChunk(host, now, program);
            const std::string difference = FirstDifference(now, GetChunk(host, program));
            if (!difference.empty())
                return Outcome::Fail("the state taken from a " + what +
                                     " does not round-trip: " + difference);
        }
    }
    return Outcome::Pass(std::to_string(tried) + " chunks");
}

Outcome NullChunkData(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    if (!(host.Effect()->flags & effFlagsProgramChunks)) return Outcome::Skip("no chunks");
    context.RandomizeParameters(host);
    for (const bool program : {true, false}) {
        const std::vector<char> before = GetChunk(host, program);
        for (const VstIntPtr size : {VstIntPtr(0), VstIntPtr(before.size()), VstIntPtr(-1)}) {
            host.Dispatch(effSetChunk, program ? 1 : 0, size, nullptr);
            const std::string difference = FirstDifference(before, GetChunk(host, program));
            if (!difference.empty())
                return Outcome::Fail(std::string(program ? "program" : "bank") +
                                     " chunk without data, size " + std::to_string(size) +
                                     ", changed the state: " + difference);
        }
    }
    return Outcome::Pass();
}

// Runs `frames` through processReplacing with these channel pointers; "" or what went wrong.
std::string ProcessWith(Host& host, float** inputs, float** outputs, VstInt32 frames,
                        int blockFrames) {
    host.ProcessReplacing(inputs, outputs, frames);
    if (host.Effect()->process != nullptr) host.Process(inputs, outputs, frames);
    return InvalidEvents(host.TakeRealtimeEvents(), blockFrames);
}

Outcome NullChannelPointers(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    host.Resume();
    Audio audio;
    audio.Resize(64, context.random());
    float* none[2] = {nullptr, nullptr};
    float* firstOnlyIn[2] = {audio.inputs[0], nullptr};
    float* firstOnlyOut[2] = {audio.outputs[0], nullptr};
    struct Case {
        const char* what;
        float** inputs;
        float** outputs;
    } cases[] = {{"null arrays", nullptr, nullptr},
                 {"null input array", nullptr, audio.outputs},
                 {"null output array", audio.inputs, nullptr},
                 {"null channels", none, none},
                 {"null inputs", none, audio.outputs},
                 {"null outputs", audio.inputs, none},
                 {"second channel null", firstOnlyIn, firstOnlyOut}};
    for (const Case& c : cases) {
        host.SendMidi(context.RandomNotes(8, 64));
        const std::string why = ProcessWith(host, c.inputs, c.outputs, 64, 64);
        if (!why.empty()) return Outcome::Fail(std::string(c.what) + ": " + why);
    }
    return Outcome::Pass(std::to_string(std::size(cases)) + " kinds");
}

// Blocks without frames or with a negative count: nothing is written, every event stays
// inside the next real block.
Outcome ZeroAndNegativeFrames(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    host.Resume();
    Audio audio;
    audio.Resize(64, context.random());
    for (const VstInt32 frames : {0, -1, -64, INT_MIN}) {
        audio.FillOutputs(3.0f);
        host.SendMidi(context.RandomNotes(8, 64));
        const std::string why = ProcessWith(host, audio.inputs, audio.outputs, frames, 1);
        for (const auto& channel : audio.out)
            for (const float sample : channel)
                if (sample != 3.0f)
                    return Outcome::Fail("a block of " + std::to_string(frames) +
                                         " frames wrote audio");
        if (!why.empty()) return Outcome::Fail(std::to_string(frames) + " frames: " + why);
        // What was held back comes out inside the next real block.
        const std::string next = ProcessWith(host, audio.inputs, audio.outputs, 64, 64);
        if (!next.empty())
            return Outcome::Fail("the block after " + std::to_string(frames) + " frames: " + next);
    }
    return Outcome::Pass();
}

// Event lists that lie about their length, or hold null entries.
Outcome BadEventCounts(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    host.Resume();
    Audio audio;
    audio.Resize(64, context.random());
    std::vector<VstMidiEvent> notes = context.RandomNotes(2, 64);
    VstEvents events{};
    events.events[0] = reinterpret_cast<VstEvent*>(&notes[0]);
    events.events[1] = reinterpret_cast<VstEvent*>(&notes[1]);
    for (const VstInt32 count : {-1, -1000, INT_MIN, 0}) {
        events.numEvents = count;
        host.SendEvents(&events);
        const std::string why = ProcessWith(host, audio.inputs, audio.outputs, 64, 64);
        if (!why.empty()) return Outcome::Fail(std::to_string(count) + " events: " + why);
    }
    events.numEvents = 2;
    events.events[1] = nullptr;
    host.SendEvents(&events);
    const std::string why = ProcessWith(host, audio.inputs, audio.outputs, 64, 64);
    if (!why.empty()) return Outcome::Fail("a null event in the list: " + why);
    host.Dispatch(effProcessEvents, 0, 0, nullptr);
    return Outcome::Pass();
}

// effSetBlockSize while resumed, then a larger block; and rate and size changed between a
// suspend and a resume. Audio passes, events stay inside each block.
Outcome SettingsChanged(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    host.Resume();
    Audio audio;
    struct Step {
        bool suspend;
        float rate;
        VstInt32 announced;
        VstInt32 frames;
    } steps[] = {{false, 0.0f, 32, 1024}, {true, 96000.0f, 16, 16}, {true, 22050.0f, 4096, 4096},
                 {false, 0.0f, 1, 333},    {true, 44100.0f, 0, 128}};
    for (const Step& step : steps) {
        if (step.suspend) {
            host.Suspend();
            host.Dispatch(effSetSampleRate, 0, 0, nullptr, step.rate);
        }
        host.Dispatch(effSetBlockSize, 0, step.announced);
        if (step.suspend) host.Resume();
        audio.Resize(static_cast<size_t>(step.frames), context.random());
        for (int repeat = 0; repeat < 4; ++repeat) {
            host.SendMidi(context.RandomNotes(16, step.frames));
            host.ProcessReplacing(audio.inputs, audio.outputs, step.frames);
            const std::string where = std::to_string(step.frames) + "-frame block announced as " +
                                      std::to_string(step.announced);
            for (int c = 0; c < 2; ++c)
                for (VstInt32 i = 0; i < step.frames; ++i)
                    if (audio.out[c][i] != audio.in[c][i])
                        return Outcome::Fail(where + ": audio changed at frame " +
                                             std::to_string(i));
            const std::string why = InvalidEvents(host.TakeRealtimeEvents(), step.frames);
            if (!why.empty()) return Outcome::Fail(where + ": " + why);
        }
    }
    return Outcome::Pass(std::to_string(std::size(steps)) + " changes");
}

} // namespace

void AddCarelessHostChecks(std::vector<Check>& checks) {
    checks.push_back({"careless.odd-chunk-sizes", 1, false, OddChunkSizes});
    checks.push_back({"careless.chunk-without-data", 1, false, NullChunkData});
    checks.push_back({"careless.null-channel-pointers", 1, false, NullChannelPointers});
    checks.push_back({"careless.zero-and-negative-frames", 1, false, ZeroAndNegativeFrames});
    checks.push_back({"careless.bad-event-counts", 1, false, BadEventCounts});
    checks.push_back({"careless.settings-changed", 1, false, SettingsChanged});
}

} // namespace moravox::host::validate
