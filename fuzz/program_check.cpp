#include "program_check.h"

#include <cstring>
#include <initializer_list>

namespace {

bool In(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

} // namespace

bool ProgramValid(const velk::engine::VSTPluginProgram& p) {
    if (memchr(p.name, '\0', sizeof(p.name)) == nullptr) return false;
    for (uint8_t flag : {p.formatEnable, p.channelEnable, p.numberEnable, p.valueEnable, p.midiThru,
                         p.presetSwitching, p.midiInThru})
        if (flag > 1) return false;
    return In(p.channelMin, 0, 15) && In(p.channelMax, 0, 15) && In(p.numberMin, 0, 127) &&
           In(p.numberMax, 0, 127) && In(p.valueMin, 0, 127) && In(p.valueMax, 0, 127) &&
           In(p.formatIn, 0, 22) && In(p.formatOut, 0, 1) && In(p.everyNth, 0, 10) &&
           In(p.randomOffset, 0, 100) && In(p.eventCount, 0, 10) && In(p.randomizer, 0, 2);
}

bool SameProgram(const velk::engine::VSTPluginProgram& a, const velk::engine::VSTPluginProgram& b) {
    const size_t settings = velk::engine::kSettingsOffset;
    return strncmp(a.name, b.name, sizeof(a.name)) == 0 &&
           memcmp(reinterpret_cast<const char*>(&a) + settings,
                  reinterpret_cast<const char*>(&b) + settings,
                  velk::engine::kProgramSize - settings) == 0;
}
