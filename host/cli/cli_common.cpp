#include "host/cli/cli_common.h"

#include "host/cli/cli.h"
#include "host/formats/file_io.h"
#include "host/formats/format_error.h"
#include "host/formats/lv2_state.h"

#include "engine/program/parameter_table.h"

namespace moravox::host {
namespace {

// A preset file read and checked, before anything reaches the plug-in.
struct LoadedFile {
    std::string path;
    FxPreset preset;
};

int ReadPresetFile(const std::string& path, FxKind kind, VstInt32 uniqueId, LoadedFile& file,
                   std::ostream& err) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error)) return Fail(err, kExitBadInput, error);
    FormatError problem;
    if (!ReadFx(bytes, kind, uniqueId, file.preset, problem)) {
        return Fail(err, kExitBadInput, problem.Line(path));
    }
    file.path = path;
    return kExitOk;
}

// LV2 state saved by an LV2 host: the same bank chunk, and its program as a version 2 bank's.
int ReadLv2StateFile(const std::string& path, LoadedFile& file, std::ostream& err) {
    Lv2State state;
    std::string error;
    if (!ReadLv2State(path, state, error)) return Fail(err, kExitBadInput, error);
    file.path = path;
    file.preset.kind = FxKind::Bank;
    file.preset.chunk = std::move(state.bank);
    file.preset.version = state.program >= 0 ? 2 : 1;
    file.preset.currentProgram = state.program;
    return kExitOk;
}

int SetChunk(Host& host, const LoadedFile& file, std::ostream& err) {
    const bool program = file.preset.kind == FxKind::Program;
    std::vector<uint8_t> chunk = file.preset.chunk; // the plug-in is handed a writable copy
    const VstIntPtr accepted = host.Dispatch(effSetChunk, program ? 1 : 0,
                                             static_cast<VstIntPtr>(chunk.size()), chunk.data());
    if (accepted != 0) return kExitOk;
    if (IsLv2StatePath(file.path)) // no file offset to point at: the chunk was base64 text
        return Fail(err, kExitBadInput,
                    file.path + ": the plug-in refused the bank chunk of " +
                        std::to_string(chunk.size()) + " bytes");
    const FormatError refused{file.preset.ChunkOffset(),
                              "the plug-in refused the " +
                                  std::string(FxKindName(file.preset.kind)) + " chunk of " +
                                  std::to_string(chunk.size()) + " bytes"};
    return Fail(err, kExitBadInput, refused.Line(file.path));
}

// Those announced to hosts, and the panel's own, which the plug-in takes through setParameter
// too; 16 (the empty slot) does nothing.
bool IsSettableParameter(VstInt32 index) {
    using namespace velk::engine;
    return (index >= P_FORMAT && index < kHostParameters) ||
           (index >= P_EVERY_NTH && index <= P_RANDOMIZER) || index == P_MANUAL_TRIGGER;
}

bool ParseParameter(const std::string& text, ParameterSetting& setting) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    uint64_t index = 0;
    if (!ParseInteger(text.substr(0, equals), 0, INT32_MAX, index)) return false;
    setting.index = static_cast<VstInt32>(index);
    return ParseUnitValue(text.substr(equals + 1), setting.value);
}

} // namespace

std::string SettableIndices() {
    using namespace velk::engine;
    return std::to_string(P_FORMAT) + " to " + std::to_string(kHostParameters - 1) + ", " +
           std::to_string(P_EVERY_NTH) + " to " + std::to_string(P_RANDOMIZER) + " and " +
           std::to_string(P_MANUAL_TRIGGER);
}

std::unique_ptr<LoadedPlugin> LoadPlugin(const std::string& path, const HostAnswers& answers,
                                         std::ostream& err) {
    auto plugin = std::make_unique<LoadedPlugin>(path, answers);
    if (!plugin->library.Loaded()) {
        Fail(err, kExitFailure, plugin->library.Error());
        return nullptr;
    }
    if (!plugin->host.Instantiate()) {
        Fail(err, kExitFailure, plugin->host.Error());
        return nullptr;
    }
    plugin->host.Open();
    return plugin;
}

int Fail(std::ostream& err, int status, const std::string& text) {
    err << "moravox-host: " << text << "\n";
    return status;
}

int UsageError(const std::string& message, std::ostream& err) {
    err << "moravox-host: " << message << "\n\n" << UsageText();
    return kExitBadInput;
}

const std::set<std::string>& SettingOptions() {
    static const std::set<std::string> options = {"--preset", "--bank", "--program",
                                                  "--set",    "--seed", "--name"};
    return options;
}

