#include "engine/vstplugin.h"

namespace {

// Both channels untouched; missing buffers or a bad frame count do nothing.
template <bool Accumulate>
void PassAudio(float** inputs, float** outputs, VstInt32 frames) {
    if (!inputs || !outputs || frames <= 0) return;
    for (int channel = 0; channel < 2; channel++) {
        const float* in = inputs[channel];
        float* out = outputs[channel];
        if (!in || !out) continue;
        for (VstInt32 i = 0; i < frames; i++) {
            if (Accumulate)
                out[i] += in[i];
            else
                out[i] = in[i];
        }
    }
}

} // namespace

VSTPlugin::VSTPlugin(audioMasterCallback audioMaster, int& status)
    : SPlugin(audioMaster, status) {}

void VSTPlugin::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    PassAudio<true>(inputs, outputs, sampleFrames);
}

void VSTPlugin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    PassAudio<false>(inputs, outputs, sampleFrames);
}
