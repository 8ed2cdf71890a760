// MIDI events as the host sees them, and the fixed ring the engine queues them in.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

#include "plugin/protocol/vst_abi.h"

namespace velk {
namespace midi {

// Laid out exactly as VstMidiEvent, so it can be handed to the host as is.
struct midievent {
    VstInt32 type = kVstMidiType;
    VstInt32 byteSize = 24;
    VstInt32 deltaFrames = 0;
    VstInt32 flags = 0;
    VstInt32 noteLength = 0;
    VstInt32 noteOffset = 0;
    unsigned char midiData[4] = {0, 0, 0, 0};
    char detune = 0;
    unsigned char noteOffVelocity = 0;
    char reserved1 = 0;
    char reserved2 = 0;

    // The four MIDI bytes as one word, the status in the low byte.
    uint32_t Word() const {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        uint32_t word;
        memcpy(&word, midiData, sizeof(word));
        return word;
#else
        return static_cast<uint32_t>(midiData[0]) | static_cast<uint32_t>(midiData[1]) << 8 |
               static_cast<uint32_t>(midiData[2]) << 16 | static_cast<uint32_t>(midiData[3]) << 24;
#endif
    }
    void SetWord(uint32_t word) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        memcpy(midiData, &word, sizeof(word));
#else
        for (int i = 0; i < 4; i++) midiData[i] = static_cast<unsigned char>(word >> (8 * i));
#endif
    }
    void Set(unsigned status, unsigned data1, unsigned data2) {
        midiData[0] = static_cast<unsigned char>(status);
        midiData[1] = static_cast<unsigned char>(data1);
        midiData[2] = static_cast<unsigned char>(data2);
        midiData[3] = 0;
    }
};
static_assert(sizeof(midievent) == sizeof(VstMidiEvent), "midievent mirrors VstMidiEvent");
static_assert(sizeof(midievent) == 32, "32-byte event");

// A ring of 256 events with one producer thread and one consumer thread. Each
// side owns one running index and only reads the other's, so neither ever
// needs a locked instruction; a full ring drops the newest event.
class EventQueue {
public:
    static constexpr int kCapacity = 256;

    bool Push(const midievent& event) {
        const uint32_t head = written.load(std::memory_order_relaxed);
        if (head - taken.load(std::memory_order_acquire) >= kCapacity) return false;
        slots[head % kCapacity] = event;
        written.store(head + 1, std::memory_order_release);
        return true;
    }

    // Pushes the 32 bytes at each non-null `next(i)`, i = 0..count-1, as they
    // are, each dropped when the ring is full. The events go into a stretch of
    // slots up to the ring's end or the last free slot, whichever comes first; only
    // there are the wrap and the consumer's index looked at.
    template <class Next> void PushEach(int count, Next next) {
        uint32_t head = written.load(std::memory_order_relaxed);
        uint32_t end = taken.load(std::memory_order_acquire) + kCapacity;
        midievent* first = &slots[head % kCapacity];
        midievent* slot = first;
        midievent* stop = first + Stretch(head, end);
        for (int i = 0; i < count; i++) {
            const void* event = next(i);
            if (!event) continue;
            if (slot == stop) {
                head += static_cast<uint32_t>(slot - first);
                if (head == end) end = taken.load(std::memory_order_acquire) + kCapacity;
                first = slot = &slots[head % kCapacity];
                stop = first + Stretch(head, end);
                if (slot == stop) continue; // full
            }
            memcpy(static_cast<void*>(slot), event, sizeof(midievent));
            slot++;
        }
        head += static_cast<uint32_t>(slot - first);
        written.store(head, std::memory_order_release); // the consumer sees them all at once
    }

    bool Pop(midievent& event) {
        const uint32_t tail = taken.load(std::memory_order_relaxed);
        if (written.load(std::memory_order_acquire) == tail) return false;
        event = slots[tail % kCapacity];
        taken.store(tail + 1, std::memory_order_release);
        return true;
    }

    // The consumer's side, a run at a time: the events from First() up to Last()
    // stay in place, readable with At(), until Release() hands their slots back.
    uint32_t First() const { return taken.load(std::memory_order_relaxed); }
    uint32_t Last() const { return written.load(std::memory_order_acquire); }
    const midievent& At(uint32_t index) const { return slots[index % kCapacity]; }
    void Release(uint32_t upTo) { taken.store(upTo, std::memory_order_release); }
    // How many of the events from `from` up to `to` lie in one piece, before the ring wraps.
    static uint32_t InOnePiece(uint32_t from, uint32_t to) {
        return Stretch(from, to);
    }

    int Count() const {
        return static_cast<int>(written.load(std::memory_order_acquire) -
                                taken.load(std::memory_order_acquire));
    }
    bool Empty() const { return Count() == 0; }

private:
    // Slots from `head` up to `end`, but not past the ring's end.
    static uint32_t Stretch(uint32_t head, uint32_t end) {
        const uint32_t free = end - head;
        const uint32_t toWrap = kCapacity - head % kCapacity;
        return free < toWrap ? free : toWrap;
    }

    midievent slots[kCapacity];
    std::atomic<uint32_t> written{0}; // events pushed so far (wraps)
    std::atomic<uint32_t> taken{0};   // events popped so far (wraps)
};

// The events of one block on their way to the host. It is filled and emptied
// on the audio thread within the same block, so a plain array does.
class OutputBuffer {
public:
    static constexpr int kCapacity = 256;

    bool Push(const midievent& event) { return Append(event) != nullptr; }

    // Copies the event into the next slot, where the caller may then change it;
    // null when full. Changing the slot rather than a copy before it is taken
    // saves the processor from re-reading freshly written bytes in wider loads.
    midievent* Append(const midievent& event) {
        if (count >= kCapacity) return nullptr;
        midievent* slot = &slots[count++];
        *slot = event;
        return slot;
    }
    int Count() const { return count; }
    // For a loop that keeps the count in a register: the slots it filled meanwhile.
    void SetCount(int filled) { count = filled; }
    midievent* Slots() { return slots; }
    void Clear() { count = 0; }

    // Slots past the end that a loop may write into without asking whether the
    // output is full, as long as it sets the count no higher than kCapacity:
    // what lies there is dropped. Room for two events from each of a full input ring.
    static constexpr int kOverrun = 512;

private:
    midievent slots[kCapacity + kOverrun];
    int count = 0;
};

} // namespace midi
} // namespace velk
