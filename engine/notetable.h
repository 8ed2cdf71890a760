// The notes the plug-in passed through and has not ended yet.
#pragma once

#include <cstdint>

#include "system/mutex.h"

namespace velk {
namespace engine {

class NoteTable {
public:
    static constexpr int kSize = 256;

    NoteTable() { Clear(); }

    // Channels are 0..15 and notes 0..127 (both come masked from MIDI bytes).
    // Records a sounding note (rewriting an entry for the same channel and note);
    // false when the table is full. Inline: every passed or echoed note comes here.
    bool NoteOn(int channel, int note, int velocity, float length) {
        const int key = Key(channel, note);
        int slot = slotOf[key];
        if (slot < 0) {
            if (count >= kSize) return false;
            slot = FirstFree();
            if (slot < 0) return false;
            slotOf[key] = static_cast<int16_t>(slot);
            used[slot / 64] |= 1ULL << (slot % 64);
            count++;
        }
        entries[slot] = {channel, note, velocity, length};
        return true;
    }
    // Frees every entry with this channel and note and returns how many there were.
    int NoteOff(int channel, int note);
    int Count() const { return count; }

    // Hands every recorded note to `end(channel, note)` and empties the table,
    // under the table's spin lock.
    template <class End> void EndAll(End end) {
        lock.Lock();
        for (Entry& entry : entries)
            if (entry.channel != -1 || entry.note != -1) end(entry.channel, entry.note);
        Clear();
        lock.Unlock();
    }

private:
    struct Entry {
        int channel;
        int note;
        int velocity;
        float length;
    };

    static int Key(int channel, int note) { return (channel & 15) * 128 + (note & 127); }
    void Clear();
    int FirstFree() const {
        for (int word = 0; word < kSize / 64; word++)
            if (~used[word]) return word * 64 + __builtin_ctzll(~used[word]);
        return -1;
    }

    Entry entries[kSize];
    // Which entry holds a channel and note (-1: none), so lookups are one read.
    int16_t slotOf[16 * 128];
    // One bit per used entry, to find the first free one quickly.
    uint64_t used[kSize / 64];
    int count = 0;
    velk::threading::SMutexID lock;
};

} // namespace engine
} // namespace velk
