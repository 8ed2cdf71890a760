// The per-block MIDI pipeline: classify, randomize, thin out, offset, repeat.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/rounding.h"
#include "engine/seed.h"
#include "engine/vstplugin.h"

using velk::engine::Load;
using velk::engine::Round;

namespace {

enum { NOTE_OFF = 0x80, NOTE_ON = 0x90, CONTROL_CHANGE = 0xB0, PROGRAM_CHANGE = 0xC0 };

struct Bytes {
    int status, channel, data1, data2;
};

Bytes Split(const velk::midi::midievent& event) {
    return {event.midiData[0] & 0xF0, event.midiData[0] & 0x0F, event.midiData[1] & 0x7F,
            event.midiData[2] & 0x7F};
}

constexpr int kMaxOffsetBlock = 1 << 24;

// An event's position moved by an offset, at most `cap`; a host's position may be anything.
VstInt32 Delayed(VstInt32 position, int offset, int cap) {
    const long long moved = static_cast<long long>(position) + offset;
    return static_cast<VstInt32>(std::min<long long>(moved, cap));
}

} // namespace

void VSTPlugin::Snapshot() {
    const VSTPluginProgram& p = CurrentProgram();
    Settings& s = settings;
    s.format = Load(p.formatEnable) != 0;
    s.channel = Load(p.channelEnable) != 0;
    s.number = Load(p.numberEnable) != 0;
    s.value = Load(p.valueEnable) != 0;
    s.thru = Load(p.midiThru) != 0;
    s.inThru = Load(p.midiInThru) != 0;
    s.presetSwitching = Load(p.presetSwitching) != 0;
    s.formatIn = Load(p.formatIn);
    s.formatOut = Load(p.formatOut);
    s.everyNth = Load(p.everyNth);
    s.eventCount = Load(p.eventCount);
    s.offset = velk::engine::Single(static_cast<float>(Load(p.randomOffset)) * 0.01f);
    s.channelRange.Set(Load(p.channelMin), Load(p.channelMax), 15);
    s.numberRange.Set(Load(p.numberMin), Load(p.numberMax), 127);
    s.valueRange.Set(Load(p.valueMin), Load(p.valueMax), 127);
    // Offsets are drawn within the block; sizes beyond any real host's (2^24
    // frames) are treated as that, which keeps every sum and product exact.
    s.blockSize = std::min(std::max(getBlockSize(), 0), kMaxOffsetBlock);
    s.blockModulus.Set(static_cast<uint32_t>(s.blockSize));
    // Generated events draw their offset over one more frame, 256 without a block size.
    s.extModulus.Set(static_cast<uint32_t>((s.blockSize >= 1 ? s.blockSize : 256) + 1));
    s.generator = &Generator();
    s.generatorKind = s.generator == &randomMersenne ? 1 : s.generator == &randomPM ? 2 : 0;
}

int VSTPlugin::processMidiEvent(midievent& event, int status, int channel, int data1, int data2,
                                bool repeat) {
    const Settings& s = settings;
    const int passThru = s.thru ? 2 : 0;

    if (status == NOTE_ON && data2 >= 1) {
        if (!s.format || (s.formatIn != 0 && s.formatIn != 1)) return passThru;
        if (s.inThru && !repeat && !noteOffRequest.load(std::memory_order_acquire)) {
            // Echo the trigger note itself, tracked so it can be ended later.
            if (notes.NoteOn(channel, data1, data2, static_cast<float>(event.noteLength))) {
                midievent echo = event;
                echo.Set(NOTE_ON + channel, data1, data2);
                output.Push(echo);
            }
        }
        Randomize(event, channel, data1, data2);
        return 1;
    }
    if (status == NOTE_OFF || status == NOTE_ON) {
        // The end of a trigger note follows the trigger-data switch.
        if (s.format && s.formatIn < 2) return s.inThru ? 2 : 0;
        return passThru;
    }
    if (status == CONTROL_CHANGE) {
        if (s.format && (s.formatIn == 0 || s.formatIn == 2)) {
            Randomize(event, channel, data1, data2);
            return 1;
        }
        return passThru;
    }
    if (status == PROGRAM_CHANGE && s.presetSwitching) {
        if (data1 < velk::engine::kNumPrograms) {
            setProgram(data1);
            Snapshot(); // the rest of the block follows the new program
        }
        return 0;
    }
    return passThru;
}

void VSTPlugin::Randomize(midievent& event, int channel, int data1, int data2) {
    // Chosen once per event, so the draws themselves need no virtual call.
    switch (settings.generatorKind) {
    case 1: RandomizeWith(randomMersenne, event, channel, data1, data2); break;
    case 2: RandomizeWith(randomPM, event, channel, data1, data2); break;
    default: RandomizeWith(*settings.generator, event, channel, data1, data2); break;
    }
}

template <class Random>
void VSTPlugin::RandomizeWith(Random& g, midievent& event, int channel, int data1, int data2) {
    const Settings& s = settings;
    int nibble = CONTROL_CHANGE;
    int value = data2;
    if (s.formatOut == 1) {
        nibble = PROGRAM_CHANGE;
        value = 0;
    } else if (s.value) {
        value = static_cast<int>(s.valueRange.Draw(g));
    }
    const int outChannel = s.channel ? static_cast<int>(s.channelRange.Draw(g)) : channel;
    const int number = s.number ? static_cast<int>(s.numberRange.Draw(g)) : data1;
    event.Set(nibble + (outChannel & 0x0F), number & 0x7F, value & 0x7F);
}

