// The plug-in instance the live tool runs. It gets a callback of its own rather than the Host
// one: the MIDI the plug-in hands over during processReplacing has to reach the JACK output in
// the same cycle, without a lock, a log entry or an allocation on the way.
#pragma once

#include "host/core/host_answers.h"
#include "host/core/plugin_library.h"
#include "plugin/protocol/vst_abi.h"

#include <atomic>
#include <string>

namespace moravox::host {

// Receives what the plug-in hands over with audioMasterProcessEvents, on the plug-in's thread.
class LiveEventSink {
public:
    virtual void TakeEvents(const VstEvents& events) noexcept = 0;

protected:
    ~LiveEventSink() = default;
};

class LivePlugin {
public:
    explicit LivePlugin(const std::string& path);
    // Suspends and closes the instance if that has not happened yet.
    ~LivePlugin();
    LivePlugin(const LivePlugin&) = delete;
    LivePlugin& operator=(const LivePlugin&) = delete;

    // Calls the plug-in's entry. False (see Error) when the library did not load, the entry
    // returned null or a record with a wrong magic, or another LivePlugin of this process is
    // instantiated: the callback can only route to one.
    bool Instantiate();
    const std::string& Error() const { return error_; }
    AEffect* Effect() const { return effect_.load(std::memory_order_acquire); }

    // effOpen, then the sample rate and block size; both are answered to the plug-in from then on.
    void Open(float sampleRate, VstInt32 blockSize);
    // effSetBlockSize; real-time safe, for a server that changes its buffer size.
    void SetBlockSize(VstInt32 frames);
    void Resume();
    void Suspend();
    // effClose: the record is gone afterwards, and the callback answers nothing more.
    void Close();

    // Each of these does nothing (and answers 0) once there is no record.
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void SetParameter(VstInt32 index, float value);
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames);

    // Where hand-overs go; with none set they are dropped. Set it before processing starts.
    void SetEventSink(LiveEventSink* sink) { sink_.store(sink, std::memory_order_release); }

    // Answers one call from the plug-in; reached through the C callback.
    VstIntPtr HandleHostCall(VstInt32 opcode, void* ptr);

private:
    void Forget();

    PluginLibrary library_;
    const HostAnswers answers_; // the fixed answers: version, names, capabilities
    const std::string directory_;
    std::atomic<AEffect*> effect_{nullptr};
    std::atomic<float> sampleRate_;
    std::atomic<VstIntPtr> blockSize_;
    std::atomic<LiveEventSink*> sink_{nullptr};
    bool registered_ = false;
    bool resumed_ = false;
    std::string error_;
};

} // namespace moravox::host
