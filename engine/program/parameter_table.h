// Every parameter in one table: its index, the name hosts show, where a program stores
// it, its scale, how it is shown and its default. The engine, the panel and the tests
// all convert through this table.
#pragma once

#include <cstdint>

#include "engine/program/bank.h"

namespace velk::engine {

enum Parameter : int {
    P_FORMAT = 0,
    P_FORMAT_IN,
    P_FORMAT_OUT,
    P_CHANNEL,
    P_CHANNEL_MIN,
    P_CHANNEL_MAX,
    P_NUMBER,
    P_NUMBER_MIN,
    P_NUMBER_MAX,
    P_VALUE,
    P_VALUE_MIN,
    P_VALUE_MAX,
    P_THRU,
    P_IN_THRU,
    P_PANIC,
    P_PRESET_SWITCHING,
    P_EMPTY,
    // The panel's own: not announced to hosts, stored in the program's advanced block.
    P_EVERY_NTH,
    P_OFFSET,
    P_EVENT_COUNT,
    P_RANDOMIZER,
    P_MANUAL_TRIGGER = 49,
};

// The parameters hosts are told of: 0 to 15.
constexpr int kHostParameters = 16;

enum class Stored {
    Flag,    // a byte of the program, 0 or 1: on above 0.5
    Integer, // a word of the program from 0 to `scale`: round(x * scale)
    Pulse,   // not stored: an off-to-on edge does something once
};

enum class Shown {
    OnOff,
    InputType,  // "N+CC", "N", "CC", then keys
    OutputType, // "CC", "PC"
    Number,     // the stored integer
    Nothing,    // "empty"
};

struct ParameterInfo {
    Parameter index;
    const char* name; // as hosts show it; null for the panel's own
    Stored stored;
    uint8_t VSTPluginProgram::*flag;     // Stored::Flag
    int32_t VSTPluginProgram::*integer;  // Stored::Integer
    int scale;                           // the largest stored integer
    float step;          // 1/scale as a float: one unit of the integer as a parameter value
    bool readsByStep;    // read back as stored * step rather than stored / scale
    Shown shown;
    int defaultValue;    // in the stored form
};

// The row of this index, or null where no parameter is.
const ParameterInfo* FindParameter(int index);

// Every row, in index order: `count` of them.
const ParameterInfo* ParameterRows(int& count);

// The parameter value of a stored integer, and the integer a value stores.
float ReadStored(const ParameterInfo& p, int32_t stored);
int StoreValue(const ParameterInfo& p, float x);

} // namespace velk::engine
