#include "engine/vstplugin.h"

#include <cstring>

#include "engine/random/seed.h"
#include "plugin/editor.h"

namespace {

// The audio pass-through. The i386 build copies with the processor's string
// instructions in place: there the C library's copy costs more than the copy itself.
#if defined(__i386__)
__attribute__((target("inline-all-stringops")))
#endif
void CopySamples(float* out, const float* in, VstInt32 frames) {
    memcpy(out, in, sizeof(float) * static_cast<size_t>(frames));
}

} // namespace

VSTPlugin::VSTPlugin(audioMasterCallback audioMaster, int& status)
    : SPlugin(audioMaster, status), generator(&randomMersenne) {
    clipboard.SetDefaults();
    outEvents.numEvents = 0;
    outEvents.reserved = 0;
    for (int i = 0; i < velk::midi::OutputBuffer::kCapacity; i++)
        outEvents.events[i] = reinterpret_cast<VstEvent*>(&output.Slots()[i]);
    // Program 1 decides the generator until the host selects a program.
    SelectGenerator(velk::engine::Load(bank[0].randomizer));
    velk::math::random::generator::SeedAtConstruction(randomSTD, randomMersenne, randomPM);
}

VSTPlugin::~VSTPlugin() {
    // Deleted without effClose too (a host's last resort): the panel's windows and timers
    // still read this object's parameters, so they go before any of it does.
    if (pluginEditor) pluginEditor->ReleaseGui();
}

void VSTPlugin::setSampleRate(float rate) {
    // A running plug-in is suspended around the change, as hosts expect.
    if (!IsSuspended()) {
        suspend();
        SPlugin::setSampleRate(rate);
        resume();
    } else {
        SPlugin::setSampleRate(rate);
    }
}

void VSTPlugin::setBlockSize(VstInt32 size) {
    SPlugin::setBlockSize(size);
}

VstInt32 VSTPlugin::processEvents(VstEvents* events) {
    if (!events || events->numEvents <= 0) return 0;
    VstEvent** list = events->events;
    input.PushEach(events->numEvents, [list](int i) -> const void* {
        const VstEvent* event = list[i];
        return event && event->type == kVstMidiType ? event : nullptr;
    });
    return 0;
}

void VSTPlugin::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    Block(inputs, outputs, sampleFrames, true);
}

void VSTPlugin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    Block(inputs, outputs, sampleFrames, false);
}

void VSTPlugin::Block(float** inputs, float** outputs, VstInt32 frames, bool accumulate) {
    if (IsSuspended()) return;
    blockLast = frames > 0 ? frames - 1 : -1;
    midiInProcess();
    if (inputs && outputs && frames > 0) {
        for (int c = 0; c < 2; c++) {
            const float* in = inputs[c];
            float* out = outputs[c];
            if (!in || !out) continue;
            if (accumulate) {
                for (VstInt32 i = 0; i < frames; i++) out[i] += in[i];
            } else if (in != out) {
                CopySamples(out, in, frames);
            }
        }
    }
    HandOver(frames);
    ServeNoteOffRequest();
}

void VSTPlugin::midiPostProcess() {
    HandOver(getBlockSize());
    ServeNoteOffRequest();
}

void VSTPlugin::HandOver(VstInt32 frames) {
    const int n = output.Count();
    if (n == 0) {
        clampedBegin = clampedEnd = 0;
        return;
    }
    const bool placed = frames > 0 && frames - 1 == blockLast;
    const int begin = placed ? clampedBegin : n;
    const int end = placed ? clampedEnd : n;
    clampedBegin = clampedEnd = 0;
    // A block without frames has no place for an event: they wait for the next one.
    if (frames <= 0) return;
    // Every event leaves inside the block it is handed over with.
    const VstInt32 last = frames - 1;
    midievent* slots = output.Slots();
    auto place = [slots, last](int from, int to) {
        for (int i = from; i < to; i++) {
            VstInt32& delta = slots[i].deltaFrames;
            if (delta < 0) delta = 0;
            if (delta > last) delta = last;
        }
    };
    place(0, begin);
    place(end, n);
    outEvents.numEvents = n;
    outEvents.reserved = 0;
    if (n > 0) sendVstEventsToHost(reinterpret_cast<VstEvents*>(&outEvents));
    output.Clear();
}

void VSTPlugin::ServeNoteOffRequest() {
    if (!noteOffRequest.load(std::memory_order_acquire)) return;
    if (!noteOffAcknowledged.load(std::memory_order_acquire)) {
        edit();
        if (noteOffRequest.load(std::memory_order_acquire))
            noteOffAcknowledged.store(true, std::memory_order_release);
    } else {
        noteOffRequest.store(false, std::memory_order_release);
        noteOffAcknowledged.store(false, std::memory_order_release);
    }
}

void VSTPlugin::edit() {
    notes.EndAll([this](int channel, int note) {
        midievent off;
        off.Set(0x80 + (channel & 0xff), note & 0xff, 0);
        control.Push(off);
    });
}

void VSTPlugin::QueuePanic() {
    for (int channel = 0; channel < 16; channel++) {
        midievent reset;
        reset.Set(0xB0 + channel, 120, 0);
        control.Push(reset);
        midievent bend;
        bend.Set(0xE0 + channel, 0, 64);
        control.Push(bend);
    }
}
