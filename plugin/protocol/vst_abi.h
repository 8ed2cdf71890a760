// The binary interface between a VST 2 host and this plug-in.
//
// Every difference between the 32-bit and the 64-bit ABI lives in this file:
// the width of VstIntPtr (the dispatcher's value and result, the host
// callback's value and result, the record's reserved fields) and, through the
// pointer size, the layout of AEffect. Both layouts are pinned down by the
// static_asserts at the end; nothing else in the code base needs to know which
// architecture it is built for. What the toolkit's window properties carry for
// hosts ("_XEventProc" and "_ZOVUZOZ") differs too; that lives beside this file
// in vst_abi_eventproc.h.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t VstInt32;
typedef int16_t VstInt16;
// Pointer-sized integer: 32 bits on i386 (the classic 2.3 interface), 64 bits
// on x86_64 (the convention every 64-bit Linux host uses).
typedef intptr_t VstIntPtr;

struct AEffect;

// True when a pointer-sized value from the host fits a signed 32-bit field
// (always on i386; a 64-bit host may pass anything).
inline bool FitsInt32(VstIntPtr value) {
#if INTPTR_MAX == INT32_MAX
    (void)value;
    return true;
#else
    return value >= INT32_MIN && value <= INT32_MAX;
#endif
}

typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                   VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float value);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// 'VstP', read from the most significant byte down.
constexpr VstInt32 kEffectMagic = 0x56737450;

// Builds a four-character code the way hosts compare them.
constexpr VstInt32 FourCC(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    // Double-precision processing in later revisions; always null here, and on
    // i386 simply the first four of the record's reserved bytes.
    void* reservedProc;
    char future[56];
};

enum VstAEffectFlags {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
};

struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};

enum VstEventTypes {
    kVstMidiType = 1,
    kVstAudioType,
    kVstVideoType,
    kVstParameterType,
    kVstTriggerType,
    kVstSysExType
};

struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    char data[16];
};

struct VstMidiEvent {
    VstInt32 type;        // kVstMidiType
    VstInt32 byteSize;    // 24: the bytes after these two fields
    VstInt32 deltaFrames; // sample offset inside the block
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2]; // really numEvents entries
};

// One speaker of an arrangement (112 bytes).
struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    VstInt32 type;
    char future[28];
};

struct VstSpeakerArrangement {
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8]; // really numChannels entries
};

// Dispatcher opcodes, host to plug-in.
enum AEffectOpcodes {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effNumOpcodes // 77
};

// Host-call opcodes, plug-in to host.
enum AudioMasterOpcodes {
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    audioMasterPinConnected,
    audioMasterWantMidi = 6,
    audioMasterGetTime,
    audioMasterProcessEvents,
    audioMasterSetTime,
    audioMasterTempoAt,
    audioMasterGetNumAutomatableParameters,
    audioMasterGetParameterQuantization,
    audioMasterIOChanged,
    audioMasterNeedIdle,
    audioMasterSizeWindow,
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug,
    audioMasterGetNextPlug,
    audioMasterWillReplaceOrAccumulate,
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate,
    audioMasterGetOutputSpeakerArrangement,
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterSetIcon,
    audioMasterCanDo,
    audioMasterGetLanguage,
    audioMasterOpenWindow,
    audioMasterCloseWindow,
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
    audioMasterEditFile,
    audioMasterGetChunkFile,
    audioMasterGetInputSpeakerArrangement,
};

// Plug-in categories answered to effGetPlugCategory.
enum VstPlugCategory { kPlugCategUnknown = 0, kPlugCategEffect, kPlugCategSynth };

constexpr int kVstMaxNameLen = 64;
constexpr int kVstMaxLabelLen = 64;

static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent is 32 bytes on every ABI");
static_assert(sizeof(VstEvent) == 32, "VstEvent is 32 bytes on every ABI");
static_assert(sizeof(VstSpeakerProperties) == 112, "speaker record is 112 bytes");
static_assert(sizeof(ERect) == 8 && sizeof(VstKeyCode) == 8, "ERect and VstKeyCode sizes");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "midiData offset");

#if INTPTR_MAX == INT32_MAX
// i386: the 144-byte record of the 2.3 interface.
static_assert(sizeof(AEffect) == 144, "AEffect is 144 bytes on i386");
static_assert(offsetof(AEffect, magic) == 0 && offsetof(AEffect, dispatcher) == 4 &&
                  offsetof(AEffect, process) == 8 && offsetof(AEffect, setParameter) == 12 &&
                  offsetof(AEffect, getParameter) == 16 && offsetof(AEffect, numPrograms) == 20 &&
                  offsetof(AEffect, numParams) == 24 && offsetof(AEffect, numInputs) == 28 &&
                  offsetof(AEffect, numOutputs) == 32 && offsetof(AEffect, flags) == 36 &&
                  offsetof(AEffect, resvd1) == 40 && offsetof(AEffect, resvd2) == 44 &&
                  offsetof(AEffect, initialDelay) == 48 && offsetof(AEffect, realQualities) == 52 &&
                  offsetof(AEffect, offQualities) == 56 && offsetof(AEffect, ioRatio) == 60 &&
                  offsetof(AEffect, object) == 64 && offsetof(AEffect, user) == 68 &&
                  offsetof(AEffect, uniqueID) == 72 && offsetof(AEffect, version) == 76 &&
                  offsetof(AEffect, processReplacing) == 80 &&
                  offsetof(AEffect, reservedProc) == 84,
              "AEffect offsets on i386");
static_assert(sizeof(VstEvents) == 16, "VstEvents header on i386");
static_assert(sizeof(VstIntPtr) == 4, "pointer-sized integer on i386");
#elif INTPTR_MAX == INT64_MAX
// x86_64: the 64-bit convention of VST 2.4 hosts, 192 bytes.
static_assert(sizeof(AEffect) == 192, "AEffect is 192 bytes on x86_64");
static_assert(offsetof(AEffect, magic) == 0 && offsetof(AEffect, dispatcher) == 8 &&
                  offsetof(AEffect, process) == 16 && offsetof(AEffect, setParameter) == 24 &&
                  offsetof(AEffect, getParameter) == 32 && offsetof(AEffect, numPrograms) == 40 &&
                  offsetof(AEffect, numParams) == 44 && offsetof(AEffect, numInputs) == 48 &&
                  offsetof(AEffect, numOutputs) == 52 && offsetof(AEffect, flags) == 56 &&
                  offsetof(AEffect, resvd1) == 64 && offsetof(AEffect, resvd2) == 72 &&
                  offsetof(AEffect, initialDelay) == 80 && offsetof(AEffect, realQualities) == 84 &&
                  offsetof(AEffect, offQualities) == 88 && offsetof(AEffect, ioRatio) == 92 &&
                  offsetof(AEffect, object) == 96 && offsetof(AEffect, user) == 104 &&
                  offsetof(AEffect, uniqueID) == 112 && offsetof(AEffect, version) == 116 &&
                  offsetof(AEffect, processReplacing) == 120 &&
                  offsetof(AEffect, reservedProc) == 128 && offsetof(AEffect, future) == 136,
              "AEffect offsets on x86_64");
static_assert(sizeof(VstEvents) == 32, "VstEvents header on x86_64");
static_assert(sizeof(VstIntPtr) == 8, "pointer-sized integer on x86_64");
#else
#error "unsupported pointer size"
#endif
