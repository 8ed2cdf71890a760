// The real-time check of `moravox-host validate`: the plug-in's processing on a thread that
// counts heap use, kernel locks and system calls (realtime_guard.h) must count none. Between
// batches the parameters are randomized on another thread, as automation would.
#include "host/realtime/measured_thread.h"
#include "host/realtime/midi_block.h"
#include "host/validate/validate_check.h"

#include <cstdlib>
#include <cstring>

namespace moravox::host::validate {
namespace {

using realtime::Measure;
using realtime::Measurement;
using realtime::MidiBlock;
using realtime::RealtimeCounts;

Outcome AudioThread(Context& context) {
    constexpr int kFrames = 256;
    constexpr int kBatches = 8;
    const int perBatch = 50 * context.options().strictness;
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    answers.blockSize = kFrames;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    host.Resume();

    // Built beforehand: handing a block over allocates nothing.
    std::vector<std::unique_ptr<MidiBlock>> blocks;
    for (int b = 0; b < perBatch; ++b) {
        blocks.push_back(std::make_unique<MidiBlock>());
        for (const VstMidiEvent& event : context.RandomNotes(12, kFrames))
            blocks.back()->Add(event);
        blocks.back()->Add(0xB0 | b % 16, b % 120, b % 128, b % kFrames);
        blocks.back()->Add(0xE0 | b % 16, b % 128, 64, (b * 3) % kFrames);
    }
    Audio audio;
    audio.Resize(kFrames, context.random());
    auto run = [&](int b) {
        host.SendEvents(blocks[static_cast<size_t>(b)]->Events());
        if (b % 5 == 2)
            host.Process(audio.inputs, audio.outputs, kFrames);
        else
            host.ProcessReplacing(audio.inputs, audio.outputs, kFrames);
    };
    std::string invalid;
    auto collect = [&] {
        const std::string why = InvalidEvents(host.TakeRealtimeEvents(), kFrames);
        if (invalid.empty()) invalid = why;
    };
    Measurement measurement;
    measurement.batches = kBatches;
    measurement.warmUp = [&] {
        for (int b = 0; b < 8 && b < perBatch; ++b) run(b);
    };
    measurement.work = [&](int) {
        for (int b = 0; b < perBatch; ++b) run(b);
    };
    measurement.between = [&](int) {
        collect();
        context.RandomizeParameters(host);
    };
    const RealtimeCounts counts = Measure(measurement);
    collect();
    if (!counts.systemCallsTrapped) {
        // Valgrind runs the program on a virtual CPU of its own that has no seccomp filters.
        const char* preload = getenv("LD_PRELOAD");
        if (preload != nullptr && std::strstr(preload, "vgpreload") != nullptr)
            return Outcome::Skip("system calls cannot be trapped under valgrind");
        return Outcome::Fail("system calls could not be trapped");
    }
    if (!counts.Clean()) return Outcome::Fail(counts.Describe());
    if (!invalid.empty()) return Outcome::Fail("the plug-in sent " + invalid);
    return Outcome::Pass(std::to_string(kBatches * perBatch) +
                         " blocks without heap, kernel lock or system call");
}

} // namespace

void AddRealtimeChecks(std::vector<Check>& checks) {
    checks.push_back({"realtime.audio-thread", 3, false, AudioThread});
}

} // namespace moravox::host::validate
