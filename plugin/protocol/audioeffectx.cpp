#include "plugin/protocol/audioeffectx.h"

#include <cmath>

const char* const hostCanDos[17] = {"sendVstEvents",
                                    "sendVstMidiEvent",
                                    "sendVstTimeInfo",
                                    "receiveVstEvents",
                                    "receiveVstMidiEvent",
                                    "receiveVstTimeInfo",
                                    "reportConnectionChanges",
                                    "acceptIOChanges",
                                    "sizeWindow",
                                    "asyncProcessing",
                                    "offline",
                                    "supplyIdle",
                                    "supportShell",
                                    "openFileSelector",
                                    "editFile",
                                    "closeFileSelector",
                                    "startStopProcess"};

const char* const plugCanDos[26] = {"sendVstEvents",
                                    "sendVstMidiEvent",
                                    "sendVstTimeInfo",
                                    "receiveVstEvents",
                                    "receiveVstMidiEvent",
                                    "receiveVstTimeInfo",
                                    "offline",
                                    "plugAsChannelInsert",
                                    "plugAsSend",
                                    "mixDryWet",
                                    "noRealTime",
                                    "multipass",
                                    "metapass",
                                    "1in1out",
                                    "1in2out",
                                    "2in1out",
                                    "2in2out",
                                    "2in4out",
                                    "4in2out",
                                    "4in4out",
                                    "4in8out",
                                    "8in4out",
                                    "8in8out",
                                    "midiProgramNames",
                                    "conformsToWindowRules",
                                    "bypass"};

namespace {

// Low byte of a float argument, truncated toward zero; garbage floats give 0.
unsigned char LowByte(float opt) {
    if (!std::isfinite(opt) || std::fabs(opt) > 2147483647.0f) return 0;
    return static_cast<unsigned char>(static_cast<long long>(opt) & 0xff);
}

} // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents: return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter: return text && string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed:
        return text && getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
    case effCopyProgram: return copyProgram(index) ? 1 : 0;
    case effConnectInput: inputConnected(index, value != 0); return 1;
    case effConnectOutput: outputConnected(index, value != 0); return 1;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return reportCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
        return ptr && offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value),
                                    index != 0)
                   ? 1
                   : 0;
    case effOfflinePrepare:
        return ptr && offlinePrepare(static_cast<VstOfflineTask*>(ptr),
                                     static_cast<VstInt32>(value))
                   ? 1
                   : 0;
    case effOfflineRun:
        return ptr && offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value))
                   ? 1
                   : 0;
    case effProcessVarIo: return ptr && processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<VstInt32>(value), opt);
        return 1;
    case effSetBypass: return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName: return text && getEffectName(text) ? 1 : 0;
    case effGetErrorText: return text && getErrorText(text) ? 1 : 0;
    case effGetVendorString: return text && getVendorString(text) ? 1 : 0;
    case effGetProductString: return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text ? canDo(text) : 0;
    case effGetTailSize: return getGetTailSize();
    case effIdle: return fxIdle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return setViewPosition(index, static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetParameterProperties:
        return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1
                                                                                               : 0;
    case effKeysRequired: return keysRequired() ? 0 : 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key;
            key.character = index;
            key.virt = static_cast<unsigned char>(value & 0xff);
            key.modifier = LowByte(opt);
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        return 0;
    case effSetEditKnobMode: return editor ? editor->setKnobMode(static_cast<int>(value)) : 0;
    case effGetMidiProgramName:
        return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
    case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return ptr && getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
    case effEndSetProgram: return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
        return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                     static_cast<VstSpeakerArrangement**>(ptr))
                   ? 1
                   : 0;
    case effShellGetNextPlugin: return text ? getNextShellPlugin(text) : 0;
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw: return setPanLaw(static_cast<VstInt32>(value), opt) ? 1 : 0;
    case effBeginLoadBank: return ptr ? beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    case effBeginLoadProgram:
        return ptr ? beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
    if (pluginInput) *pluginInput = nullptr;
    if (pluginOutput) *pluginOutput = nullptr;
    return false;
}

// Host calls. Every one goes through callHost, which answers 0 without a callback.

void AudioEffectX::wantEvents(VstInt32 filter) {
    callHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}
bool AudioEffectX::needIdle() {
    return callHost(audioMasterNeedIdle) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

double AudioEffectX::updateSampleRate() {
    VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) sampleRate = static_cast<float>(rate);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0 && FitsInt32(size)) blockSize = static_cast<VstInt32>(size);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

AEffect* AudioEffectX::getPreviousPlug(VstInt32) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(VstInt32) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles,
                                VstInt32 numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstInt32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0;
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg,
                                           float floatArg) {
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

VstInt32 AudioEffectX::canHostDo(char* text) {
    return callHost(audioMasterCanDo, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostLanguage() {
    return static_cast<VstInt32>(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::openWindow(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(void* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::beginEdit(VstInt32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
    return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
    return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