int VSTPlugin::Offset(const velk::engine::FastMod& modulus) {
    uint32_t draw;
    switch (settings.generatorKind) {
    case 1: draw = randomMersenne.Next(); break;
    case 2: draw = randomPM.Next(); break;
    default: draw = settings.generator->Integer(); break;
    }
    return Round(settings.offset * static_cast<float>(modulus.Mod(draw)));
}

void VSTPlugin::PassThrough(midievent& event) {
    const Bytes b = Split(event);
    if (b.status != NOTE_ON && b.status != NOTE_OFF) {
        if (settings.thru) output.Push(event);
        return;
    }
    if (noteOffRequest.load(std::memory_order_acquire)) return; // notes are being ended
    if (b.status == NOTE_ON && b.data2 >= 1) {
        if (!notes.NoteOn(b.channel, b.data1, b.data2, static_cast<float>(event.noteLength)))
            return;
        event.Set(NOTE_ON + b.channel, b.data1, b.data2);
        output.Push(event);
        return;
    }
    for (int ended = notes.NoteOff(b.channel, b.data1); ended > 0; ended--) {
        midievent off = event;
        off.Set(NOTE_OFF + b.channel, b.data1, 0);
        output.Push(off);
    }
}

void VSTPlugin::ServeRequests() {
    if (seedRequested.exchange(false, std::memory_order_acquire))
        velk::math::random::generator::SeedAll(randomSTD, randomMersenne, randomPM,
                                               requestedSeed.load(std::memory_order_acquire));
    // Requests beyond what the queues can carry in one block would only be
    // dropped there; serving them anyway would let a flood of panics or
    // triggers from another thread stretch this block without bound.
    const int panics = std::min(panicRequests.exchange(0, std::memory_order_acquire),
                                velk::midi::EventQueue::kCapacity / 32);
    for (int n = 0; n < panics; n++) QueuePanic();
    const int triggers = std::min(triggerRequests.exchange(0, std::memory_order_acquire),
                                  velk::midi::EventQueue::kCapacity);
    for (int n = 0; n < triggers; n++) midiExtProcess();
}

void VSTPlugin::midiInProcess() {
    Snapshot();
    ServeRequests();
    const Settings& s = settings;
    // Without a block size there is nothing to draw an offset from.
    const bool offset = s.offset >= 0.005f && s.blockSize > 0;

    midievent e;
    bool inputLeft = true;
    while (inputLeft && input.Pop(e)) {
        Bytes in = Split(e);
        const int result = processMidiEvent(e, in.status, in.channel, in.data1, in.data2, false);
        if (result == 0) continue;
        if (result == 2) {
            PassThrough(e);
            continue;
        }
        everyNthCounter++;
        if (offset) e.deltaFrames = Delayed(e.deltaFrames, Offset(s.blockModulus), s.blockSize);
        // Every Nth: later triggers stand in for this one until the count is full.
        while (everyNthCounter < s.everyNth) {
            midievent next;
            if (!input.Pop(next)) {
                inputLeft = false;
                break;
            }
            e = next;
            const Bytes b = Split(next);
            const int r = processMidiEvent(e, b.status, b.channel, b.data1, b.data2, false);
            if (r == 1) {
                everyNthCounter++;
                in = b;
            } else if (r == 2) {
                PassThrough(e);
            }
        }
        if (!inputLeft) break;
        everyNthCounter = 0;
        output.Push(e);
        // Event count: the same input, randomized anew. A repeat that is no
        // longer a trigger (the program changed meanwhile) ends the group.
        for (eventCountCounter = 1; eventCountCounter < s.eventCount; eventCountCounter++) {
            if (processMidiEvent(e, in.status, in.channel, in.data1, in.data2, true) != 1) break;
            if (offset) e.deltaFrames = Delayed(e.deltaFrames, Offset(s.blockModulus), s.blockSize);
            output.Push(e);
        }
        eventCountCounter = 0;
    }
    while (generated.Pop(e)) output.Push(e);
    while (control.Pop(e)) output.Push(e);
}

void VSTPlugin::midiExtProcess() {
    const Settings& s = settings;
    if (!s.format) return;
    SRandom& g = *s.generator;
    midievent e;
    for (int i = 0; i < s.eventCount; i++) {
        // Accumulates without a cap here; the hand-over keeps it inside the block.
        if (s.offset >= 0.0005f)
            e.deltaFrames = Delayed(e.deltaFrames, Offset(s.extModulus), INT32_MAX);
        int nibble = CONTROL_CHANGE;
        int value = 0;
        if (s.formatOut == 1)
            nibble = PROGRAM_CHANGE;
        else
            value = static_cast<int>(s.valueRange.Draw(g));
        const int channel = static_cast<int>(s.channelRange.Draw(g));
        const int number = static_cast<int>(s.numberRange.Draw(g));
        e.Set(nibble + (channel & 0x0F), number & 0x7F, value & 0x7F);
        if (!generated.Push(e)) return; // full: the rest would be dropped too
    }
}
