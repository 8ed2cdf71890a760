// The plug-in side of the host protocol: the AEffect record the host holds and
// the class that turns the host's numbered requests into virtual operations.
#pragma once

#include "plugin/protocol/aeffeditor.h"
#include "plugin/protocol/vst_abi.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processReplacing(float**, float**, VstInt32) {}
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
    virtual void open() {}
    virtual void close() {}
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);
    virtual float getVu() { return 0.0f; }
    virtual VstInt32 getChunk(void**, bool) { return 0; }
    virtual VstInt32 setChunk(void*, VstInt32, bool) { return 0; }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setRealtimeQualities(VstInt32 q) { cEffect.realQualities = q; }
    virtual void setOfflineQualities(VstInt32 q) { cEffect.offQualities = q; }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(long value, char* text);

    AEffect* getAeffect() { return &cEffect; }
    AEffEditor* getEditorPointer() const { return editor; }
    audioMasterCallback getAudioMaster() const { return audioMaster; }

    // Recovers the object from the record the host hands back.
    static AudioEffect* FromRecord(AEffect* e) {
        return e ? static_cast<AudioEffect*>(e->object) : nullptr;
    }

protected:
    void setFlag(VstInt32 bit, bool state) {
        if (state)
            cEffect.flags |= bit;
        else
            cEffect.flags &= ~bit;
    }
    // Calls the host with this plug-in's record; 0 without a callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    float sampleRate;
    AEffEditor* editor;
    audioMasterCallback audioMaster;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    VstInt32 blockSize;
    AEffect cEffect;
};

// Copies text into a host buffer of at least `size` bytes, always terminated;
// a null buffer is left alone. Hosts hand us raw pointers of conventional sizes.
void CopyHostText(char* dest, const char* text, unsigned size);
