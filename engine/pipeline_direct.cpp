// The direct loop: a block's events while every trigger makes one event, each
// read where it lies in the input ring and written once, into the output.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <utility>

#include "engine/pipeline_steps.h"
#include "engine/vstplugin.h"

using namespace velk::engine::steps;
using velk::math::random::generator::SRandomMersenne;
using velk::math::random::generator::SRandomPM;
using velk::math::random::generator::SRandomSTD;

namespace {

void Place(velk::midi::midievent& event, VstInt32 from, VstInt32 to) {
    event.deltaFrames = std::min(std::max(event.deltaFrames, from), to);
}

// Kind: which of value (1), channel (2) and number (4) draw from an ordinary range,
// whether triggers are moved by an offset (8) and whether trigger notes echo (16).
constexpr int kSpanKinds = 7;
constexpr int kOffsetKind = 8;
constexpr int kEchoKind = 16;
constexpr int kKinds = 32;

using OutputBuffer = velk::midi::OutputBuffer;
// A run writes at most two events for each event in the input ring, past the end if need be.
static_assert(OutputBuffer::kOverrun >= 2 * velk::midi::EventQueue::kCapacity);

} // namespace

// A run of the direct loop for each kind, chosen once per block.
template <class Random> struct VSTPlugin::DirectRuns {
    using Run = bool (VSTPlugin::*)(Random&, VstInt32, VstInt32);
    template <int... K> static constexpr std::array<Run, kKinds> Make(std::integer_sequence<int, K...>) {
        return {&VSTPlugin::DirectRun<Random, K>...};
    }
    static constexpr std::array<Run, kKinds> runs = Make(std::make_integer_sequence<int, kKinds>{});
};

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
    const int kind =
        (s.plan.spans & kSpanKinds) | (offset ? kOffsetKind : 0) | (s.plan.echo ? kEchoKind : 0);
    return (this->*DirectRuns<Random>::runs[kind])(generator, from, to);
}

template <class Random, int Kind>
bool VSTPlugin::DirectRun(Random& generator, VstInt32 placeFrom, VstInt32 placeTo) {
    // A delta is moved only when it lies outside the block: one unsigned comparison.
    const uint32_t inside = placeFrom == 0 ? static_cast<uint32_t>(placeTo) : UINT32_MAX;
    midievent* const first = output.Slots() + output.Count();
    midievent* out = first; // the next free output slot
    uint32_t next = input.First();
    const uint32_t last = input.Last();
    bool done = true;
    bool triggered = false;
    for (;;) {
        next = DirectTriggers<Random, Kind>(generator, next, last, placeTo, inside, out, triggered);
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
// keeps can stay in a register. It writes on past a full output, into its spare slots, and
// what went there is dropped when it returns.
template <class Random, int Kind>
uint32_t VSTPlugin::DirectTriggers(Random& generator, uint32_t next, uint32_t last,
                                   VstInt32 placeTo, uint32_t inside, midievent*& outSlot,
                                   bool& triggered) {
    const DirectPlan p = settings.plan; // in locals: no write to an event can alias it
    const Route* const byStatus = settings.byStatus;
    velk::engine::DrawRun<Random> g(generator);
    midievent* const start = outSlot;
    midievent* out = start;
    while (next != last) {
        // The events up to the ring's end lie in one piece: walked by pointer.
        const midievent* const piece = &input.At(next);
        const midievent* const stop = piece + input.InOnePiece(next, last);
        const midievent* at = piece;
        for (; at != stop; at++) {
            const midievent& e = *at;
            const Bytes in(e);
            const uint32_t word = e.Word();
            const Route r = (word & 0x7F00F0u) == NOTE_ON ? p.silent : byStatus[word & 0xFF];
            if (__builtin_expect(r != kTrigger, 0)) {
                if (!(Kind & kEchoKind) || r != kEchoedTrigger) {
                    if (r == kDrop) continue;
                    break;
                }
                // The trigger note itself, tracked, unless notes are being ended.
                if (!noteOffRequest.load(std::memory_order_acquire) &&
                    notes.NoteOn(in.Channel(), in.Data1(), in.Data2(),
                                 static_cast<float>(e.noteLength))) {
                    *out = e;
                    if (static_cast<uint32_t>(e.deltaFrames) > inside)
                        out->deltaFrames = e.deltaFrames < 0 ? 0 : placeTo;
                    out->SetWord(word & 0x7F7FFFu);
                    out++;
                }
            }
            // Copied at once, so that the draws need nothing more of the input.
            VstInt32 delta = e.deltaFrames;
            *out = e;
            // The draws come in this order: value, channel, number, offset.
            const uint32_t v =
                p.value.Make<(Kind & 1) != 0>(g, static_cast<uint32_t>(in.Data2()) & p.keptValue);
            const uint32_t c =
                p.channel.Make<(Kind & 2) != 0>(g, static_cast<uint32_t>(in.Channel()));
            const uint32_t n =
                p.number.Make<(Kind & 4) != 0>(g, static_cast<uint32_t>(in.Data1()));
            if (Kind & kOffsetKind)
                delta =
                    Delayed(delta, p.offsets[p.frames.Mod(velk::engine::NextOf(g))], p.blockSize);
            out->deltaFrames =
                static_cast<uint32_t>(delta) <= inside ? delta : delta < 0 ? 0 : placeTo;
            // Every field is made inside its range (see DataField) and the low ends are in
            // the base, each in its byte: no byte needs a mask and no sum carries.
            out->SetWord(p.base + (c | n << 8 | v << 16));
            out++;
        }
        next += static_cast<uint32_t>(at - piece);
        if (at != stop) break; // an event that is neither trigger nor dropped
    }
    // Every trigger wrote at least one event, dropped events none.
    triggered = triggered || out != start;
    midievent* const end = output.Slots() + OutputBuffer::kCapacity;
    outSlot = out < end ? out : end;
    return next;
}

// The three the pipeline draws with.
template bool VSTPlugin::DrainDirect(SRandomSTD&, bool);
template bool VSTPlugin::DrainDirect(SRandomMersenne&, bool);
template bool VSTPlugin::DrainDirect(SRandomPM&, bool);
