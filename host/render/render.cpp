#include "host/render/render.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace moravox::host {
namespace {

struct Timed {
    uint64_t sample;
    VstMidiEvent event;
};

bool EarlierTimed(const Timed& a, const Timed& b) {
    return a.sample < b.sample;
}

VstMidiEvent ToVst(const SmfEvent& event) {
    VstMidiEvent midi{};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof(VstMidiEvent);
    midi.midiData[0] = static_cast<char>(event.status);
    midi.midiData[1] = static_cast<char>(event.data1);
    midi.midiData[2] = static_cast<char>(event.data2);
    return midi;
}

// The channel messages of every track, in playing order, at the samples they fall in.
std::vector<Timed> Schedule(const SmfFile& input, const TempoMap& map) {
    std::vector<Timed> schedule;
    const auto channel = [](const SmfEvent& event) { return event.IsChannelMessage(); };
    for (const SmfEvent* event : MergedOrder(input, channel))
        schedule.push_back({map.SampleAt(event->tick), ToVst(*event)});
    return schedule;
}

// A VstEvents block with room for `capacity` events, made once and refilled every block.
class EventBlock {
public:
    explicit EventBlock(size_t capacity)
        : storage_(new VstIntPtr[Words(capacity)]()), events_(capacity) {}

    VstEvents* Fill(const Timed* first, size_t count, uint64_t blockStart) {
        VstEvents* block = reinterpret_cast<VstEvents*>(storage_.get());
        VstEvent** pointers = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(block) +
                                                           offsetof(VstEvents, events));
        for (size_t i = 0; i < count; ++i) {
            events_[i] = first[i].event;
            events_[i].deltaFrames = static_cast<VstInt32>(first[i].sample - blockStart);
            pointers[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        }
        block->numEvents = static_cast<VstInt32>(count);
        block->reserved = 0;
        return block;
    }

private:
    static size_t Words(size_t capacity) {
        const size_t slots = capacity > 2 ? capacity : 2; // VstEvents declares two
        const size_t bytes = sizeof(VstEvents) + (slots - 2) * sizeof(VstEvent*);
        return (bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr);
    }

