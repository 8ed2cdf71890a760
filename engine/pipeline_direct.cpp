// The direct loop: a block's events while every trigger makes one event, each
// read where it lies in the input ring and written once, into the output.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "engine/pipeline_steps.h"
#include "engine/program/rounding.h"
#include "engine/vstplugin.h"

using namespace velk::engine::steps;
using velk::engine::Round;
using velk::math::random::generator::SRandomMersenne;
using velk::math::random::generator::SRandomPM;
using velk::math::random::generator::SRandomSTD;

namespace {

void Place(velk::midi::midievent& event, VstInt32 from, VstInt32 to) {
    event.deltaFrames = std::min(std::max(event.deltaFrames, from), to);
}

} // namespace

// The block's events while every trigger makes one event: each is read where it
// lies in the input ring and written once, into the output, from a plan of the
// settings held in locals that no write to an event can alias, with the
// generator's position in registers. The draws and what they make are those of
// Drain. A program change stops it: false leaves that event and the rest to Drain.
template <class Random> bool VSTPlugin::DrainDirect(Random& generator, bool offset) {
    const Settings& s = settings;
    if (!s.direct) return false;
    // Placed inside the block as they are written, unless it has no frames.
    const VstInt32 from = blockLast >= 0 ? 0 : INT32_MIN;
    const VstInt32 to = blockLast >= 0 ? blockLast : INT32_MAX;
    switch (s.plan.spans) {
    case 0: return DirectRun<Random, 0>(generator, offset, from, to);
    case 1: return DirectRun<Random, 1>(generator, offset, from, to);
    case 2: return DirectRun<Random, 2>(generator, offset, from, to);
    case 3: return DirectRun<Random, 3>(generator, offset, from, to);
    case 4: return DirectRun<Random, 4>(generator, offset, from, to);
    case 5: return DirectRun<Random, 5>(generator, offset, from, to);
    case 6: return DirectRun<Random, 6>(generator, offset, from, to);
    default: return DirectRun<Random, 7>(generator, offset, from, to);
    }
}

// Spans: which of value (1), channel (2) and number (4) draw from an ordinary range.
template <class Random, int Spans>
bool VSTPlugin::DirectRun(Random& generator, bool offset, VstInt32 placeFrom, VstInt32 placeTo) {
    // A delta is moved only when it lies outside the block: one unsigned comparison.
    const uint32_t inside = placeFrom == 0 ? static_cast<uint32_t>(placeTo) : UINT32_MAX;
    midievent* const first = output.Slots() + output.Count();
    midievent* out = first; // the next free output slot
    uint32_t next = input.First();
    const uint32_t last = input.Last();
    bool done = true;
    bool triggered = false;
    for (;;) {
        next = DirectTriggers<Random, Spans>(generator, next, last, offset, placeTo, inside, out,
                                             triggered);
        if (next == last) break;
        const midievent& e = input.At(next);
        const uint32_t word = e.Word();
        const Route r = (word & 0x7F00F0u) == NOTE_ON ? settings.plan.silent
                                                       : settings.byStatus[word & 0xFF];
        if (r != kPass) { // a program change
            done = false;
            break;
        }
        output.SetCount(static_cast<int>(out - output.Slots()));
        midievent passed = e;
        PassThrough(passed);
        for (midievent* filled = output.Slots() + output.Count(); out != filled; out++)
            Place(*out, placeFrom, placeTo);
        next++;
    }
    if (triggered) everyNthCounter = 0; // counts of one: every trigger ends its count
    output.SetCount(static_cast<int>(out - output.Slots()));
    if (placeFrom == 0) {
        clampedBegin = static_cast<int>(first - output.Slots());
        clampedEnd = output.Count();
    }
    input.Release(next);
    return done;
}

// The triggers and dropped events from `next` on, up to the first event that is neither
// (or `last`): a loop that calls nothing where the generator is inline, so every value it
// keeps can stay in a register.
template <class Random, int Spans>
uint32_t VSTPlugin::DirectTriggers(Random& generator, uint32_t next, uint32_t last, bool offset,
                                   VstInt32 placeTo, uint32_t inside, midievent*& outSlot,
                                   bool& triggered) {
    const DirectPlan p = settings.plan; // in locals: no write to an event can alias it
    const Route* const byStatus = settings.byStatus;
    velk::engine::DrawRun<Random> g(generator);
    midievent* out = outSlot;
    midievent* const end = output.Slots() + velk::midi::OutputBuffer::kCapacity;
    bool any = false;
    for (; next != last; next++) {
        const midievent& e = input.At(next);
        const Bytes in(e);
        const uint32_t word = e.Word();
        const Route r = (word & 0x7F00F0u) == NOTE_ON ? p.silent : byStatus[word & 0xFF];
        if (__builtin_expect(r != kTrigger, 0)) {
            if (r == kDrop) continue;
            break;
        }
        any = true;
        // Echo, inline: the trigger note itself, tracked, unless notes are being ended.
        if (p.echo && in.StatusNibble() == NOTE_ON &&
            !noteOffRequest.load(std::memory_order_acquire) &&
            notes.NoteOn(in.Channel(), in.Data1(), in.Data2(), static_cast<float>(e.noteLength)) &&
            out != end) {
            *out = e;
            if (static_cast<uint32_t>(e.deltaFrames) > inside)
                out->deltaFrames = e.deltaFrames < 0 ? 0 : placeTo;
            out->SetWord(word & 0x7F7FFFu);
            out++;
        }
        // The draws come in this order: value, channel, number, offset.
        const uint32_t v =
            p.value.Make<(Spans & 1) != 0>(g, static_cast<uint32_t>(in.Data2()) & p.keptValue);
        const uint32_t c = p.channel.Make<(Spans & 2) != 0>(g, static_cast<uint32_t>(in.Channel()));
        const uint32_t n = p.number.Make<(Spans & 4) != 0>(g, static_cast<uint32_t>(in.Data1()));
        VstInt32 delta = e.deltaFrames;
        if (offset)
            delta = Delayed(
                delta, Round(p.scale * static_cast<float>(p.frames.Mod(velk::engine::NextOf(g)))),
                p.blockSize);
        if (out != end) {
            *out = e;
            out->deltaFrames =
                static_cast<uint32_t>(delta) <= inside ? delta : delta < 0 ? 0 : placeTo;
            // Every field is made inside its range (see DataField): no byte needs a mask.
            out->SetWord((p.status + c) | n << 8 | v << 16);
            out++;
        }
    }
    outSlot = out;
    triggered = triggered || any;
    return next;
}

// The three the pipeline draws with.
template bool VSTPlugin::DrainDirect(SRandomSTD&, bool);
template bool VSTPlugin::DrainDirect(SRandomMersenne&, bool);
template bool VSTPlugin::DrainDirect(SRandomPM&, bool);
