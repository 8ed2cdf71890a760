// The LV2 plug-in: one Moravox instance driven through its VST 2 record, as a VST 2 host
// drives it. Control ports become parameters, MIDI atoms become VST events at their frames,
// the bank chunk and the current program are the LV2 state.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>

#include "plugin/lv2/lv2_messages.h"
#include "plugin/lv2/lv2_ports.h"
#include "plugin/protocol/vst_abi.h"

namespace moravox::lv2 {

inline constexpr const char* kUri = "https://moravox.org/lv2/moravox";
inline constexpr const char* kUiUri = "https://moravox.org/lv2/moravox#ui";

class Plugin {
public:
    // Null without URID mapping, or when the plug-in refuses to start.
    static Plugin* Create(double rate, const LV2_Feature* const* features);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    void Connect(uint32_t port, void* data);
    void Activate();
    void Deactivate();
    void Run(uint32_t frames);
    LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    // The instance, for a UI given instance access.
    AEffect* Effect() const { return effect; }
    // The parameters the panel changed since the last call, one bit each (the host's 0 to
    // 15 and the panel's own settings), and how often its trigger and panic fired.
    uint32_t TakeEdits() { return edits.exchange(0, std::memory_order_acq_rel); }
    uint32_t TakeTriggers() { return triggers.exchange(0, std::memory_order_acq_rel); }
    uint32_t TakePanics() { return panics.exchange(0, std::memory_order_acq_rel); }
    const Urids& Ids() const { return urid; }

private:
    // Events per run, each way: the plug-in's input ring and output hold 256.
    static constexpr int kMaxEvents = 256;

    explicit Plugin(double rate) : rate(rate) {}
    static VstIntPtr Master(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void ApplyControls();
    void ReadInput(uint32_t frames);
    void ReadMessage(const LV2_Atom* atom);
    void WriteNotify();
    void Collect(const VstEvents* events);
    void WriteOutput();

    double rate;
    VstInt32 blockSize = 4096;
    AEffect* effect = nullptr;
    bool active = false;

    const float* controls[kControls] = {};
    float applied[kControls] = {}; // the port values last given to the plug-in
    bool appliedOnce = false;
    bool adoptPorts = false; // take the ports' values without applying them (after a restore)
    float* audio[4] = {};          // in left, in right, out left, out right
    const LV2_Atom_Sequence* midiIn = nullptr;
    LV2_Atom_Sequence* midiOut = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    Urids urid = {};
    // The program whose record a UI was last sent; -1 until one asks.
    VstIntPtr notifiedProgram = -1;
    bool recordAsked = false;
    Message record = {};

    VstMidiEvent input[kMaxEvents] = {};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxEvents];
    } inputList = {};
    VstMidiEvent output[kMaxEvents] = {};
    int outputCount = 0;
    uint32_t outputCapacity = 0; // bytes the host gave the output sequence
    std::atomic<uint32_t> edits{0}; // written by the panel's thread, taken by the UI's
    std::atomic<uint32_t> triggers{0};
    std::atomic<uint32_t> panics{0};
};

} // namespace moravox::lv2
