// One plug-in instance driven by our host. The record is only ever used through its own function
// fields, exactly as a real host would.
#pragma once

#include "host/host_answers.h"
#include "host/host_call_log.h"
#include "host/plugin_library.h"
#include "plugin/vst_abi.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace moravox::host {

class Host {
public:
    // Large enough that a plug-in overrunning the 64-byte text convention is caught, not fatal.
    static constexpr size_t kStringBufferSize = 512;

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
    VstIntPtr CanDo(const std::string& text);

    size_t CallCount(VstInt32 opcode) const { return log_.Count(opcode); }
    std::vector<HostCall> Calls() const { return log_.Calls(); }
    std::vector<HostCall> Calls(VstInt32 opcode) const { return log_.Calls(opcode); }
    void ClearCalls() { log_.Clear(); }

    HostAnswers Answers() const;
    // Takes effect for the next host call; a directory text handed out earlier becomes invalid.
    void SetAnswers(const HostAnswers& answers);

    // Answers one call from the plug-in; reached through the C callback.
    VstIntPtr HandleHostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt);

private:
    bool CallMain(audioMasterCallback callback);
    VstIntPtr Answer(VstInt32 opcode, void* ptr, const std::string& text);
    void Forget();

    PluginLibrary& library_;
    mutable std::mutex answersMutex_;
    HostAnswers answers_;
    std::string directory_; // what audioMasterGetDirectory points at
    HostCallLog log_;
    AEffect* effect_ = nullptr;
    std::atomic<bool> resumed_{false};
    std::string error_;
};

} // namespace moravox::host

// The callback every plug-in instance gets; routes each call to the Host that owns the record.
extern "C" VstIntPtr MoravoxHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
