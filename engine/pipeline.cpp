// The per-block MIDI pipeline: classify, randomize, thin out, offset, repeat.
//
// The audio thread runs this for every input event, so the loop is a template on
// the active generator: its draws are inline, and what an event is follows from
// its status nibble through a table made once per block.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "engine/pipeline_steps.h"
#include "engine/program/rounding.h"
#include "engine/random/seed.h"
#include "engine/vstplugin.h"

using namespace velk::engine::steps;
using velk::engine::Load;
using velk::engine::Round;
using velk::math::random::generator::SRandomMersenne;
using velk::math::random::generator::SRandomPM;
using velk::math::random::generator::SRandomSTD;

// Made in pipeline_direct.cpp.
extern template bool VSTPlugin::DrainDirect(SRandomSTD&, bool);
extern template bool VSTPlugin::DrainDirect(SRandomMersenne&, bool);
extern template bool VSTPlugin::DrainDirect(SRandomPM&, bool);

namespace {

constexpr int KindOf(const SRandomSTD&) {
    return 0;
}
constexpr int KindOf(const SRandomMersenne&) {
    return 1;
}
constexpr int KindOf(const SRandomPM&) {
    return 2;
}

constexpr int kMaxOffsetBlock = 1 << 24;

// Word by word, which every build does inline.
template <class T> bool Same(const T& a, const T& b) {
    uint32_t x[sizeof(T) / 4], y[sizeof(T) / 4];
    memcpy(x, &a, sizeof(x));
    memcpy(y, &b, sizeof(y));
    uint32_t differ = 0;
    for (size_t i = 0; i < sizeof(T) / 4; i++) differ |= x[i] ^ y[i];
    return differ == 0;
}

} // namespace

template <class Fn> auto VSTPlugin::WithGenerator(Fn fn) {
    switch (settings.generatorKind) {
    case 1: return fn(randomMersenne);
    case 2: return fn(randomPM);
    default: return fn(randomSTD);
    }
}

void VSTPlugin::Snapshot() {
    // Most blocks find everything as it was: no program edited, the same program,
    // generator and block size. The count is taken before any field is read, so an
    // edit made while they are read shows at the next block.
    const Seen seen = {velk::engine::programEdits.load(std::memory_order_acquire), CurrentIndex(),
                       &Generator(), blockSize};
    if (settings.made && seen.edits == settings.seen.edits &&
        seen.program == settings.seen.program && seen.generator == settings.seen.generator &&
        seen.blockSize == settings.seen.blockSize)
        return;
    settings.seen = seen;
    // Reading the program is cheap, making the settings less so.
    const VSTPluginProgram& p = bank[seen.program];
    Sources now;
    auto byte = [](const uint8_t& flag) -> uint32_t { return Load(flag); };
    now.flags = byte(p.formatEnable) | byte(p.channelEnable) << 8 | byte(p.numberEnable) << 16 |
                byte(p.valueEnable) << 24;
    now.moreFlags = byte(p.midiThru) | byte(p.midiInThru) << 8 | byte(p.presetSwitching) << 16;
    now.formatIn = Load(p.formatIn);
    now.formatOut = Load(p.formatOut);
    now.everyNth = Load(p.everyNth);
    now.eventCount = Load(p.eventCount);
    now.randomOffset = Load(p.randomOffset);
    now.channelMin = Load(p.channelMin);
    now.channelMax = Load(p.channelMax);
    now.numberMin = Load(p.numberMin);
    now.numberMax = Load(p.numberMax);
    now.valueMin = Load(p.valueMin);
    now.valueMax = Load(p.valueMax);
    now.blockSize = seen.blockSize;
    const SRandom* active = seen.generator;
    now.generatorKind = active == &randomMersenne ? 1 : active == &randomPM ? 2 : 0;
    if (settings.made && Same(now, settings.sources)) return;
    settings.sources = now;
    settings.made = true;
    Make(now);
}

