#include "host/cli/cli_preset.h"

#include "host/cli/cli_common.h"
#include "host/formats/file_io.h"

namespace moravox::host {
namespace {

// The plug-in's chunk, copied before anything else can change it.
std::vector<uint8_t> GetChunk(Host& host, FxKind kind) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, kind == FxKind::Program ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

} // namespace

int RunPresetSave(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const FxKind kind = args[0] == "bank" ? FxKind::Bank : FxKind::Program;
    const std::string command = args[0] + " save";
    const std::string extension = kind == FxKind::Program ? "fxp" : "fxb";
    CommandArguments parsed;
    std::string error;
    if (args.size() < 2 || args[1] != "save") {
        return UsageError(args[0] + " takes 'save': " + command + " PLUGIN.so OUT." + extension,
                          err);
    }
    if (!parsed.Parse(args, 2, SettingOptions(), {}, error)) return UsageError(error, err);
    if (parsed.Plain().size() != 2) {
        return UsageError(command + " takes a plug-in and an output file: " + command +
                              " PLUGIN.so OUT." + extension,
                          err);
    }
    PluginSettings settings;
    if (!ParseSettings(parsed, settings, error)) return UsageError(error, err);
    const std::string& output = parsed.Plain()[1];

    auto plugin = LoadPlugin(parsed.Plain()[0], HostAnswers(), err);
    if (plugin == nullptr) return kExitFailure;
    Host& host = plugin->host;
    const AEffect effect = *host.Effect();
    if ((effect.flags & effFlagsProgramChunks) == 0) {
        return Fail(err, kExitFailure, "the plug-in does not keep its programs as chunks");
    }
    const int status = ApplySettings(host, settings, err);
    if (status != kExitOk) return status;

    FxPreset preset;
    preset.kind = kind;
    preset.version = kind == FxKind::Program ? 1 : 2;
    preset.fxId = effect.uniqueID;
    const VstIntPtr vendorVersion = host.Dispatch(effGetVendorVersion);
    preset.fxVersion = vendorVersion != 0 ? static_cast<int32_t>(vendorVersion) : effect.version;
    preset.count = kind == FxKind::Program ? effect.numParams : effect.numPrograms;
    const VstIntPtr program = host.Dispatch(effGetProgram);
    preset.currentProgram = static_cast<int32_t>(program);
    preset.name = host.GetString(effGetProgramName);
    preset.chunk = GetChunk(host, kind);
    if (preset.chunk.empty()) {
        return Fail(err, kExitFailure,
                    std::string("the plug-in gave no ") + FxKindName(kind) + " chunk");
    }
    if (!WriteFileAtomically(output, WriteFx(preset), error)) return Fail(err, kExitFailure, error);
    out << "Saved "
        << (kind == FxKind::Program
                ? "program " + std::to_string(program) + " \"" + preset.name + "\""
                : "the bank of " + std::to_string(effect.numPrograms) + " programs")
        << " (" << preset.chunk.size() << "-byte chunk) to " << output << "\n";
    return kExitOk;
}

} // namespace moravox::host
