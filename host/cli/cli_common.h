// What the moravox-host commands share: exit statuses, loading the plug-in, and the options
// that set it up (--preset, --bank, --program, --set, --seed).
#pragma once

#include "host/cli/cli_args.h"
#include "host/formats/fx_preset.h"
#include "host/core/host.h"
#include "host/core/plugin_library.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

constexpr int kExitOk = 0;
// The plug-in could not be loaded, instantiated or driven, or an output could not be written.
constexpr int kExitFailure = 1;
// Bad usage, or an input file that is missing or malformed.
constexpr int kExitBadInput = 2;

// The vendor-specific request that reseeds every generator of an instance: index 'MVXs', value
// the seed.
constexpr VstInt32 kSeedRequest = FourCC('M', 'V', 'X', 's');

// A loaded library and one instance of its plug-in, opened.
struct LoadedPlugin {
    explicit LoadedPlugin(const std::string& path, const HostAnswers& answers)
        : library(path), host(library, answers) {}
    PluginLibrary library;
    Host host;
};

// Null, after one line on `err`, when the library does not load or its entry refuses.
std::unique_ptr<LoadedPlugin> LoadPlugin(const std::string& path, const HostAnswers& answers,
                                         std::ostream& err);

// "moravox-host: " and the text, as one line.
int Fail(std::ostream& err, int status, const std::string& text);
// The message and the usage text; exit status 2.
int UsageError(const std::string& message, std::ostream& err);

// The parameters --set takes, in words: "0 to 15, 17 to 20 and 49".
std::string SettableIndices();

struct ParameterSetting {
    VstInt32 index = 0;
    float value = 0.0f;
};

struct PluginSettings {
    std::string presetPath;
    std::string bankPath;
    std::optional<VstInt32> program;
    std::vector<ParameterSetting> parameters; // in the order given
    std::optional<uint32_t> seed;
    std::optional<std::string> name; // for the current program
};

// The options each command that takes settings accepts.
const std::set<std::string>& SettingOptions();

// Reads the setting options; false with a usage message in `error`.
bool ParseSettings(const CommandArguments& args, PluginSettings& settings, std::string& error);

// Reads the preset files and applies everything to the opened plug-in: the bank, the program,
// the preset, the parameters in order, the name, the seed. A malformed or refused file changes
// nothing and gives one line naming it, with exit status 2. Returns the exit status.
int ApplySettings(Host& host, const PluginSettings& settings, std::ostream& err);

} // namespace moravox::host
