// What our host answers when a plug-in calls back into it. Every answer can be changed by a test.
#pragma once

#include "plugin/protocol/vst_abi.h"

#include <map>
#include <optional>
#include <string>

namespace moravox::host {

struct HostAnswers {
    HostAnswers();

    VstIntPtr version = 2400;               // audioMasterVersion
    std::string vendor = "Moravox";         // audioMasterGetVendorString
    std::string product = "moravox-host";   // audioMasterGetProductString
    VstIntPtr vendorVersion = 1000;         // audioMasterGetVendorVersion
    std::map<std::string, VstIntPtr> canDo; // audioMasterCanDo; texts not listed answer 0
    float sampleRate = 48000.0f; // audioMasterGetSampleRate, and effSetSampleRate on Open
    VstIntPtr blockSize = 256;   // audioMasterGetBlockSize, and effSetBlockSize on Open
    // audioMasterGetDirectory: unset means the plug-in's own folder with a trailing '/'.
    std::optional<std::string> directory;
    bool nullDirectory = false; // answer a null pointer to audioMasterGetDirectory
    VstIntPtr sizeWindow = 1;   // audioMasterSizeWindow
    bool answerZero = false;    // answer 0 to every host call (still logged)
    // For driving the plug-in from a real-time thread: no call is logged (the log allocates and
    // locks), calls are only counted, and the MIDI of audioMasterProcessEvents is copied into a
    // buffer allocated beforehand (Host::TakeRealtimeEvents).
    bool realtimeEvents = false;
};

} // namespace moravox::host