bool ParseSettings(const CommandArguments& args, PluginSettings& settings, std::string& error) {
    settings.presetPath = args.Last("--preset");
    settings.bankPath = args.Last("--bank");
    if ((args.Has("--preset") && settings.presetPath.empty()) ||
        (args.Has("--bank") && settings.bankPath.empty())) {
        error = "--preset and --bank need a file name";
        return false;
    }
    uint64_t number = 0;
    if (args.Has("--program")) {
        if (!ParseInteger(args.Last("--program"), 0, INT32_MAX, number)) {
            error = "--program takes a program number from 0";
            return false;
        }
        settings.program = static_cast<VstInt32>(number);
    }
    for (const std::string& text : args.All("--set")) {
        ParameterSetting setting;
        if (!ParseParameter(text, setting)) {
            error = "--set takes INDEX=VALUE with a value from 0 to 1, not '" + text + "'";
            return false;
        }
        if (!IsSettableParameter(setting.index)) {
            error = "--set " + text + ": no parameter " + std::to_string(setting.index) +
                    "; the indices are " + SettableIndices();
            return false;
        }
        settings.parameters.push_back(setting);
    }
    if (args.Has("--seed")) {
        if (!ParseInteger(args.Last("--seed"), 0, UINT32_MAX, number)) {
            error = "--seed takes a number from 0 to 4294967295";
            return false;
        }
        settings.seed = static_cast<uint32_t>(number);
    }
    if (args.Has("--name")) settings.name = args.Last("--name");
    return true;
}

int ApplySettings(Host& host, const PluginSettings& settings, std::ostream& err) {
    const AEffect* effect = host.Effect();
    if (effect == nullptr) return Fail(err, kExitFailure, "the plug-in is not running");
    if (settings.program && *settings.program >= effect->numPrograms) {
        return Fail(err, kExitBadInput,
                    "--program " + std::to_string(*settings.program) + ": the plug-in has " +
                        std::to_string(effect->numPrograms) + " programs, numbered from 0");
    }
    const bool wantsChunks = !settings.presetPath.empty() || !settings.bankPath.empty();
    if (wantsChunks && (effect->flags & effFlagsProgramChunks) == 0) {
        return Fail(err, kExitFailure, "the plug-in does not keep its programs as chunks");
    }
    // Both files are read and checked before either reaches the plug-in.
    LoadedFile bank, preset;
    int status = kExitOk;
    if (!settings.bankPath.empty()) {
        status = IsLv2StatePath(settings.bankPath)
                     ? ReadLv2StateFile(settings.bankPath, bank, err)
                     : ReadPresetFile(settings.bankPath, FxKind::Bank, effect->uniqueID, bank, err);
        if (status != kExitOk) return status;
    }
    if (!settings.presetPath.empty()) {
        status =
            ReadPresetFile(settings.presetPath, FxKind::Program, effect->uniqueID, preset, err);
        if (status != kExitOk) return status;
    }
    if (!bank.path.empty()) {
        if ((status = SetChunk(host, bank, err)) != kExitOk) return status;
        const int32_t saved = bank.preset.currentProgram;
        if (!settings.program && bank.preset.version >= 2) {
            if (saved >= 0 && saved < effect->numPrograms) {
                host.Dispatch(effSetProgram, 0, saved);
            } else {
                err << "moravox-host: warning: " << bank.path << ": the current program "
                    << saved << " is not one of 0 to " << effect->numPrograms - 1
                    << "; program 0 is selected\n";
                host.Dispatch(effSetProgram, 0, 0);
            }
        }
    }
    if (settings.program) host.Dispatch(effSetProgram, 0, *settings.program);
    if (!preset.path.empty() && (status = SetChunk(host, preset, err)) != kExitOk) return status;
    for (const ParameterSetting& setting : settings.parameters) {
        host.SetParameter(setting.index, setting.value);
    }
    if (settings.name) {
        std::vector<char> name(settings.name->begin(), settings.name->end());
        name.push_back('\0');
        host.Dispatch(effSetProgramName, 0, 0, name.data());
    }
    if (settings.seed) {
        // On i386 the value is 32 bits wide and seeds from 2^31 arrive negative; the plug-in
        // reads the value back as unsigned.
        const VstIntPtr seed = static_cast<VstIntPtr>(static_cast<uintptr_t>(*settings.seed));
        if (host.Dispatch(effVendorSpecific, kSeedRequest, seed) == 0) {
            return Fail(err, kExitFailure,
                        "the plug-in does not take the seed request ('MVXs'), so its output "
                        "cannot be made reproducible");
        }
    }
    return kExitOk;
}

} // namespace moravox::host
