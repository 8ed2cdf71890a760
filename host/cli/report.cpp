#include "host/cli/report.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

namespace moravox::host {
namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

std::string FourCharCode(VstInt32 code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(static_cast<uint32_t>(code) >> shift);
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return text;
}

std::string FlagNames(VstInt32 flags) {
    static const struct {
        VstInt32 bit;
        const char* name;
    } kNames[] = {
        {effFlagsHasEditor, "hasEditor"},
        {effFlagsHasClip, "hasClip"},
        {effFlagsHasVu, "hasVu"},
        {effFlagsCanMono, "canMono"},
        {effFlagsCanReplacing, "canReplacing"},
        {effFlagsProgramChunks, "programChunks"},
        {effFlagsIsSynth, "isSynth"},
        {effFlagsNoSoundInStop, "noSoundInStop"},
        {effFlagsExtIsAsync, "extIsAsync"},
        {effFlagsExtHasBuffer, "extHasBuffer"},
    };
    std::string text;
    uint32_t rest = static_cast<uint32_t>(flags);
    for (const auto& entry : kNames) {
        if ((rest & static_cast<uint32_t>(entry.bit)) == 0) continue;
        rest &= ~static_cast<uint32_t>(entry.bit);
        text += text.empty() ? "" : " ";
        text += entry.name;
    }
    if (rest != 0) text += (text.empty() ? "" : " ") + Hex(rest);
    return text.empty() ? "none" : text;
}

std::string CategoryName(VstIntPtr category) {
    static const char* const kNames[] = {"unknown",     "effect",         "synth",  "analysis",
                                         "mastering",   "spacializer",    "roomFx", "surroundFx",
                                         "restoration", "offlineProcess", "shell",  "generator"};
    if (category < 0 || category >= static_cast<VstIntPtr>(sizeof kNames / sizeof kNames[0])) {
        return "not a known category";
    }
    return kNames[category];
}

std::string CanDoName(VstIntPtr answer) {
    if (answer > 0) return "yes";
    if (answer < 0) return "no";
    return "don't know";
}

std::string VersionText(const PluginInfo& info) {
    const long long number = info.vendorVersion != 0 ? info.vendorVersion : info.version;
    if (number < 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld", number / 100, number % 100);
    return text;
}

std::string FormatReport(const PluginInfo& info) {
    std::ostringstream out;
    const bool magicOk = info.magic == kEffectMagic;
    out << "Plug-in: " << info.path << "\n";
    out << "Magic: " << (magicOk ? "OK" : "BAD") << " (" << FourCharCode(info.magic) << ", "
        << Hex(static_cast<uint32_t>(info.magic)) << ")\n";
    out << "Unique ID: '" << FourCharCode(info.uniqueId) << "' ("
        << Hex(static_cast<uint32_t>(info.uniqueId)) << ")\n";
    out << "Plug-in version: " << info.version << "\n";
    out << "VST version: " << info.vstVersion << "\n";
    out << "Effect name: " << info.effectName << "\n";
    out << "Vendor: " << info.vendor << "\n";
    out << "Product: " << info.product << "\n";
    out << "Vendor version: " << info.vendorVersion << "\n";
    const std::string version = VersionText(info);
    if (!version.empty()) out << "Version: " << version << "\n";
    out << "Category: " << info.category << " (" << CategoryName(info.category) << ")\n";
    out << "Flags: " << info.flags << " (" << FlagNames(info.flags) << ")\n";
    out << "Inputs: " << info.numInputs << "\n";
    out << "Outputs: " << info.numOutputs << "\n";
    out << "Programs: " << info.numPrograms << "\n";
    out << "Parameters: " << info.numParams << "\n";
    out << "Initial delay: " << info.initialDelay << "\n";
    out << "Current program: " << info.currentProgram << "\n";
    out << "Parameter list:\n";
    for (const ParameterInfo& p : info.parameters) {
        out << "  " << p.index << ": " << p.name << " = " << p.display;
        if (!p.label.empty()) out << " " << p.label;
        out << "\n";
    }
    out << "Program list:\n";
    for (size_t i = 0; i < info.programs.size(); ++i) {
        out << "  " << i << ": " << info.programs[i] << "\n";
    }
    out << "Can do:\n";
    for (const CanDoAnswer& c : info.canDo) {
        out << "  " << c.text << ": " << CanDoName(c.answer) << " (" << c.answer << ")\n";
    }
    if (info.editorRect) {
        const ERect& r = *info.editorRect;
        out << "Editor: " << (r.right - r.left) << " x " << (r.bottom - r.top) << " (top " << r.top
            << ", left " << r.left << ", bottom " << r.bottom << ", right " << r.right << ")\n";
    } else {
        out << "Editor: none\n";
    }
    return out.str();
}

} // namespace moravox::host
