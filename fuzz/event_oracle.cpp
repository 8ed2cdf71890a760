#include "event_oracle.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "violation.h"

namespace {

constexpr int kMaxEventsPerBlock = 256;

// MORAVOX_FUZZ_TRACE=1 lists every handed-over event, to follow a reproducer.
// Standard output gets a static buffer then: one it allocated itself would look
// like a leak to libFuzzer, which then runs the input a second time.
char traceBuffer[BUFSIZ];
const bool trace = getenv("MORAVOX_FUZZ_TRACE") != nullptr &&
                   setvbuf(stdout, traceBuffer, _IOLBF, sizeof(traceBuffer)) == 0;

void Trace(const VstMidiEvent& event, VstInt32 frames, VstInt32 index, VstInt32 count) {
    const auto* b = reinterpret_cast<const unsigned char*>(event.midiData);
    printf("out: frames %d event %d/%d delta %d midi %02x %02x %02x %02x\n", frames, index + 1,
           count, event.deltaFrames, b[0], b[1], b[2], b[3]);
}

bool WellFormed(const VstMidiEvent& event) {
    const auto* b = reinterpret_cast<const unsigned char*>(event.midiData);
    return b[0] >= 0x80 && b[1] <= 127 && b[2] <= 127 && b[3] == 0;
}

} // namespace

EventOracle::Record EventOracle::Key(const VstMidiEvent& event) {
    Record key;
    memcpy(key.data(), &event, sizeof(event));
    // The plug-in may move a passed-through event inside the block.
    memset(key.data() + offsetof(VstMidiEvent, deltaFrames), 0, sizeof(event.deltaFrames));
    return key;
}

void EventOracle::Remember(const VstMidiEvent& event) {
    inputs.insert(Key(event));
}

void EventOracle::BeginBlock(VstInt32 blockFrames) {
    frames = blockFrames;
    handed = 0;
}

void EventOracle::EndBlock() {
    frames = 0;
}

void EventOracle::Check(const VstEvents* events) {
    if (frames <= 0) Violation("MIDI handed to the host outside a processing block");
    if (!events) Violation("audioMasterProcessEvents without a VstEvents record");
    if (events->numEvents < 1 || events->numEvents > kMaxEventsPerBlock)
        Violation("numEvents outside 1..256");
    handed += events->numEvents;
    if (handed > kMaxEventsPerBlock) Violation("more than 256 events in one block");
    // The record's array is declared with two slots; the host reads numEvents of them.
    const VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents; i++) {
        const VstEvent* raw = list[i];
        if (!raw) Violation("null event pointer in the hand-over");
        const auto* event = reinterpret_cast<const VstMidiEvent*>(raw);
        if (trace) Trace(*event, frames, i, events->numEvents);
        if (event->type != kVstMidiType) Violation("handed-over event is not MIDI", event);
        if (event->deltaFrames < 0 || event->deltaFrames > frames - 1)
            Violation("deltaFrames outside [0, frames - 1]", event);
        if (!WellFormed(*event) && inputs.count(Key(*event)) == 0)
            Violation("event neither well-formed nor identical to an input event", event);
    }
}
