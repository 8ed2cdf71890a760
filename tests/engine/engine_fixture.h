// Drives the built plug-in block by block through our host and collects what it sends back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/core/host.h"
#include "host/core/plugin_library.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace testutil {

inline VstMidiEvent Midi(int status, int data1, int data2, int delta = 0) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}

inline int Status(const VstMidiEvent& e) {
    return static_cast<unsigned char>(e.midiData[0]);
}
inline int Data1(const VstMidiEvent& e) {
    return static_cast<unsigned char>(e.midiData[1]);
}
inline int Data2(const VstMidiEvent& e) {
    return static_cast<unsigned char>(e.midiData[2]);
}

class Engine : public ::testing::Test {
protected:
    Engine() : library(MORAVOX_PLUGIN_PATH), host(library) {}

    void SetUp() override {
        ASSERT_TRUE(host.Instantiate()) << host.Error();
        host.Open();
        host.Resume();
        for (int c = 0; c < 2; c++) {
            in[c].assign(4096, 0.0f);
            out[c].assign(4096, 0.0f);
        }
    }

    // Sends the events, processes one block and returns what the plug-in handed back.
    std::vector<VstMidiEvent> Block(const std::vector<VstMidiEvent>& events = {},
                                    int frames = 256) {
        host.ClearCalls();
        if (!events.empty()) host.SendMidi(events);
        float* ins[] = {in[0].data(), in[1].data()};
        float* outs[] = {out[0].data(), out[1].data()};
        host.ProcessReplacing(ins, outs, frames);
        std::vector<VstMidiEvent> sent;
        for (const auto& call : host.Calls(audioMasterProcessEvents))
            sent.insert(sent.end(), call.midi.begin(), call.midi.end());
        return sent;
    }

    void Set(int index, float value) { host.SetParameter(index, value); }
    float Get(int index) { return host.GetParameter(index); }
    std::string Display(int index) { return host.ParameterDisplay(index); }

    // Only format enabled, everything else off: notes in, plain CCs out.
    void Plain(float formatIn = 0.0f) {
        Set(P_FORMAT_IN, formatIn);
        for (int flag : {3, 6, 9, 12, 13}) Set(flag, 0.0f);
        Set(P_FORMAT_OUT, 0.0f);
        Set(P_EVERY_NTH, 0.1f);
        Set(P_OFFSET, 0.0f);
        Set(P_EVENT_COUNT, 0.1f);
        Block(); // lets a note-off request from switching flags off run its course
        Block();
        Block();
    }

    moravox::host::PluginLibrary library;
    moravox::host::Host host;
    std::vector<float> in[2], out[2];
};

} // namespace testutil
