#include "host/core/plugin_info.h"

namespace moravox::host {

const std::vector<std::string>& PluginCanDoWords() {
    static const std::vector<std::string> words = {"sendVstEvents",
                                                   "sendVstMidiEvent",
                                                   "sendVstTimeInfo",
                                                   "receiveVstEvents",
                                                   "receiveVstMidiEvent",
                                                   "receiveVstTimeInfo",
                                                   "offline",
                                                   "plugAsChannelInsert",
                                                   "plugAsSend",
                                                   "mixDryWet",
                                                   "noRealTime",
                                                   "multipass",
                                                   "metapass",
                                                   "1in1out",
                                                   "1in2out",
                                                   "2in1out",
                                                   "2in2out",
                                                   "2in4out",
                                                   "4in2out",
                                                   "4in4out",
                                                   "4in8out",
                                                   "8in4out",
                                                   "8in8out",
                                                   "midiProgramNames",
                                                   "conformsToWindowRules",
                                                   "bypass"};
    return words;
}

PluginInfo GatherInfo(Host& host) {
    if (host.Effect() == nullptr) return ReadInfo(host);
    host.Open();
    PluginInfo info = ReadInfo(host);
    host.Close();
    return info;
}

PluginInfo ReadInfo(Host& host) {
    PluginInfo info;
    info.path = host.Library().Path();
    if (host.Effect() == nullptr) return info;
    const AEffect& effect = *host.Effect();
    info.magic = effect.magic;
    info.uniqueId = effect.uniqueID;
    info.version = effect.version;
    info.flags = effect.flags;
    info.numInputs = effect.numInputs;
    info.numOutputs = effect.numOutputs;
    info.numPrograms = effect.numPrograms;
    info.numParams = effect.numParams;
    info.initialDelay = effect.initialDelay;

    info.vstVersion = host.Dispatch(effGetVstVersion);
    info.effectName = host.GetString(effGetEffectName);
    info.vendor = host.GetString(effGetVendorString);
    info.product = host.GetString(effGetProductString);
    info.vendorVersion = host.Dispatch(effGetVendorVersion);
    info.category = host.Dispatch(effGetPlugCategory);
    info.currentProgram = host.Dispatch(effGetProgram);

    for (VstInt32 i = 0; i < info.numParams; ++i) {
        info.parameters.push_back(
            {i, host.ParameterName(i), host.ParameterDisplay(i), host.ParameterLabel(i)});
    }
    for (VstInt32 i = 0; i < info.numPrograms; ++i) info.programs.push_back(host.ProgramName(i));
    for (const std::string& word : PluginCanDoWords()) {
        info.canDo.push_back({word, host.CanDo(word)});
    }
    info.editorRect = host.EditorRect();
    return info;
}

} // namespace moravox::host
