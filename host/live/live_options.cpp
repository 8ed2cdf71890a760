#include "host/live/live_options.h"

#include "host/formats/file_io.h"
#include "host/formats/format_error.h"
#include "host/formats/fx_preset.h"

namespace moravox::host {
namespace {

bool ParseParameter(const std::string& text, ParameterSetting& setting) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    uint64_t index = 0;
    if (!ParseInteger(text.substr(0, colon), 0, INT32_MAX, index)) return false;
    setting.index = static_cast<VstInt32>(index);
    return ParseUnitValue(text.substr(colon + 1), setting.value);
}

int SetPreset(LivePlugin& plugin, const std::string& path, std::ostream& err) {
    const AEffect& effect = *plugin.Effect();
    if ((effect.flags & effFlagsProgramChunks) == 0) {
        return Fail(err, kExitFailure, "the plug-in does not keep its programs as chunks");
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error)) return Fail(err, kExitBadInput, error);
    FxPreset preset;
    FormatError problem;
    if (!ReadFx(bytes, FxKind::Program, effect.uniqueID, preset, problem)) {
        return Fail(err, kExitBadInput, problem.Line(path));
    }
    const VstIntPtr size = static_cast<VstIntPtr>(preset.chunk.size());
    if (plugin.Dispatch(effSetChunk, 1, size, preset.chunk.data()) != 0) return kExitOk;
    const FormatError refused{FxPreset::kProgramChunkOffset,
                              "the plug-in refused the program chunk of " +
                                  std::to_string(preset.chunk.size()) + " bytes"};
    return Fail(err, kExitBadInput, refused.Line(path));
}

} // namespace

bool ParseLiveOptions(const std::vector<std::string>& args, LiveOptions& options,
                      std::string& error) {
    CommandArguments parsed;
    if (!parsed.Parse(args, 1, {"-j", "--jack-name", "-p", "--preset", "--seed"},
                      {"-C", "--no-autoconnect", "--no-gui"}, error)) {
        return false;
    }
    if (parsed.Plain().size() != 1) {
        error = "live takes exactly one plug-in path: live PLUGIN.so [OPTIONS]";
        return false;
    }
    options.plugin = parsed.Plain()[0];
    if (parsed.Has("-j") || parsed.Has("--jack-name")) {
        options.jackName =
            parsed.Has("--jack-name") ? parsed.Last("--jack-name") : parsed.Last("-j");
    }
    options.autoconnect = !parsed.Has("-C") && !parsed.Has("--no-autoconnect");
    options.gui = !parsed.Has("--no-gui");
    options.presetPath = parsed.Last("--preset");
    if (parsed.Has("--preset") && options.presetPath.empty()) {
        error = "--preset needs a file name";
        return false;
    }
    for (const std::string& text : parsed.All("-p")) {
        ParameterSetting setting;
        if (!ParseParameter(text, setting)) {
            error = "-p takes INDEX:VALUE with a value from 0 to 1, not '" + text + "'";
            return false;
        }
        options.parameters.push_back(setting);
    }
    if (parsed.Has("--seed")) {
        uint64_t seed = 0;
        if (!ParseInteger(parsed.Last("--seed"), 0, UINT32_MAX, seed)) {
            error = "--seed takes a number from 0 to 4294967295";
            return false;
        }
        options.seed = static_cast<uint32_t>(seed);
    }
    return true;
}

int ApplyLiveSettings(LivePlugin& plugin, const LiveOptions& options, std::ostream& err) {
    if (plugin.Effect() == nullptr) return Fail(err, kExitFailure, "the plug-in is not running");
    if (!options.presetPath.empty()) {
        const int status = SetPreset(plugin, options.presetPath, err);
        if (status != kExitOk) return status;
    }
    for (const ParameterSetting& setting : options.parameters) {
        plugin.SetParameter(setting.index, setting.value);
    }
    if (options.seed) {
        // On i386 the value is 32 bits wide and seeds from 2^31 arrive negative; the plug-in
        // reads the value back as unsigned.
        const VstIntPtr seed = static_cast<VstIntPtr>(static_cast<uintptr_t>(*options.seed));
        if (plugin.Dispatch(effVendorSpecific, kSeedRequest, seed) == 0) {
            return Fail(err, kExitFailure,
                        "the plug-in does not take the seed request ('MVXs'), so its output "
                        "cannot be made reproducible");
        }
    }
    return kExitOk;
}

} // namespace moravox::host
