// The real-time check of `moravox-host validate`: the plug-in's processing on a thread that
// counts heap use, kernel locks and system calls (realtime_guard.h) must count none. Between
// batches the parameters are randomized on another thread, as automation would.
#include "host/realtime/measured_thread.h"
#include "host/realtime/midi_block.h"
#include "host/validate/validate_check.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

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

// The same while another thread of the host calls rand() without pause, as other plug-ins or
// the host itself may. A plug-in that draws from the C library's generator shares its lock
// and then waits in the kernel on the audio thread: worth knowing, so it is said, but not a
// failure of the plug-in alone.
Outcome WithRandElsewhere(Context& context) {
    constexpr int kFrames = 256;
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    answers.blockSize = kFrames;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    context.RandomizeParameters(host);
    // Moravox's C library generator ("STD", its panel-only parameter 20 at 0), with every
    // field drawn, so that each trigger draws.
    constexpr VstInt32 kMoravox = 0x4D56586E; // 'MVXn'
    if (host.Effect()->uniqueID == kMoravox) {
        constexpr VstInt32 kEnabled[] = {0, 3, 6, 9}, kInputType = 1, kGenerator = 20;
        for (const VstInt32 index : kEnabled) host.SetParameter(index, 1.0f);
        host.SetParameter(kInputType, 0.0f); // notes and controllers trigger
        host.SetParameter(kGenerator, 0.0f);
    }
    host.Resume();
    auto block = std::make_unique<MidiBlock>();
    for (const VstMidiEvent& event : context.RandomNotes(32, kFrames)) block->Add(event);
    Audio audio;
    audio.Resize(kFrames, context.random());
    std::atomic<bool> stop{false}, started{false};
    std::thread other([&] {
        started.store(true);
        while (!stop.load(std::memory_order_relaxed)) std::rand();
    });
    while (!started.load()) std::this_thread::yield();
    const int blocks = 400 * context.options().strictness;
    Measurement measurement;
    measurement.warmUp = [&] { host.ProcessReplacing(audio.inputs, audio.outputs, kFrames); };
    measurement.work = [&](int) {
        for (int b = 0; b < blocks; ++b) {
            host.SendEvents(block->Events());
            host.ProcessReplacing(audio.inputs, audio.outputs, kFrames);
        }
    };
    const RealtimeCounts counts = Measure(measurement);
    stop.store(true);
    other.join();
    host.TakeRealtimeEvents();
    if (!counts.systemCallsTrapped) return Outcome::Skip("system calls cannot be trapped here");
    if (counts.allocations != 0 || counts.frees != 0 || counts.mutexLocks != 0)
        return Outcome::Fail(counts.Describe());
    if (counts.systemCalls != 0)
        return Outcome::Pass("warning: " + std::to_string(counts.systemCalls) +
                             " kernel waits in " + std::to_string(blocks) +
                             " blocks while another thread called rand(): the plug-in draws "
                             "from the C library's generator, whose lock it shares");
    return Outcome::Pass(std::to_string(blocks) + " blocks, no wait");
}

} // namespace

void AddRealtimeChecks(std::vector<Check>& checks) {
    checks.push_back({"realtime.audio-thread", 3, false, AudioThread});
    checks.push_back({"realtime.rand-elsewhere", 3, false, WithRandElsewhere});
}

} // namespace moravox::host::validate
