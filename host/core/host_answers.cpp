#include "host/core/host_answers.h"

namespace moravox::host {

HostAnswers::HostAnswers()
    : canDo{{"sendVstEvents", 1},
            {"sendVstMidiEvent", 1},
            {"receiveVstEvents", 1},
            {"receiveVstMidiEvent", 1},
            {"sizeWindow", 1}} {}

} // namespace moravox::host
