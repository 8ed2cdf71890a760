#include "engine/notetable.h"

namespace velk {
namespace engine {

namespace {
int Key(int channel, int note) {
    return (channel & 15) * 128 + (note & 127);
}
} // namespace

void NoteTable::Clear() {
    for (Entry& entry : entries) entry = {-1, -1, -1, -1.0f};
    for (int16_t& slot : slotOf) slot = -1;
    for (uint64_t& word : used) word = 0;
    count = 0;
}

int NoteTable::FirstFree() const {
    for (int word = 0; word < kSize / 64; word++)
        if (~used[word]) return word * 64 + __builtin_ctzll(~used[word]);
    return -1;
}

bool NoteTable::NoteOn(int channel, int note, int velocity, float length) {
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

int NoteTable::NoteOff(int channel, int note) {
    const int key = Key(channel, note);
    const int slot = slotOf[key];
    if (slot < 0) return 0;
    entries[slot] = {-1, -1, -1, -1.0f};
    slotOf[key] = -1;
    used[slot / 64] &= ~(1ULL << (slot % 64));
    count--;
    return 1;
}

} // namespace engine
} // namespace velk
