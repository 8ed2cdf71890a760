#include "host/cli/cli.h"

#include "host/cli/cli_common.h"
#include "host/cli/cli_dump.h"
#include "host/cli/cli_lv2_state.h"
#include "host/cli/cli_preset.h"
#include "host/cli/cli_render.h"
#include "host/gui/gui_cli.h"
#include "host/cli/json_report.h"
#include "host/formats/file_io.h"
#include "host/live/live_command.h"
#include "host/core/plugin_info.h"
#include "host/cli/report.h"
#include "host/validate/validate.h"

// Set by CMake from the project's version, MORAVOX_ARCH and CMAKE_BUILD_TYPE.
#if !defined(MORAVOX_VERSION) || !defined(MORAVOX_BUILD_ARCH) || !defined(MORAVOX_BUILD_TYPE)
#error "moravox-host is built with MORAVOX_VERSION, MORAVOX_BUILD_ARCH and MORAVOX_BUILD_TYPE"
#endif

namespace moravox::host {
namespace {

// The tool is built and shipped with the plug-in, so both carry the project's version.
std::string VersionLines() {
    const std::string type = MORAVOX_BUILD_TYPE;
    return "moravox-host " MORAVOX_VERSION "\n"
           "plug-in: Moravox " MORAVOX_VERSION "\n"
           "architecture: " MORAVOX_BUILD_ARCH "\n"
           "build type: " +
           (type.empty() ? std::string("none") : type) + "\n";
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandArguments parsed;
    std::string error;
    if (!parsed.Parse(args, 1, SettingOptions(), {"--json"}, error)) {
        return UsageError("info: " + error, err);
    }
    if (parsed.Plain().size() != 1) return UsageError("info takes exactly one plug-in path", err);
    PluginSettings settings;
    if (!ParseSettings(parsed, settings, error)) return UsageError(error, err);
    auto plugin = LoadPlugin(parsed.Plain()[0], HostAnswers(), err);
    if (plugin == nullptr) return kExitFailure;
    const int status = ApplySettings(plugin->host, settings, err);
    if (status != kExitOk) return status;
    const PluginInfo info = ReadInfo(plugin->host);
    out << (parsed.Has("--json") ? FormatJsonReport(info) : FormatReport(info));
    return kExitOk;
}

} // namespace

std::string UsageText() {
    return "Usage: moravox-host COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  info PLUGIN.so [--json] [SETTINGS]\n"
           "      load a VST 2 plug-in, scan it and print what it reports (as JSON with --json)\n"
           "  render PLUGIN.so IN.mid -o OUT.mid [--rate HZ] [--block FRAMES] [--tail SECONDS]\n"
           "         [--max-length SECONDS] [--keep-input] [SETTINGS]\n"
           "      play a MIDI file through the plug-in and write what it sends back; music\n"
           "      longer than --max-length is refused\n"
           "      (defaults: --rate 48000 --block 256 --tail 1 --max-length 86400)\n"
           "  preset save PLUGIN.so OUT.fxp [SETTINGS]   save the current program\n"
           "  bank save PLUGIN.so OUT.fxb [SETTINGS]     save all programs\n"
           "  bank lv2 PLUGIN.so OUT.lv2 [SETTINGS]\n"
           "      save all programs and the current one as LV2 state (a preset bundle the\n"
           "      LV2 build restores; with --bank FILE.fxb a VST 2 bank becomes LV2 state)\n"
           "  dump FILE.mid [--limit N]   print a MIDI file's events (N per track)\n"
           + GuiUsage() +
           "  validate PLUGIN.so [--strictness 1..10] [--seed N] [--no-gui] [--only PREFIX]\n"
           "      run the validation suite (one line per check; non-zero exit on a failure)\n"
           "  validate --list   list the checks, grouped and numbered\n"
           "  live PLUGIN.so [-j NAME] [-C] [--no-gui] [-p INDEX:VALUE] [--preset FILE.fxp]\n"
           "       [--seed N]\n"
           "      run the plug-in as a JACK client, with its panel in a window, until Ctrl-C\n"
           "      (-j client name, -C no connection to physical MIDI ports, -p repeatable)\n"
           "\n"
           "Settings, applied in this order:\n"
           "  --bank FILE.fxb     load a bank; or LV2 state (a state.ttl, or the folder\n"
           "                      holding one) that an LV2 host saved\n"
           "  --program N         select program N (from 0)\n"
           "  --preset FILE.fxp   load a program into the current program\n"
           "  --set INDEX=VALUE   set a parameter to a value from 0 to 1 (repeatable;\n"
           "                      INDEX " + SettableIndices() + ")\n"
           "  --name TEXT         name the current program\n"
           "  --seed N            reseed the plug-in's generators: same seed, same output\n"
           "\n"
           "Options:\n"
           "  -h, --help       show this help\n"
           "  -V, --version    show the version, the architecture and the build type\n"
           "\n"
           "Input files larger than " + std::to_string(kMaxInputBytes >> 20) +
           " MiB, and anything but regular files, are refused.\n"
           "Outputs replace a file whole, through a symbolic link, keeping its permissions.\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool errIsTerminal) {
    if (args.empty()) return UsageError("no command given", err);
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        out << UsageText();
        return kExitOk;
    }
    if (command == "-V" || command == "--version") {
        out << VersionLines();
        return kExitOk;
    }
    if (command == "info") return Info(args, out, err);
    if (command == "render") return RunRender(args, out, err, errIsTerminal);
    if (command == "bank" && args.size() > 1 && args[1] == "lv2") return RunBankLv2(args, out, err);
    if (command == "preset" || command == "bank") return RunPresetSave(args, out, err);
    if (command == "dump") return RunDump(args, out, err);
    if (command == "gui") return RunGui(args, out, err);
    if (command == "validate") return RunValidate(args, out, err);
    if (command == "validate-no-display-probe") return RunValidateNoDisplayProbe(args, err);
    if (command == "live") return RunLive(args, out, err);
    return UsageError("unknown command '" + command + "'", err);
}

} // namespace moravox::host
