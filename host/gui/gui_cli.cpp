#include "host/gui/gui_cli.h"

#include <cstdlib>

#include "host/cli/cli_common.h"
#include "host/gui/gui_session.h"
#include "host/gui/gui_xlib.h"

namespace moravox::host {

namespace {

bool ParseTeardown(const std::string& text, Teardown& teardown) {
    if (text == "normal")
        teardown = Teardown::Normal;
    else if (text == "display-first")
        teardown = Teardown::DisplayFirst;
    else if (text == "unload-first")
        teardown = Teardown::UnloadFirst;
    else if (text == "no-edit-close")
        teardown = Teardown::NoEditClose;
    else
        return false;
    return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && seconds >= 0 && seconds <= 86400;
}

bool ParsePosition(const std::string& text, int& x, int& y) {
    const size_t comma = text.find(',');
    uint64_t a = 0, b = 0;
    if (comma == std::string::npos || !ParseInteger(text.substr(0, comma), 0, 4096, a) ||
        !ParseInteger(text.substr(comma + 1), 0, 4096, b))
        return false;
    x = static_cast<int>(a);
    y = static_cast<int>(b);
    return true;
}

} // namespace

std::string GuiUsage() {
    return "  gui PLUGIN.so [--host-model 1|2|3] [--instances K] [--seconds S]\n"
           "      [--screenshot FILE.png] [--commands] [--cycles N] [--process] [--notes]\n"
           "      [--automate] [--at X,Y] [--baseline-tick MS] [--reconnect]\n"
           "      [--teardown normal|display-first|unload-first|no-edit-close]\n"
           "      open the plug-in's editor in a window as a host of that kind embeds it\n"
           "      (default model 1), until closed, S seconds, N reopenings or 'quit';\n"
           "      --instances: K instances (1 to 8), their windows side by side from X,Y;\n"
           "      --reconnect (model 2): each editor's connection and window close with it and\n"
           "      are made anew at the next opening, as Carla does\n";
}

int RunGui(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandArguments parsed;
    std::string error;
    const std::set<std::string> valued = {"--host-model", "--instances",    "--seconds",
                                          "--screenshot", "--cycles",       "--at",
                                          "--teardown",   "--baseline-tick"};
    const std::set<std::string> flags = {"--commands", "--process", "--notes", "--automate",
                                         "--reconnect"};
    if (!parsed.Parse(args, 1, valued, flags, error)) return UsageError("gui: " + error, err);
    if (parsed.Plain().size() != 1) return UsageError("gui takes exactly one plug-in path", err);
    GuiOptions options;
    uint64_t number = 0;
    if (parsed.Has("--host-model")) {
        if (!ParseInteger(parsed.Last("--host-model"), 1, 3, number))
            return UsageError("gui: --host-model takes 1, 2 or 3", err);
        options.hostModel = static_cast<int>(number);
    }
    if (parsed.Has("--instances")) {
        if (!ParseInteger(parsed.Last("--instances"), 1, GuiSession::kMaxInstances, number))
            return UsageError("gui: --instances takes a count from 1 to 8", err);
        options.instances = static_cast<int>(number);
    }
    if (parsed.Has("--seconds") && !ParseSeconds(parsed.Last("--seconds"), options.seconds))
        return UsageError("gui: --seconds takes a number of seconds", err);
    if (parsed.Has("--cycles")) {
        if (!ParseInteger(parsed.Last("--cycles"), 1, 100000, number))
            return UsageError("gui: --cycles takes a count from 1", err);
        options.cycles = static_cast<int>(number);
    }
    if (parsed.Has("--at") && !ParsePosition(parsed.Last("--at"), options.x, options.y))
        return UsageError("gui: --at takes X,Y", err);
    if (parsed.Has("--teardown") && !ParseTeardown(parsed.Last("--teardown"), options.teardown))
        return UsageError("gui: unknown --teardown order", err);
    if (parsed.Has("--baseline-tick")) {
        if (!ParseInteger(parsed.Last("--baseline-tick"), 1, 1000, number))
            return UsageError("gui: --baseline-tick takes milliseconds from 1 to 1000", err);
        options.baselineTickMs = static_cast<int>(number);
    }
    options.screenshot = parsed.Last("--screenshot");
    options.commands = parsed.Has("--commands");
    options.process = parsed.Has("--process");
    options.notes = parsed.Has("--notes");
    options.automate = parsed.Has("--automate");
    options.reconnect = parsed.Has("--reconnect");
    if (options.reconnect && options.hostModel != 2)
        return UsageError("gui: --reconnect goes with --host-model 2", err);

    const XlibApi* x = LoadXlib(error);
    if (!x) return Fail(err, kExitFailure, "gui: " + error);
    GuiSession session(*x, options, out, err);
    return session.Run(parsed.Plain()[0]);
}

} // namespace moravox::host
