#include "host/realtime/midi_block.h"

namespace moravox::realtime {

VstMidiEvent MakeMidiEvent(int status, int data1, int data2, int deltaFrames) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

MidiBlock::MidiBlock() {
    Events()->numEvents = 0;
}

bool MidiBlock::Add(const VstMidiEvent& event) {
    if (size_ == kCapacity) return false;
    events_[size_] = event;
    VstEvent** pointers = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(header_.data()) +
                                                       offsetof(VstEvents, events));
    pointers[size_] = reinterpret_cast<VstEvent*>(&events_[size_]);
    ++size_;
    Events()->numEvents = static_cast<VstInt32>(size_);
    return true;
}

bool MidiBlock::Add(int status, int data1, int data2, int deltaFrames) {
    return Add(MakeMidiEvent(status, data1, data2, deltaFrames));
}

VstEvents* MidiBlock::Events() {
    return reinterpret_cast<VstEvents*>(header_.data());
}

} // namespace moravox::realtime
