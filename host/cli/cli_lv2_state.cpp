#include "host/cli/cli_lv2_state.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sstream>

#include "host/cli/cli_common.h"
#include "host/formats/file_io.h"

namespace moravox::host {
namespace {

constexpr const char* kPluginUri = "https://moravox.org/lv2/moravox";

// The control ports by index: their symbols, and the largest value of each (the parameter
// value times it, rounded, is the port's value).
struct Port {
    const char* symbol;
    int largest;
};
constexpr Port kPorts[] = {
    {"format", 1},         {"format_in", 22},    {"format_out", 1},  {"channel", 1},
    {"channel_min", 15},   {"channel_max", 15},  {"number", 1},      {"number_min", 127},
    {"number_max", 127},   {"value", 1},         {"value_min", 127}, {"value_max", 127},
    {"thru", 1},           {"in_thru", 1},       {"panic", 1},       {"preset_switching", 1},
};

std::string Base64(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text += kDigits[n >> 18 & 63];
        text += kDigits[n >> 12 & 63];
        text += i + 1 < bytes.size() ? kDigits[n >> 6 & 63] : '=';
        text += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return text;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string Lv2StateManifest() {
    return "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
           "<state.ttl>\n    a pset:Preset ;\n    lv2:appliesTo <" +
           std::string(kPluginUri) + "> ;\n    rdfs:seeAlso <state.ttl> .\n";
}

std::string Lv2StateTurtle(const std::vector<uint8_t>& bank, int32_t program,
                           const std::vector<float>& ports, const std::string& label) {
    std::ostringstream t;
    t << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
         "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
         "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
         "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
         "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n"
         "<>\n    a pset:Preset ;\n    lv2:appliesTo <"
      << kPluginUri << "> ;\n    rdfs:label " << Quoted(label) << " ;\n    lv2:port";
    for (size_t i = 0; i < ports.size() && i < std::size(kPorts); i++) {
        t << (i ? " , [\n" : " [\n") << "        lv2:symbol \"" << kPorts[i].symbol
          << "\" ;\n        pset:value " << static_cast<int>(ports[i]) << ".0\n    ]";
    }
    t << " ;\n    state:state [\n        <" << kPluginUri << "#bank> \"" << Base64(bank)
      << "\"^^xsd:base64Binary ;\n        <" << kPluginUri << "#program> \"" << program
      << "\"^^xsd:int\n    ] .\n";
    return t.str();
}

int RunBankLv2(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string usage = "bank lv2 PLUGIN.so OUT.lv2 [SETTINGS]";
    CommandArguments parsed;
    std::string error;
    if (!parsed.Parse(args, 2, SettingOptions(), {}, error)) return UsageError(error, err);
    if (parsed.Plain().size() != 2)
        return UsageError("bank lv2 takes a plug-in and an output folder: " + usage, err);
    PluginSettings settings;
    if (!ParseSettings(parsed, settings, error)) return UsageError(error, err);
    const std::string folder = parsed.Plain()[1];

    auto plugin = LoadPlugin(parsed.Plain()[0], HostAnswers(), err);
    if (plugin == nullptr) return kExitFailure;
    Host& host = plugin->host;
    if ((host.Effect()->flags & effFlagsProgramChunks) == 0)
        return Fail(err, kExitFailure, "the plug-in does not keep its programs as chunks");
    const int status = ApplySettings(host, settings, err);
    if (status != kExitOk) return status;

    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
    if (data == nullptr || size <= 0) return Fail(err, kExitFailure, "the plug-in gave no bank chunk");
    const auto* bytes = static_cast<const uint8_t*>(data);
    const std::vector<uint8_t> bank(bytes, bytes + size);
    const auto program = static_cast<int32_t>(host.Dispatch(effGetProgram));
    std::vector<float> ports;
    for (size_t i = 0; i < std::size(kPorts); i++) {
        const float value = host.GetParameter(static_cast<VstInt32>(i));
        ports.push_back(std::round(std::isfinite(value) ? value * kPorts[i].largest : 0.0f));
    }
    const std::string label = host.GetString(effGetProgramName);

    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return Fail(err, kExitFailure, folder + ": " + std::strerror(errno));
    const std::string manifest = Lv2StateManifest();
    const std::string state = Lv2StateTurtle(bank, program, ports, label);
    for (const auto& [name, text] : {std::pair<const char*, const std::string&>{"manifest.ttl", manifest},
                                     {"state.ttl", state}}) {
        if (!WriteFileAtomically(folder + "/" + name, std::vector<uint8_t>(text.begin(), text.end()),
                                 error))
            return Fail(err, kExitFailure, error);
    }
    out << "Saved the bank of " << host.Effect()->numPrograms << " programs (" << bank.size()
        << "-byte chunk, program " << program << " current) as LV2 state in " << folder << "\n";
    return kExitOk;
}

} // namespace moravox::host