void VSTPlugin::Make(const Sources& from) {
    Settings& s = settings;
    s.format = from.flags & 0xFF;
    s.channel = from.flags & 0xFF00;
    s.number = from.flags & 0xFF0000;
    s.value = from.flags & 0xFF000000;
    s.thru = from.moreFlags & 0xFF;
    s.inThru = from.moreFlags & 0xFF00;
    s.presetSwitching = from.moreFlags & 0xFF0000;
    s.formatIn = from.formatIn;
    s.formatOut = from.formatOut;
    s.everyNth = from.everyNth;
    s.eventCount = from.eventCount;
    s.offset = velk::engine::Single(static_cast<float>(from.randomOffset) * 0.01f);
    s.channelRange.Set(from.channelMin, from.channelMax, 15);
    s.numberRange.Set(from.numberMin, from.numberMax, 127);
    s.valueRange.Set(from.valueMin, from.valueMax, 127);
    // Offsets are drawn within the block; sizes beyond any real host's (2^24
    // frames) are treated as that, which keeps every sum and product exact.
    s.blockSize = std::min(std::max(from.blockSize, 0), kMaxOffsetBlock);
    s.blockModulus.Set(static_cast<uint32_t>(s.blockSize));
    // Generated events draw their offset over one more frame, 256 without a block size.
    s.extModulus.Set(static_cast<uint32_t>((s.blockSize >= 1 ? s.blockSize : 256) + 1));
    s.generatorKind = from.generatorKind;
    s.generator = WithGenerator([](SRandom& g) { return &g; });

    // Triggers are note-ons ("N"), control changes ("CC") or both; the end of a
    // trigger note follows the trigger-data switch, everything else Midi Through.
    const Route pass = s.thru ? kPass : kDrop;
    std::fill(std::begin(s.route), std::end(s.route), pass);
    const bool notes = s.format && (s.formatIn == 0 || s.formatIn == 1);
    const bool controls = s.format && (s.formatIn == 0 || s.formatIn == 2);
    const Route noteEnd = s.format && s.formatIn < 2 ? (s.inThru ? kPass : kDrop) : pass;
    s.route[NOTE_ON >> 4] = notes ? kTrigger : pass;
    s.route[NOTE_OFF >> 4] = noteEnd;
    s.route[kSilentNoteOn] = noteEnd;
    s.route[CONTROL_CHANGE >> 4] = controls ? kTrigger : pass;
    if (s.presetSwitching) s.route[PROGRAM_CHANGE >> 4] = kProgramChange;
    // What the direct loop reads, when every trigger makes one event (with offsets, in
    // blocks that the offset table covers).
    const bool offsets = s.offset >= 0.005f && s.blockSize > 0;
    s.direct = s.everyNth <= 1 && s.eventCount <= 1 &&
               (!offsets || s.blockSize <= OffsetTable::kFrames);
    DirectPlan& d = s.plan;
    const bool programOut = s.formatOut == 1;
    d.value = velk::engine::DataField(s.value && !programOut, s.valueRange);
    d.channel = velk::engine::DataField(s.channel, s.channelRange);
    d.number = velk::engine::DataField(s.number, s.numberRange);
    d.spans = d.value.Spans() | d.channel.Spans() << 1 | d.number.Spans() << 2;
    const uint32_t status = programOut ? PROGRAM_CHANGE : CONTROL_CHANGE;
    d.base = (status + d.channel.Floor()) | d.number.Floor() << 8 | d.value.Floor() << 16;
    d.keptValue = programOut ? 0 : 0x7F;
    d.echo = s.inThru;
    d.frames = s.blockModulus;
    OffsetTable& table = s.offsetTable;
    if (offsets && s.direct && (table.scale != s.offset || table.frames != s.blockSize)) {
        // The offset of each draw, as the general loop computes it.
        for (int m = 0; m < s.blockSize; m++)
            table.offsets[m] = static_cast<uint16_t>(Round(s.offset * static_cast<float>(m)));
        table.scale = s.offset;
        table.frames = s.blockSize;
    }
    d.offsets = table.offsets;
    d.blockSize = s.blockSize;
    d.silent = s.route[kSilentNoteOn];
    for (int status = 0; status < 256; status++) {
        const Route r = s.route[status >> 4];
        s.byStatus[status] = r == kTrigger && s.inThru && (status & 0xF0) == NOTE_ON
                                 ? kEchoedTrigger
                                 : r;
    }
}