    std::unique_ptr<VstIntPtr[]> storage_;
    std::vector<VstMidiEvent> events_;
};

// Silent audio for every pin the plug-in declares, processed in place as many hosts do: each
// output shares the buffer of the input with its number, so a plug-in that passes its audio
// through has nothing to copy. Outputs beyond the inputs get their own scratch buffers. The
// render never listens to the audio.
class AudioBuffers {
public:
    AudioBuffers(const AEffect& effect, uint32_t frames)
        : data_(static_cast<size_t>(std::max({effect.numInputs, effect.numOutputs, 0})) * frames,
                0.0f) {
        float* next = data_.data();
        for (VstInt32 i = 0; i < std::max(effect.numInputs, effect.numOutputs); ++i, next += frames) {
            if (i < effect.numInputs) inputs_.push_back(next);
            if (i < effect.numOutputs) outputs_.push_back(next);
        }
        inputs_.push_back(nullptr); // never an empty array, even without pins
        outputs_.push_back(nullptr);
    }
    float** Inputs() { return inputs_.data(); }
    float** Outputs() { return outputs_.data(); }

private:
    std::vector<float> data_;
    std::vector<float*> inputs_;
    std::vector<float*> outputs_;
};

size_t BusiestBlock(const std::vector<Timed>& schedule, uint32_t blockSize) {
    size_t busiest = 0;
    for (size_t i = 0, first = 0; i < schedule.size(); ++i) {
        if (schedule[i].sample / blockSize != schedule[first].sample / blockSize) first = i;
        busiest = std::max(busiest, i - first + 1);
    }
    return busiest;
}

SmfFile BuildOutput(const SmfFile& input, const std::vector<SmfEvent>& produced, bool keepInput) {
    SmfFile output;
    output.division = input.division;
    const uint64_t inputEnd = EndTick(input);
    const uint64_t end = produced.empty() ? inputEnd : std::max(inputEnd, produced.back().tick);
    SmfTrack rendered;
    rendered.endTick = end;
    if (keepInput) {
        output.format = 1;
        output.tracks.push_back({MergeTracks(input), inputEnd});
        rendered.events = produced;
        output.tracks.push_back(std::move(rendered));
        return output;
    }
    const auto conductor = [](const SmfEvent& event) {
        return event.IsMeta(kMetaTempo) || event.IsMeta(kMetaTimeSignature);
    };
    for (const SmfEvent* event : MergedOrder(input, conductor)) rendered.events.push_back(*event);
    // Tempo and time signature come before the messages at the same tick.
    const size_t meta = rendered.events.size();
    rendered.events.insert(rendered.events.end(), produced.begin(), produced.end());
    std::inplace_merge(rendered.events.begin(),
                       rendered.events.begin() + static_cast<std::ptrdiff_t>(meta),
                       rendered.events.end(),
                       [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    output.tracks.push_back(std::move(rendered));
    return output;
}

} // namespace

HostAnswers RenderAnswers(const RenderOptions& options) {
    HostAnswers answers;
    answers.sampleRate = static_cast<float>(options.sampleRate);
    answers.blockSize = static_cast<VstIntPtr>(options.blockSize);
    answers.realtimeEvents = true;
    return answers;
}

RenderResult Render(Host& host, const SmfFile& input, const RenderOptions& options,
                    const RenderProgress& progress) {
    RenderResult result;
    const uint32_t blockSize = std::max<uint32_t>(options.blockSize, 1);
    const TempoMap map = MakeTempoMap(input, options.sampleRate);
    const std::vector<Timed> schedule = Schedule(input, map);
    result.eventsIn = schedule.size();
    result.busiestBlock = BusiestBlock(schedule, blockSize);
    const uint64_t total =
        (schedule.empty() ? 0 : schedule.back().sample + 1) + options.tailSamples;
    if (host.Effect() == nullptr) return result;

    HostAnswers answers = host.Answers();
    if (!answers.realtimeEvents) { // the log would keep a copy of every call
        answers.realtimeEvents = true;
        host.SetAnswers(answers);
    }
    EventBlock block(result.busiestBlock);
    AudioBuffers audio(*host.Effect(), blockSize);
    std::vector<Timed> collected;
    host.TakeRealtimeEvents(); // nothing from before the first block belongs to the render
    host.Resume();
    for (uint32_t i = 0; i < options.prerollBlocks; ++i) {
        host.ProcessReplacing(audio.Inputs(), audio.Outputs(), static_cast<VstInt32>(blockSize));
        for (const VstMidiEvent& event : host.TakeRealtimeEvents()) collected.push_back({0, event});
    }
    const auto started = std::chrono::steady_clock::now();
    size_t next = 0;
    for (uint64_t start = 0; start < total; start += blockSize) {
        const uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(blockSize, total - start));
        size_t count = 0;
        while (next + count < schedule.size() && schedule[next + count].sample < start + frames) {
            ++count;
        }
        if (count > 0) host.SendEvents(block.Fill(&schedule[next], count, start));
        next += count;
        host.ProcessReplacing(audio.Inputs(), audio.Outputs(), static_cast<VstInt32>(frames));
        size_t dropped = 0;
        const size_t blockFirst = collected.size();
        for (const VstMidiEvent& event : host.TakeRealtimeEvents(&dropped)) {
            // An event stays inside the block it came with, whatever offset it claims.
            const uint64_t delta = static_cast<uint64_t>(
                std::clamp<VstInt32>(event.deltaFrames, 0, static_cast<VstInt32>(frames - 1)));
            collected.push_back({start + delta, event});
        }
        // A block's events come in the plug-in's order, not sorted by offset; every block's
        // lie after the one before's, so sorting each block sorts them all.
        const auto block = collected.begin() + static_cast<std::ptrdiff_t>(blockFirst);
        if (!std::is_sorted(block, collected.end(), EarlierTimed))
            std::stable_sort(block, collected.end(), EarlierTimed);
        result.lostOut += dropped;
        if (progress) progress(start + frames, total);
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    host.Suspend();
    result.samples = total;

    std::vector<SmfEvent> produced;
    for (const Timed& timed : collected) {
        const uint8_t status = static_cast<uint8_t>(timed.event.midiData[0]);
        if (status < 0x80 || status >= 0xF0) {
            ++result.unwritable;
            continue;
        }
        produced.push_back(ChannelEvent(map.TickAt(timed.sample), status,
                                        static_cast<uint8_t>(timed.event.midiData[1]) & 0x7F,
                                        static_cast<uint8_t>(timed.event.midiData[2]) & 0x7F));
    }
    result.eventsOut = produced.size();
    result.output = BuildOutput(input, produced, options.keepInput);
    return result;
}

} // namespace moravox::host
