// One plug-in instance driven by our host. The record is only ever used through its own function
// fields, exactly as a real host would.
#pragma once

#include "host/core/host_answers.h"
#include "host/core/host_call_log.h"
#include "host/core/plugin_library.h"
#include "plugin/protocol/vst_abi.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace moravox::host {

class Host {
public:
    // Large enough that a plug-in overrunning the 64-byte text convention is caught, not fatal.
    static constexpr size_t kStringBufferSize = 512;
    // MIDI events kept in real-time mode between two TakeRealtimeEvents; more are dropped.
    static constexpr size_t kRealtimeEventCapacity = 8192;

    explicit Host(PluginLibrary& library, HostAnswers answers = HostAnswers());
    // Suspends and closes the instance if that has not happened yet.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Calls the plug-in's entry with our callback; false (see Error) when the library did not
    // load, the entry returned null or the record's magic is wrong.
    bool Instantiate();
    // Calls the entry with a null callback, as a broken host would.
    bool InstantiateWithoutCallback();
    AEffect* Effect() const { return effect_; }
    const std::string& Error() const { return error_; }
    PluginLibrary& Library() const { return library_; }

    // Each of these does nothing (and answers 0) once there is no record.
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void Process(float** inputs, float** outputs, VstInt32 frames);
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames);
    void SetParameter(VstInt32 index, float value);
    float GetParameter(VstInt32 index);

    // effOpen, then the sample rate and block size from the answers.
    void Open();
    void Resume();
    void Suspend();
    // effClose: the plug-in destroys the record, so Effect() is null afterwards.
    void Close();

    // Dispatches a text-returning opcode into a zeroed kStringBufferSize buffer.
    std::string GetString(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);
    std::string ParameterName(VstInt32 index) { return GetString(effGetParamName, index); }
    std::string ParameterDisplay(VstInt32 index) { return GetString(effGetParamDisplay, index); }
    std::string ParameterLabel(VstInt32 index) { return GetString(effGetParamLabel, index); }
    // effGetProgramNameIndexed; if the plug-in does not answer it, switches to the program,
    // reads effGetProgramName and switches back.
    std::string ProgramName(VstInt32 program);
    // The rectangle the plug-in answers to effEditGetRect, if it answers one.
    std::optional<ERect> EditorRect();
    // Builds a VstEvents block of these events and hands it over with effProcessEvents.
    VstIntPtr SendMidi(const std::vector<VstMidiEvent>& events);
    // Hands a block the caller built over with effProcessEvents; allocates and locks nothing.
    VstIntPtr SendEvents(VstEvents* events);
    VstIntPtr CanDo(const std::string& text);

    // Logged calls plus those only counted in real-time mode.
    size_t CallCount(VstInt32 opcode) const;
    // The logged calls: none made in real-time mode.
    std::vector<HostCall> Calls() const { return log_.Calls(); }
    std::vector<HostCall> Calls(VstInt32 opcode) const { return log_.Calls(opcode); }
    void ClearCalls();

    // In real-time mode (HostAnswers::realtimeEvents): the MIDI events the plug-in handed over
    // since the last take, in order, and (if asked) how many did not fit. Call it while the
    // plug-in is not processing: the buffer has no lock.
    std::vector<VstMidiEvent> TakeRealtimeEvents(size_t* dropped = nullptr);

    HostAnswers Answers() const;
    // Takes effect for the next host call. Texts handed out earlier stay valid.
    void SetAnswers(const HostAnswers& answers);

    // Answers one call from the plug-in; reached through the C callback.
    VstIntPtr HandleHostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt);

private:
    // One setting of the answers. Each stays alive as long as the host, so a plug-in thread
    // reads the current one without a lock and a directory text handed out stays valid.
    struct AnswerSet {
        HostAnswers answers;
        std::string directory; // what audioMasterGetDirectory points at
    };
    using RealtimeEvents = std::array<VstMidiEvent, kRealtimeEventCapacity>;
    // Host opcodes counted one by one in real-time mode; higher ones are not counted.
    static constexpr size_t kCountedOpcodes = 64;

    bool CallMain(audioMasterCallback callback);
    static VstIntPtr Answer(const AnswerSet& set, VstInt32 opcode, void* ptr, const char* text);
    VstIntPtr HandleRealtimeCall(const AnswerSet& set, VstInt32 opcode, void* ptr);
    void KeepRealtimeEvents(const void* ptr);
    void Forget();

    PluginLibrary& library_;
    mutable std::mutex answersMutex_; // guards answerSets_
    std::vector<std::unique_ptr<const AnswerSet>> answerSets_;
    std::atomic<const AnswerSet*> answers_{nullptr};
    HostCallLog log_;
    std::array<std::atomic<size_t>, kCountedOpcodes> realtimeCalls_{};
    std::unique_ptr<RealtimeEvents> realtimeEvents_; // made before real-time mode is first set
    std::atomic<size_t> realtimeEventCount_{0};      // slots claimed, dropped ones included
    AEffect* effect_ = nullptr;
    std::atomic<bool> resumed_{false};
    std::string error_;
};

} // namespace moravox::host

// The callback every plug-in instance gets; routes each call to the Host that owns the record.
extern "C" VstIntPtr MoravoxHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
