#include "engine/notetable.h"

namespace velk {
namespace engine {

void NoteTable::Clear() {
    for (Entry& entry : entries) entry = {-1, -1, -1, -1.0f};
    for (int16_t& slot : slotOf) slot = -1;
    for (uint64_t& word : used) word = 0;
    count = 0;
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
