// Programs and state: names, switching and restoring, chunks that survive a round trip byte
// for byte, and chunks set from another thread while the audio thread runs.
#include "host/validate/validate_check.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace moravox::host::validate {
namespace {

Outcome ProgramNames(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    const int programs = host.Effect()->numPrograms;
    for (int i = 0; i < programs; ++i) {
        const std::string name = host.ProgramName(i);
        // Hosts hand out 64-byte buffers at most.
        if (name.size() >= 64)
            return Outcome::Fail("program " + std::to_string(i) + " has a name of " +
                                 std::to_string(name.size()) + " characters");
    }
    // Out of range indexes answer nothing instead of reading past the bank.
    for (int index : {-1, programs, programs + 1000}) {
        char text[Host::kStringBufferSize] = {};
        host.Dispatch(effGetProgramNameIndexed, index, 0, text);
        if (std::strlen(text) >= 64)
            return Outcome::Fail("program name " + std::to_string(index) + " overruns");
    }
    return Outcome::Pass(std::to_string(programs) + " programs");
}

Outcome SwitchAndRestore(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    const int programs = host.Effect()->numPrograms;
    const VstIntPtr original = host.Dispatch(effGetProgram);
    const std::vector<float> originalValues = Parameters(host);
    for (int i = 0; i < programs; ++i) {
        host.Dispatch(effSetProgram, 0, i);
        if (host.Dispatch(effGetProgram) != i)
            return Outcome::Fail("effSetProgram " + std::to_string(i) + " did not take");
        const std::string current = host.GetString(effGetProgramName);
        char indexed[Host::kStringBufferSize] = {};
        if (host.Dispatch(effGetProgramNameIndexed, i, 0, indexed) != 0 && current != indexed)
            return Outcome::Fail("program " + std::to_string(i) + " is called '" + current +
                                 "' and '" + indexed + "'");
    }
    host.Dispatch(effSetProgram, 0, original);
    if (host.Dispatch(effGetProgram) != original) return Outcome::Fail("restore did not take");
    if (Parameters(host) != originalValues)
        return Outcome::Fail("parameters differ after switching back");
    return Outcome::Pass();
}

// Randomized state, saved, loaded into a fresh instance and saved again: the same bytes.
// Parameters are not compared: some (a panic switch) belong to the instance, not the program.
Outcome ChunkRoundTrip(Context& context, bool program) {
    std::string error;
    auto source = context.Load(error);
    auto target = context.Load(error);
    if (source == nullptr || target == nullptr) return Outcome::Fail(error);
    if (!(source->host.Effect()->flags & effFlagsProgramChunks))
        return Outcome::Skip("the plug-in keeps no chunks");
    const int programs = program ? 1 : source->host.Effect()->numPrograms;
    for (int i = 0; i < programs; ++i) {
        if (!program) source->host.Dispatch(effSetProgram, 0, i);
        context.RandomizeParameters(source->host);
    }
    const std::vector<char> saved = GetChunk(source->host, program);
    if (saved.empty()) return Outcome::Fail("no chunk");
    SetChunk(target->host, saved, program);
    const std::string difference = FirstDifference(saved, GetChunk(target->host, program));
    if (!difference.empty()) return Outcome::Fail("reloaded chunk differs: " + difference);
    return Outcome::Pass(std::to_string(saved.size()) + " bytes");
}

Outcome ProgramChunk(Context& context) {
    return ChunkRoundTrip(context, true);
}

Outcome BankChunk(Context& context) {
    return ChunkRoundTrip(context, false);
}

// A host restoring a session while the transport runs.
Outcome ChunksWhileProcessing(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    auto donor = context.Load(error);
    if (plugin == nullptr || donor == nullptr) return Outcome::Fail(error);
    std::vector<std::vector<char>> chunks[2];
    for (int i = 0; i < 4; ++i) {
        context.RandomizeParameters(donor->host);
        chunks[0].push_back(GetChunk(donor->host, true));
        chunks[1].push_back(GetChunk(donor->host, false));
    }
    Host& host = plugin->host;
    host.Resume();
    std::atomic<bool> stop{false};
    std::string invalid;
    const int frames = 64;
    std::vector<VstMidiEvent> notes = context.RandomNotes(12, frames);
    std::thread audio([&] {
        Audio buffers;
        std::mt19937 random(context.options().seed);
        buffers.Resize(frames, random);
        while (!stop.load(std::memory_order_acquire)) {
            host.SendMidi(notes);
            host.ProcessReplacing(buffers.inputs, buffers.outputs, frames);
            const std::string why = InvalidEvents(host.TakeRealtimeEvents(), frames);
            if (!why.empty() && invalid.empty()) invalid = why;
        }
    });
    const int rounds = 50 * context.options().strictness;
    for (int i = 0; i < rounds; ++i) {
        const bool program = (i % 3) != 0;
        const auto& set = chunks[program ? 0 : 1];
        SetChunk(host, set[static_cast<size_t>(i) % set.size()], program);
    }
    stop.store(true, std::memory_order_release);
    audio.join();
    if (!invalid.empty()) return Outcome::Fail("while loading chunks the plug-in sent " + invalid);
    const std::vector<char> last = chunks[0][static_cast<size_t>(rounds - 1) % chunks[0].size()];
    SetChunk(host, last, true);
    const std::string difference = FirstDifference(last, GetChunk(host, true));
    if (!difference.empty()) return Outcome::Fail("state damaged afterwards: " + difference);
    return Outcome::Pass(std::to_string(rounds) + " chunks");
}

// A session saved and reopened: a fresh instance given the saved bank and program plays what
// the first one plays. Plug-ins that draw at random are asked to reseed both alike with the
// vendor request Moravox answers; where nobody answers it, only the kinds of events compare.
Outcome RestorePlaysTheSame(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto first = context.Load(error, answers);
    auto second = context.Load(error, answers);
    if (first == nullptr || second == nullptr) return Outcome::Fail(error);
    if (!(first->host.Effect()->flags & effFlagsProgramChunks))
        return Outcome::Skip("the plug-in keeps no chunks");
    const int programs = first->host.Effect()->numPrograms;
    for (int i = 0; i < programs; ++i) {
        first->host.Dispatch(effSetProgram, 0, i);
        context.RandomizeParameters(first->host);
    }
    const VstIntPtr current = programs > 0 ? context.Below(programs) : 0;
    first->host.Dispatch(effSetProgram, 0, current);
    SetChunk(second->host, GetChunk(first->host, false), false);
    second->host.Dispatch(effSetProgram, 0, current);
    SetChunk(second->host, GetChunk(first->host, true), true);
    constexpr VstInt32 kSeedRequest = 0x4D565873; // 'MVXs'
    constexpr int kWarmUpFrames = 64;
    // Two silent blocks first: what a switch does once (a panic, the end of the old program's
    // notes) is done before the blocks that are compared.
    Audio silence;
    silence.Resize(kWarmUpFrames, context.random());
    bool seeded = true;
    for (auto* plugin : {first.get(), second.get()}) {
        plugin->host.Resume();
        for (int block = 0; block < 2; ++block)
            plugin->host.ProcessReplacing(silence.inputs, silence.outputs, kWarmUpFrames);
        plugin->host.TakeRealtimeEvents();
        seeded = plugin->host.Dispatch(effVendorSpecific, kSeedRequest, 7) == 1 && seeded;
    }
    // One instance after the other: a generator the whole process shares (the C library's)
    // then repeats its sequence for the second.
    constexpr int kFrames = 128, kBlocks = 64;
    Audio audio;
    audio.Resize(kFrames, context.random());
    std::vector<std::vector<VstMidiEvent>> notes;
    for (int block = 0; block < kBlocks; ++block) notes.push_back(context.RandomNotes(8, kFrames));
    std::vector<std::vector<VstMidiEvent>> played[2];
    for (int i = 0; i < 2; ++i) {
        Host& host = (i == 0 ? first : second)->host;
        for (int block = 0; block < kBlocks; ++block) {
            host.SendMidi(notes[static_cast<size_t>(block)]);
            host.ProcessReplacing(audio.inputs, audio.outputs, kFrames);
            played[i].push_back(host.TakeRealtimeEvents());
        }
    }
    for (size_t block = 0; block < kBlocks; ++block) {
        const auto &a = played[0][block], &b = played[1][block];
        bool same = a.size() == b.size();
        for (size_t e = 0; same && e < a.size(); ++e) {
            same = seeded ? a[e].deltaFrames == b[e].deltaFrames &&
                                std::memcmp(a[e].midiData, b[e].midiData, 3) == 0
                          : (a[e].midiData[0] & 0xF0) == (b[e].midiData[0] & 0xF0);
        }
        if (!same)
            return Outcome::Fail("block " + std::to_string(block) + ": the restored instance sent " +
                                 std::to_string(b.size()) + " events, the first " +
                                 std::to_string(a.size()) + (a.size() == b.size() ? ", not the same" : ""));
    }
    return Outcome::Pass(seeded ? "64 blocks, event for event" : "64 blocks, kinds of event only");
}

} // namespace

void AddStateChecks(std::vector<Check>& checks) {
    checks.push_back({"programs.names", 1, false, ProgramNames});
    checks.push_back({"programs.switch-and-restore", 1, false, SwitchAndRestore});
    checks.push_back({"state.program-chunk-round-trip", 1, false, ProgramChunk});
    checks.push_back({"state.bank-chunk-round-trip", 1, false, BankChunk});
    checks.push_back({"state.chunks-while-processing", 3, false, ChunksWhileProcessing});
    checks.push_back({"state.restore-plays-the-same", 1, false, RestorePlaysTheSame});
}

} // namespace moravox::host::validate
