#include "host/validate/validate.h"

#include "host/cli/cli_args.h"
#include "host/cli/cli_common.h"
#include "host/validate/validate_check.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include <chrono>
#include <cstdio>
#include <ctime>

extern char** environ;

namespace moravox::host {
namespace validate {
// Defined only in builds that carry the real-time guard (it replaces malloc, which the
// sanitizer runtimes own).
__attribute__((weak)) void AddRealtimeChecks(std::vector<Check>& checks);
} // namespace validate

namespace {

using validate::Check;
using validate::Context;
using validate::Outcome;

std::string SelfPath() {
    char path[4096];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0) return "";
    path[size] = '\0';
    return path;
}

// FNV-1a: the same on every architecture, unlike std::hash.
uint32_t NameHash(const char* name) {
    uint32_t hash = 2166136261u;
    for (; *name; ++name) hash = (hash ^ static_cast<unsigned char>(*name)) * 16777619u;
    return hash;
}

Outcome NoRealtimeGuard(Context&) {
    return Outcome::Skip("this build carries no real-time guard (sanitizer build)");
}

// The checks that hand the plug-in what hosts should not (null channels, lying counts) run in a
// process of their own, this program started again for that one check: a plug-in that crashes
// on them fails that check instead of ending the run. A fresh process rather than a fork, which
// would inherit whatever lock a thread the plug-in left running holds.
bool Isolated(const Check& check, const validate::Options& options) {
    return !options.inProcess && !options.self.empty() &&
           std::string(check.name).rfind("careless.", 0) == 0;
}

constexpr int kChildLimitMs = 120000;

Outcome RunInChild(const Check& check, const validate::Options& options) {
    std::vector<std::string> args = {options.self,  "validate",      options.path,
                                      "--only",      check.name,     "--strictness",
                                      std::to_string(options.strictness), "--seed",
                                      std::to_string(options.seed), "--no-gui",
                                      "--in-process"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return Outcome::Fail("cannot make a pipe for the check");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    pid_t child = 0;
    std::cout.flush();
    const int spawned =
        posix_spawn(&child, options.self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return Outcome::Fail("cannot start the check's process");
    }
    std::string output;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kChildLimitMs);
    bool late = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            late = true;
            break;
        }
        pollfd readable = {pipeEnds[0], POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[512];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    if (late) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (late)
        return Outcome::Fail("did not finish within " + std::to_string(kChildLimitMs / 1000) +
                             " s");
    if (WIFSIGNALED(status))
        return Outcome::Fail(std::string("the plug-in crashed (") + strsignal(WTERMSIG(status)) +
                             ")");
    // The child's one line: WORD, two spaces, the name, then ": detail" and " (N ms)".
    for (const char* word : {"PASS", "FAIL", "SKIP"}) {
        const std::string head = std::string(word) + "  " + check.name;
        const size_t at = output.find(head);
        if (at == std::string::npos) continue;
        const size_t lineEnd = output.find('\n', at);
        std::string rest = output.substr(at + head.size(), lineEnd - at - head.size());
        const size_t timing = rest.rfind(" (");
        if (timing != std::string::npos) rest.resize(timing);
        if (rest.rfind(": ", 0) == 0) rest.erase(0, 2);
        const Outcome::Kind kind = word[0] == 'P'   ? Outcome::kPass
                                   : word[0] == 'F' ? Outcome::kFail
                                                    : Outcome::kSkip;
        return {kind, rest};
    }
    return Outcome::Fail("the check's process ended without an answer");
}

std::vector<Check> AllChecks() {
    std::vector<Check> checks;
    validate::AddLifecycleChecks(checks);
    validate::AddStateChecks(checks);
    validate::AddProcessingChecks(checks);
    validate::AddCarelessHostChecks(checks);
    if (validate::AddRealtimeChecks != nullptr)
        validate::AddRealtimeChecks(checks);
    else
        for (const char* name : {"realtime.audio-thread", "realtime.rand-elsewhere"})
            checks.push_back({name, 3, false, NoRealtimeGuard});
    validate::AddEditorChecks(checks);
    return checks;
}

bool ParseOptions(const std::vector<std::string>& args, validate::Options& options,
                  std::string& error) {
    CommandArguments parsed;
    if (!parsed.Parse(args, 1, {"--strictness", "--seed", "--only"},
                      {"--no-gui", "--list", "--in-process"}, error))
        return false;
    options.list = parsed.Has("--list");
    options.inProcess = parsed.Has("--in-process");
    if (options.list && parsed.Plain().empty()) return true;
    if (parsed.Plain().size() != 1) {
        error = "validate takes exactly one plug-in path";
        return false;
    }
    options.path = parsed.Plain()[0];
    uint64_t value = 0;
    if (parsed.Has("--strictness")) {
        if (!ParseInteger(parsed.Last("--strictness"), 1, 10, value)) {
            error = "--strictness takes a whole number from 1 to 10";
            return false;
        }
        options.strictness = static_cast<int>(value);
    }
    if (parsed.Has("--seed")) {
        if (!ParseInteger(parsed.Last("--seed"), 0, UINT32_MAX, value)) {
            error = "--seed takes a whole number from 0 to 4294967295";
            return false;
        }
        options.seed = static_cast<uint32_t>(value);
    } else {
        options.seed = static_cast<uint32_t>(std::time(nullptr)) ^
                       static_cast<uint32_t>(getpid()) * 2654435761u;
    }
    options.gui = !parsed.Has("--no-gui");
    options.only = parsed.Last("--only");
    options.self = SelfPath();
    return true;
}

} // namespace

