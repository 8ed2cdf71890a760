// A host that knows the plug-in only as a host does: the AEffect record its
// exported `main` hands back, driven through the record's function pointers.
// It answers the plug-in's host calls as the identity it was given, checks
// every MIDI hand-over, every audio block and the stored bank, and closes the
// effect when it goes. One per fuzz input; single-threaded, like libFuzzer.
#pragma once

#include <vector>

#include "event_oracle.h"
#include "plugin/protocol/vst_abi.h"

// The plug-in's exported `main`, renamed in its object file (fuzz/CMakeLists.txt)
// so that libFuzzer's own main links beside it.
extern "C" AEffect* moravox_entry_main(audioMasterCallback audioMaster);

// What the host tells the plug-in about itself.
struct HostIdentity {
    const char* product = nullptr; // null: the product and vendor questions go unanswered
    VstInt32 vendorVersion = 0;
    VstIntPtr version = 2400; // audioMasterVersion; 0 must make the plug-in refuse
    bool sizesWindow = false; // the answer to canDo "sizeWindow"
    const char* directory = nullptr;
};

struct BlockShape {
    VstInt32 frames = 0; // any value; buffers hold max(frames, 0) samples exactly
    bool accumulate = false;
    bool inPlace = false;
    bool nullInputs = false;  // no input array at all
    bool nullOutputs = false; // no output array at all
    int nullChannel = -1;     // this channel's input and output pointers are null
};

class EntryHost {
public:
    // Calls `main`; Started() tells whether the plug-in came up.
    explicit EntryHost(const HostIdentity& identity);
    // Closes the effect if it is still open, so each input ends with nothing left.
    ~EntryHost();
    EntryHost(const EntryHost&) = delete;
    EntryHost& operator=(const EntryHost&) = delete;

    bool Started() const { return effect != nullptr; }
    const AEffect& Record() const { return *effect; }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    // A VstEvents record of exactly these events, through effProcessEvents.
    void SendEvents(const std::vector<VstMidiEvent>& events);
    void Block(const BlockShape& shape);
    void SetParameter(VstInt32 index, float value);
    float GetParameter(VstInt32 index);
    // Every stored program, read back through effGetChunk, must be valid.
    void CheckBank();
    void Close();

private:
    static VstIntPtr Master(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);
    VstIntPtr Answer(VstInt32 opcode, void* ptr);

    static EntryHost* current;
    HostIdentity identity;
    AEffect* effect = nullptr;
    EventOracle oracle;
    bool suspended = true; // a new instance waits for effMainsChanged
};
