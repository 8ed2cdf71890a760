// The extended host protocol: opcodes 25 to 76 and the rest of the host calls.
#pragma once

#include "plugin/protocol/audioeffect.h"

// Records the plug-in only passes along as pointers.
struct VstTimeInfo;
struct VstPinProperties;
struct VstVariableIo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstFileSelect;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstPatchChunkInfo;

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    virtual AEffEditor* getEditor() { return editor; }
    virtual void wantEvents(VstInt32 filter = 1);
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual VstInt32 tempoAt(VstInt32 pos);
    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    virtual VstInt32 getNumAutomatableParameters();
    virtual VstInt32 getParameterQuantization();
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual float getChannelParameter(VstInt32, VstInt32) { return 0.0f; }
    virtual VstInt32 getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool copyProgram(VstInt32) { return false; }
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency();
    virtual VstInt32 getOutputLatency();
    virtual AEffect* getPreviousPlug(VstInt32 input);
    virtual AEffect* getNextPlug(VstInt32 output);
    virtual void inputConnected(VstInt32, bool) {}
    virtual void outputConnected(VstInt32, bool) {}
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual VstInt32 getPlugCategory();
    virtual VstInt32 willProcessReplacing();
    virtual VstInt32 getCurrentProcessLevel();
    virtual VstInt32 getAutomationState();
    virtual void wantAsyncOperation(bool state = true) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state = true) { setFlag(effFlagsExtHasBuffer, state); }
    virtual VstInt32 reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual bool offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstInt32 option);
    virtual bool offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles);
    virtual VstInt32 offlineGetCurrentPass();
    virtual VstInt32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
    virtual bool offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
    virtual bool offlineRun(VstOfflineTask*, VstInt32) { return false; }
    virtual VstInt32 offlineGetNumPasses() { return 0; }
    virtual VstInt32 offlineGetNumMetaPasses() { return 0; }
    virtual void setOutputSamplerate(float samplerate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstInt32 getHostVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg,
                                         float floatArg);
    virtual VstInt32 canHostDo(char* text);
    virtual VstInt32 getHostLanguage();
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    virtual void* openWindow(void* window);
    virtual bool closeWindow(void* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(VstVariableIo*) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
        return false;
    }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                       VstSpeakerArrangement** pluginOutput);
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getErrorText(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(char*) { return 0; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(VstInt32, VstInt32) { return false; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual VstInt32 fxIdle() { return 0; }
    virtual bool getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
    virtual bool keysRequired() { return false; }
    virtual VstInt32 getVstVersion() { return 2300; }
    virtual VstInt32 getMidiProgramName(VstInt32, MidiProgramName*) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32, MidiProgramName*) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32, MidiProgramCategory*) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32) { return false; }
    virtual bool getMidiKeyName(VstInt32, MidiKeyName*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual bool openFileSelector(VstFileSelect* select);
    virtual bool closeFileSelector(VstFileSelect* select);
    virtual bool getChunkFile(void* nativePath);
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual VstInt32 getNextShellPlugin(char*) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool setPanLaw(VstInt32, float) { return false; }
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo*) { return 0; }
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo*) { return 0; }
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    // Hands output events to the host; true when the host took them.
    bool sendVstEventsToHost(VstEvents* events);
};

// Capability words of the interface, for hosts and tools that list them.
extern const char* const hostCanDos[17];
extern const char* const plugCanDos[26];
