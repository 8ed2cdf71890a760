#include "opcode_pointers.h"

#include "engine/program/bank.h"

namespace {

// The text bytes the plug-in writes at most: program names keep 47 characters
// (engine/program/bank.h; all 48 bytes are written), parameter texts 23, names
// 63. These are its own limits, larger than the 25 and 9 bytes of the oldest
// host conventions.
constexpr size_t kProgramName = velk::engine::kMaxNameLength + 1;
constexpr size_t kParamText = 24;
constexpr size_t kName = kVstMaxNameLen;
constexpr size_t kErrorText = 256;

} // namespace

Pointer PointerOf(VstInt32 opcode) {
    switch (opcode) {
    case effSetProgramName:
    case effString2Parameter: return {PointerKind::TextIn, 0};
    case effGetProgramName:
    case effGetProgramNameIndexed: return {PointerKind::TextOut, kProgramName};
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName: return {PointerKind::TextOut, kParamText};
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effShellGetNextPlugin: return {PointerKind::TextOut, kName};
    case effGetErrorText: return {PointerKind::TextOut, kErrorText};
    case effCanDo: return {PointerKind::CanDo, 0};
    case effEditGetRect: return {PointerKind::RectOut, 0};
    case effEditDraw: return {PointerKind::RectIn, 0};
    case effEditOpen: return {PointerKind::Window, 0};
    case effGetChunk: return {PointerKind::ChunkOut, 0};
    case effSetChunk: return {PointerKind::ChunkIn, 0};
    case effProcessEvents: return {PointerKind::Events, 0};
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun: return {PointerKind::Records, 0};
    case effGetInputProperties:
    case effGetOutputProperties:
    case effProcessVarIo:
    case effVendorSpecific:
    case effGetParameterProperties:
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effGetMidiKeyName:
    case effBeginLoadBank:
    case effBeginLoadProgram: return {PointerKind::Record, 0};
    case effSetSpeakerArrangement: return {PointerKind::SpeakersIn, 0};
    case effGetSpeakerArrangement: return {PointerKind::SpeakersOut, 0};
    default: return {PointerKind::None, 0};
    }
}