// The checks by group (the part of a name before its dot), numbered in the order they run, with
// the lowest strictness that runs each: the list reads as what a host expects of a plug-in.
void ListChecks(std::ostream& out) {
    std::string group;
    int groups = 0, inGroup = 0;
    for (const Check& check : AllChecks()) {
        const std::string name = check.name;
        const std::string prefix = name.substr(0, name.find('.'));
        if (prefix != group) {
            group = prefix;
            inGroup = 0;
            out << ++groups << " " << group << "\n";
        }
        out << "  " << groups << "." << ++inGroup << " " << name << " (strictness "
            << check.strictness << (check.gui ? ", needs X" : "") << ")\n";
    }
}

int RunValidate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    validate::Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) return UsageError("validate: " + error, err);
    if (options.list) {
        ListChecks(out);
        return kExitOk;
    }
    {
        PluginLibrary probe(options.path);
        if (!probe.Loaded()) return Fail(err, kExitFailure, probe.Error());
    }
    out << "Validating " << options.path << " (strictness " << options.strictness << ", seed "
        << options.seed << (options.gui ? "" : ", no GUI") << ")\n";
    int passed = 0, failed = 0, skipped = 0;
    for (const Check& check : AllChecks()) {
        if (check.strictness > options.strictness || (check.gui && !options.gui)) continue;
        if (std::string(check.name).rfind(options.only, 0) != 0) continue;
        // Each check draws from its own stream, so running a subset changes nothing else.
        Context context(options);
        context.random().seed(options.seed ^ NameHash(check.name));
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome =
            Isolated(check, options) ? RunInChild(check, options) : check.run(context);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        const char* word = outcome.kind == Outcome::kPass   ? "PASS"
                           : outcome.kind == Outcome::kFail ? "FAIL"
                                                            : "SKIP";
        out << word << "  " << check.name;
        if (!outcome.detail.empty()) out << ": " << outcome.detail;
        out << " (" << ms << " ms)\n";
        out.flush();
        (outcome.kind == Outcome::kPass ? passed : outcome.kind == Outcome::kFail ? failed
                                                                                  : skipped)++;
    }
    out << passed << " passed, " << failed << " failed, " << skipped << " skipped\n";
    if (failed > 0)
        out << "Reproduce with: moravox-host validate " << options.path << " --strictness "
            << options.strictness << " --seed " << options.seed
            << (options.gui ? "" : " --no-gui") << "\n";
    return failed > 0 ? kExitFailure : kExitOk;
}

} // namespace moravox::host