int VSTPlugin::processMidiEvent(midievent& event, int status, int channel, int data1, int data2,
                                bool repeat) {
    const Bytes in(status, channel, data1, data2);
    Message m;
    const int result = WithGenerator([&](auto& g) { return Classify(g, event, in, repeat, m); });
    if (result == 1) event.Set(m.status, m.data1, m.data2);
    return result;
}

// 0 drop, 1 trigger (`out` holds what it becomes), 2 pass through.
template <class Random>
inline int VSTPlugin::Classify(Random& g, const midievent& event, const Bytes& in, bool repeat,
                               Message& out) {
    const bool silent = in.StatusNibble() == NOTE_ON && in.Data2() == 0;
    switch (settings.route[silent ? kSilentNoteOn : in.StatusNibble() >> 4]) {
    case kDrop: return 0;
    case kPass: return 2;
    case kProgramChange:
        if (in.Data1() < velk::engine::kNumPrograms) {
            setProgram(in.Data1());
            Snapshot(); // the rest of the block follows the new program
        }
        return 0;
    case kTrigger:
    case kEchoedTrigger: break;
    }
    if (in.StatusNibble() == NOTE_ON && settings.inThru && !repeat) Echo(event, in);
    // A program change earlier in this block may have picked another generator.
    if (KindOf(g) == settings.generatorKind)
        out = RandomizeWith(g, in);
    else
        out = WithGenerator([&](auto& other) { return RandomizeWith(other, in); });
    return 1;
}

inline void VSTPlugin::Echo(const midievent& event, const Bytes& in) {
    // The trigger note itself, tracked so it can be ended later; not while notes are being ended.
    if (noteOffRequest.load(std::memory_order_acquire)) return;
    if (!notes.NoteOn(in.Channel(), in.Data1(), in.Data2(), static_cast<float>(event.noteLength)))
        return;
    if (midievent* echo = output.Append(event))
        echo->Set(NOTE_ON + in.Channel(), in.Data1(), in.Data2());
}

template <class Random>
inline VSTPlugin::Message VSTPlugin::RandomizeWith(Random& generator, const Bytes& in) {
    velk::engine::DrawRun<Random> g(generator);
    return Randomized(settings, g, in);
}

template <class Draws>
inline VSTPlugin::Message VSTPlugin::Randomized(const Settings& s, Draws& g, const Bytes& in) {
    // The draws come in this order: value, channel, number.
    int nibble = CONTROL_CHANGE;
    int value = in.Data2();
    if (s.formatOut == 1) {
        nibble = PROGRAM_CHANGE;
        value = 0;
    } else if (s.value) {
        value = static_cast<int>(s.valueRange.Draw(g));
    }
    const int channel = s.channel ? static_cast<int>(s.channelRange.Draw(g)) : in.Channel();
    const int number = s.number ? static_cast<int>(s.numberRange.Draw(g)) : in.Data1();
    return {nibble + (channel & 0x0F), number & 0x7F, value & 0x7F};
}

int VSTPlugin::Offset(const velk::engine::FastMod& modulus) {
    return WithGenerator([&](auto& g) { return OffsetWith(g, modulus); });
}

template <class Random>
inline int VSTPlugin::OffsetWith(Random& g, const velk::engine::FastMod& modulus) {
    const uint32_t draw = KindOf(g) == settings.generatorKind
                              ? velk::engine::NextOf(g)
                              : velk::engine::NextOf(*settings.generator);
    return Round(settings.offset * static_cast<float>(modulus.Mod(draw)));
}

void VSTPlugin::Emit(const midievent& event, VstInt32 delta, const Message& message) {
    if (midievent* slot = output.Append(event)) {
        slot->deltaFrames = delta;
        slot->Set(message.status, message.data1, message.data2);
    }
}

