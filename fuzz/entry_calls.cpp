#include "entry_calls.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/program/bank.h"
#include "host_input.h"
#include "opcode_pointers.h"
#include "violation.h"

using velk::engine::kBankSize;
using velk::engine::kOldBankSize;
using velk::engine::kOldProgramSize;
using velk::engine::kProgramSize;

namespace {

std::unique_ptr<char[]> Zeroed(size_t size) {
    return std::unique_ptr<char[]>(new char[size]());
}

// Exactly the text and its terminator, so reading past it is caught.
std::unique_ptr<char[]> Text(ByteReader& in) {
    char text[80];
    const size_t length = in.Bytes(text, in.U8() % sizeof(text));
    std::unique_ptr<char[]> copy(new char[length + 1]);
    memcpy(copy.get(), text, length);
    copy[length] = '\0';
    return copy;
}

std::unique_ptr<char[]> CanDoWord(ByteReader& in) {
    static const char* const words[] = {"receiveVstEvents",
                                        "receiveVstMidiEvent",
                                        "sendVstEvents",
                                        "sendVstMidiEvent",
                                        "receiveVstTimeInfo",
                                        "sendVstTimeInfo",
                                        "sizeWindow",
                                        "bypass",
                                        "midiProgramNames",
                                        "2in2out",
                                        "offline",
                                        ""};
    const uint8_t pick = in.U8();
    if (pick >= sizeof(words) / sizeof(words[0])) return Text(in);
    const size_t length = strlen(words[pick]);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    memcpy(copy.get(), words[pick], length + 1);
    return copy;
}

// The plug-in's present chunk of that kind, resized and patched from the input.
std::unique_ptr<char[]> Chunk(EntryHost& host, ByteReader& in, bool preset, size_t& size) {
    static const size_t sizes[] = {kBankSize,
                                   kProgramSize,
                                   kOldBankSize,
                                   kOldProgramSize,
                                   0,
                                   1,
                                   kProgramSize - 1,
                                   kProgramSize + 1,
                                   kOldProgramSize - 1,
                                   kOldProgramSize + 1,
                                   kBankSize - 1,
                                   kBankSize + 1,
                                   kBankSize + 4096};
    const uint8_t pick = in.U8();
    size = pick < sizeof(sizes) / sizeof(sizes[0]) ? sizes[pick] : in.U16() % (kBankSize + 4097);
    std::unique_ptr<char[]> chunk = Zeroed(size); // none for 0: any read is caught
    void* image = nullptr;
    const VstIntPtr length = host.Dispatch(effGetChunk, preset, 0, &image, 0);
    if (image && length > 0)
        memcpy(chunk.get(), image, std::min(size, static_cast<size_t>(length)));
    for (int patches = in.U8() % 4; size > 0 && patches > 0; patches--) {
        const size_t offset = in.U16() % size;
        in.Bytes(chunk.get() + offset, std::min<size_t>(in.U8(), size - offset));
    }
    return chunk;
}

void ReadArrangement(const VstSpeakerArrangement* arrangement) {
    if (!arrangement) return;
    if (arrangement->numChannels < 0 || arrangement->numChannels > 8)
        Violation("a speaker arrangement with more channels than it holds");
    volatile float sum = 0;
    for (VstInt32 i = 0; i < arrangement->numChannels; i++)
        sum = sum + arrangement->speakers[i].azimuth;
}

// Everything one call passes, kept alive until its answer is checked.
struct Call {
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    float opt = 0;
    Pointer pointer{PointerKind::None, 0};
    void* ptr = nullptr;
    std::unique_ptr<char[]> bytes;
    void* slots[2] = {nullptr, nullptr};
    VstSpeakerArrangement speakers[2] = {};
};

// Sets the call's pointer (and, where the pointer decides it, its value).
void Prepare(Call& call, EntryHost& host, ByteReader& in, bool withPointer) {
    switch (call.pointer.kind) {
    case PointerKind::None:
    case PointerKind::Events: break;
    case PointerKind::TextOut:
    case PointerKind::RectIn:
    case PointerKind::Record:
    case PointerKind::Records:
    case PointerKind::Window:
        if (!withPointer) break;
        call.bytes = Zeroed(call.pointer.kind == PointerKind::TextOut  ? call.pointer.size
                            : call.pointer.kind == PointerKind::RectIn ? sizeof(ERect)
                                                                       : kRecordSize);
        call.ptr = call.bytes.get();
        if (call.pointer.kind == PointerKind::Records) call.value = 1;
        if (call.pointer.kind == PointerKind::Window) call.value = 0;
        break;
    case PointerKind::TextIn:
    case PointerKind::CanDo:
        call.bytes = call.pointer.kind == PointerKind::TextIn ? Text(in) : CanDoWord(in);
        if (withPointer) call.ptr = call.bytes.get();
        break;
    case PointerKind::RectOut:
    case PointerKind::ChunkOut:
        if (withPointer) call.ptr = &call.slots[0];
        break;
    case PointerKind::ChunkIn: {
        size_t size = 0;
        call.bytes = Chunk(host, in, call.index != 0, size);
        if (!withPointer) break;
        call.ptr = call.bytes.get();
        call.value = static_cast<VstIntPtr>(size);
        break;
    }
    case PointerKind::SpeakersIn: {
        const uint8_t shape = in.U8();
        for (VstSpeakerArrangement& s : call.speakers) {
            s.type = shape >> 4;
            s.numChannels = shape % 9;
        }
        call.value = withPointer ? reinterpret_cast<VstIntPtr>(&call.speakers[0]) : 0;
        if (withPointer) call.ptr = &call.speakers[1];
        break;
    }
    case PointerKind::SpeakersOut:
        call.value = withPointer ? reinterpret_cast<VstIntPtr>(&call.slots[0]) : 0;
        if (withPointer) call.ptr = &call.slots[1];
        break;
    }
}

void CheckAnswer(const Call& call, const AEffect& record, VstIntPtr result) {
    const VstInt32 opcode = call.opcode;
    if (opcode == effGetProgram && (result < 0 || result >= record.numPrograms))
        Violation("effGetProgram answered a program that does not exist");
    if (opcode == effCanDo && (result < -1 || result > 1))
        Violation("effCanDo answered not -1, 0 or 1");
    if (opcode == effSetChunk && result != 0 && result != 1)
        Violation("effSetChunk answered not 0 or 1");

    const PointerKind kind = call.pointer.kind;
    if (kind == PointerKind::TextOut && call.ptr && !memchr(call.ptr, '\0', call.pointer.size))
        Violation("a text not terminated inside the host's buffer");
    if (kind == PointerKind::RectOut) {
        const auto* rect = static_cast<const ERect*>(call.slots[0]);
        if (result != 0 && !rect) Violation("effEditGetRect answered without a rectangle");
        if (rect && (rect->bottom < rect->top || rect->right < rect->left))
            Violation("effEditGetRect handed out an inverted rectangle");
    }
    if (kind == PointerKind::ChunkOut) {
        const size_t expected = call.index != 0 ? kProgramSize : kBankSize;
        if ((result > 0) != (call.slots[0] != nullptr))
            Violation("effGetChunk's size and pointer disagree");
        if (result > 0 && static_cast<size_t>(result) != expected)
            Violation("effGetChunk handed out a chunk of the wrong size");
        if (call.slots[0]) {
            std::unique_ptr<char[]> copy(new char[expected]);
            memcpy(copy.get(), call.slots[0], expected); // every byte must be readable
        }
    }
    if (kind == PointerKind::SpeakersOut) {
        ReadArrangement(static_cast<const VstSpeakerArrangement*>(call.slots[0]));
        ReadArrangement(static_cast<const VstSpeakerArrangement*>(call.slots[1]));
    }
}

} // namespace

void DispatchCall(EntryHost& host, ByteReader& in, bool withPointer) {
    Call call;
    call.opcode = DecodeOpcode(in.U8());
    call.index = DecodeIndex(in);
    call.value = DecodeValue(in);
    call.opt = DecodeFloat(in.U8());
    call.pointer = PointerOf(call.opcode);
    if (call.pointer.kind == PointerKind::Events && withPointer) {
        host.SendEvents(DecodeEvents(in));
    } else {
        Prepare(call, host, in, withPointer);
        const VstIntPtr result =
            host.Dispatch(call.opcode, call.index, call.value, call.ptr, call.opt);
        if (!host.Started()) return; // effClose
        CheckAnswer(call, host.Record(), result);
    }
    host.CheckBank();
}
