// The randomizer plug-in. So far it passes audio through; the MIDI engine,
// parameters and programs build on this class.
#pragma once

#include "plugin/splugin.h"

class VSTPlugin : public SPlugin {
public:
    VSTPlugin(audioMasterCallback audioMaster, int& status);

    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
};