// Notes passed through are rewritten from their masked bytes, in the output and in `event`.
void VSTPlugin::PassThrough(midievent& event) {
    const Bytes b(event);
    if (b.StatusNibble() != NOTE_ON && b.StatusNibble() != NOTE_OFF) {
        if (settings.thru) output.Push(event);
        return;
    }
    if (noteOffRequest.load(std::memory_order_acquire)) return; // notes are being ended
    if (b.StatusNibble() == NOTE_ON && b.Data2() >= 1) {
        if (!notes.NoteOn(b.Channel(), b.Data1(), b.Data2(), static_cast<float>(event.noteLength)))
            return;
        if (midievent* on = output.Append(event))
            on->Set(NOTE_ON + b.Channel(), b.Data1(), b.Data2());
        event.Set(NOTE_ON + b.Channel(), b.Data1(), b.Data2());
        return;
    }
    for (int ended = notes.NoteOff(b.Channel(), b.Data1()); ended > 0; ended--)
        if (midievent* off = output.Append(event)) off->Set(NOTE_OFF + b.Channel(), b.Data1(), 0);
}

void VSTPlugin::midiInProcess() {
    Snapshot();
    ServeRequests();
    // Without a block size there is nothing to draw an offset from. Decided once
    // per block, even if a program change in the block alters the offset.
    const bool offset = settings.offset >= 0.005f && settings.blockSize > 0;
    if (!input.Empty())
        WithGenerator([&](auto& g) {
            if (!DrainDirect(g, offset)) Drain(g, offset);
        });
    midievent e;
    while (generated.Pop(e)) output.Push(e);
    while (control.Pop(e)) output.Push(e);
}

// The input event E stays as it came; its position and what it is randomized
// into are kept apart until each copy of it is emitted.
template <class Random> void VSTPlugin::Drain(Random& g, bool offset) {
    const Settings& s = settings;
    midievent e;
    Message m;
    while (input.Pop(e)) {
        Bytes in(e);
        const int result = Classify(g, e, in, false, m);
        if (result == 0) continue;
        if (result == 2) {
            PassThrough(e);
            continue;
        }
        everyNthCounter++;
        VstInt32 delta = e.deltaFrames;
        if (offset) delta = Delayed(delta, OffsetWith(g, s.blockModulus), s.blockSize);
        // Every Nth: later events take E's place until triggers fill the count;
        // without them the count goes on in the next block. A program change among
        // them can end the count with E as a non-trigger, which then leaves as it stands.
        bool randomized = true;
        while (everyNthCounter < s.everyNth) {
            if (!input.Pop(e)) return;
            const Bytes next(e);
            const int r = Classify(g, e, next, false, m);
            randomized = r == 1;
            delta = e.deltaFrames;
            if (r == 1) {
                everyNthCounter++;
                in = next;
            } else if (r == 2) {
                PassThrough(e);
            }
        }
        everyNthCounter = 0;
        if (randomized)
            Emit(e, delta, m);
        else
            output.Push(e);
        // Event count: the same input, randomized anew. A repeat that is no
        // longer a trigger (the program changed meanwhile) ends the group.
        for (int repeats = 1; repeats < s.eventCount; repeats++) {
            if (Classify(g, e, in, true, m) != 1) break;
            if (offset) delta = Delayed(delta, OffsetWith(g, s.blockModulus), s.blockSize);
            Emit(e, delta, m);
        }
    }
}

namespace {

// Takes what another thread has raised. Most blocks have nothing to take, and a
// plain read costs far less than the locked exchange.
template <class T> T Take(std::atomic<T>& request) {
    if (request.load(std::memory_order_relaxed) == T{}) return T{};
    return request.exchange(T{}, std::memory_order_acquire);
}

} // namespace

void VSTPlugin::ServeRequests() {
    // Raised after each request, so one read tells most blocks there is none.
    if (!Take(requested)) return;
    if (Take(seedRequested))
        velk::math::random::generator::SeedAll(randomSTD, randomMersenne, randomPM,
                                               requestedSeed.load(std::memory_order_acquire));
    // Requests beyond what the queues can carry in one block would only be
    // dropped there; serving them anyway would let a flood of panics or
    // triggers from another thread stretch this block without bound.
    const int panics = std::min(Take(panicRequests), velk::midi::EventQueue::kCapacity / 32);
    for (int n = 0; n < panics; n++) QueuePanic();
    const int triggers = std::min(Take(triggerRequests), velk::midi::EventQueue::kCapacity);
    for (int n = 0; n < triggers; n++) midiExtProcess();
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
