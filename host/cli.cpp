#include "host/cli.h"

#include "host/host.h"
#include "host/plugin_info.h"
#include "host/plugin_library.h"
#include "host/report.h"

namespace moravox::host {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Info(const std::string& path, std::ostream& out, std::ostream& err) {
    PluginLibrary library(path);
    if (!library.Loaded()) {
        err << "moravox-host: " << library.Error() << "\n";
        return kExitFailure;
    }
    Host host(library);
    if (!host.Instantiate()) {
        err << "moravox-host: " << host.Error() << "\n";
        return kExitFailure;
    }
    out << FormatReport(GatherInfo(host));
    return kExitOk;
}

int UsageError(const std::string& message, std::ostream& err) {
    err << "moravox-host: " << message << "\n\n" << UsageText();
    return kExitUsage;
}

} // namespace

std::string UsageText() {
    return "Usage: moravox-host COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  info PLUGIN.so   load a VST 2 plug-in, scan it and print what it reports\n"
           "\n"
           "Options:\n"
           "  -h, --help       show this help\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return UsageError("no command given", err);
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        out << UsageText();
        return kExitOk;
    }
    if (command == "info") {
        if (args.size() != 2) return UsageError("info takes exactly one plug-in path", err);
        if (!args[1].empty() && args[1][0] == '-') {
            return UsageError("info: unknown option '" + args[1] + "'", err);
        }
        return Info(args[1], out, err);
    }
    return UsageError("unknown command '" + command + "'", err);
}

} // namespace moravox::host
