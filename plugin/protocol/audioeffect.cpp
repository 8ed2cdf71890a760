#include "plugin/protocol/audioeffect.h"

#include <cmath>
#include <cstring>

namespace {

// The plain functions the host calls through the record; each finds the object
// behind the record and calls its virtual operation.
VstIntPtr DispatchTrampoline(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt) {
    AudioEffect* effect = AudioEffect::FromRecord(e);
    if (!effect) return 0;
    // Nothing may unwind into the host.
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void ProcessTrampoline(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    if (AudioEffect* effect = AudioEffect::FromRecord(e)) effect->process(inputs, outputs, frames);
}

void ProcessReplacingTrampoline(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    if (AudioEffect* effect = AudioEffect::FromRecord(e))
        effect->processReplacing(inputs, outputs, frames);
}

void SetParameterTrampoline(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = AudioEffect::FromRecord(e)) effect->setParameter(index, value);
}

float GetParameterTrampoline(AEffect* e, VstInt32 index) {
    AudioEffect* effect = AudioEffect::FromRecord(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

// Conventional sizes of the host's text buffers.
constexpr unsigned kProgramNameSize = 24;
constexpr unsigned kParamTextSize = 8;

} // namespace

void CopyHostText(char* dest, const char* text, unsigned size) {
    if (!dest || size == 0) return;
    if (!text) text = "";
    size_t n = strnlen(text, size - 1);
    memcpy(dest, text, n);
    dest[n] = '\0';
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : sampleRate(44100.0f), editor(nullptr), audioMaster(audioMaster), numPrograms(numPrograms),
      numParams(numParams), curProgram(0), blockSize(1024) {
    memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = DispatchTrampoline;
    cEffect.process = ProcessTrampoline;
    cEffect.setParameter = SetParameterTrampoline;
    cEffect.getParameter = GetParameterTrampoline;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = FourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = ProcessReplacingTrampoline;
}

AudioEffect::~AudioEffect() {
    delete editor;
    editor = nullptr;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setProgramName(char*) {}
void AudioEffect::getProgramName(char* name) {
    CopyHostText(name, "", kProgramNameSize);
}
void AudioEffect::getParameterLabel(VstInt32, char* label) {
    CopyHostText(label, "", kParamTextSize);
}
void AudioEffect::getParameterDisplay(VstInt32, char* text) {
    CopyHostText(text, "", kParamTextSize);
}
void AudioEffect::getParameterName(VstInt32, char* text) {
    CopyHostText(text, "", kParamTextSize);
}

VstInt32 AudioEffect::getMasterVersion() {
    VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen: open(); break;
    case effClose: close(); break;
    case effSetProgram:
        // A negative program would index outside every program table.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        break;
    case effGetProgram: return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        break;
    case effGetProgramName:
        if (text) getProgramName(text);
        break;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        break;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        break;
    case effGetParamName:
        if (text) getParameterName(index, text);
        break;
    case effGetVu: {
        float vu = getVu();
        return std::isfinite(vu) && std::fabs(vu) < 65536.0f
                   ? static_cast<VstIntPtr>(static_cast<VstInt32>(vu * 32767.0f))
                   : 0;
    }
    case effSetSampleRate: setSampleRate(opt); break;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); break;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        break;
    case effEditGetRect:
        if (editor && ptr) return editor->getRect(static_cast<ERect**>(ptr));
        break;
    case effEditOpen:
        if (editor) return editor->open(ptr);
        break;
    case effEditClose:
        if (editor) editor->close();
        break;
    case effEditIdle:
        if (editor) editor->idle();
        break;
    case effIdentify: return FourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        if (ptr) return getChunk(static_cast<void**>(ptr), index != 0);
        break;
    case effSetChunk:
        if (ptr && value >= 0 && FitsInt32(value))
            return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        break;
    default: break;
    }
    return 0;
}
