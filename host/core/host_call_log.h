// The record of every call a plug-in made into our host. Host calls may come from any of the
// plug-in's threads, so the log is guarded by its own lock.
#pragma once

#include "plugin/protocol/vst_abi.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace moravox::host {

struct HostCall {
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    bool hasPtr = false;
    float opt = 0.0f;
    VstIntPtr answer = 0;
    // audioMasterProcessEvents: copies of the MIDI events handed over (other kinds are skipped).
    std::vector<VstMidiEvent> midi;
    // audioMasterCanDo: the capability text asked about.
    std::string text;
};

class HostCallLog {
public:
    void Add(HostCall call);
    size_t Count(VstInt32 opcode) const;
    size_t Size() const;
    std::vector<HostCall> Calls() const;
    // Only the calls with this opcode, in order.
    std::vector<HostCall> Calls(VstInt32 opcode) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
};

} // namespace moravox::host
