// Everything a scan learns about a plug-in, gathered through our host.
#pragma once

#include "host/core/host.h"
#include "plugin/protocol/vst_abi.h"

#include <optional>
#include <string>
#include <vector>

namespace moravox::host {

struct ParameterInfo {
    VstInt32 index = 0;
    std::string name;
    std::string display;
    std::string label;
};

struct CanDoAnswer {
    std::string text;
    VstIntPtr answer = 0;
};

struct PluginInfo {
    std::string path;
    VstInt32 magic = 0;
    VstInt32 uniqueId = 0;
    VstInt32 version = 0;
    VstIntPtr vstVersion = 0;
    std::string effectName;
    std::string vendor;
    std::string product;
    VstIntPtr vendorVersion = 0;
    VstIntPtr category = 0;
    VstInt32 flags = 0;
    VstInt32 numInputs = 0;
    VstInt32 numOutputs = 0;
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    VstInt32 initialDelay = 0;
    VstIntPtr currentProgram = 0;
    std::vector<ParameterInfo> parameters;
    std::vector<std::string> programs;
    std::vector<CanDoAnswer> canDo;
    std::optional<ERect> editorRect;
};

// The capability words a plug-in may be asked about.
const std::vector<std::string>& PluginCanDoWords();

// Opens the instantiated plug-in, reads everything, and closes it again.
PluginInfo GatherInfo(Host& host);
// Reads everything from a plug-in that is open already, and leaves it open.
PluginInfo ReadInfo(Host& host);

} // namespace moravox::host
