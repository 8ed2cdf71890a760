#include "host/validate/validate.h"

#include "host/cli/cli_args.h"
#include "host/cli/cli_common.h"
#include "host/validate/validate_check.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

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

std::vector<Check> AllChecks() {
    std::vector<Check> checks;
    validate::AddLifecycleChecks(checks);
    validate::AddStateChecks(checks);
    validate::AddProcessingChecks(checks);
    if (validate::AddRealtimeChecks != nullptr)
        validate::AddRealtimeChecks(checks);
    else
        checks.push_back({"realtime.audio-thread", 3, false, NoRealtimeGuard});
    validate::AddEditorChecks(checks);
    return checks;
}

bool ParseOptions(const std::vector<std::string>& args, validate::Options& options,
                  std::string& error) {
    CommandArguments parsed;
    if (!parsed.Parse(args, 1, {"--strictness", "--seed", "--only"}, {"--no-gui"}, error)) return false;
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

int RunValidate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    validate::Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) return UsageError("validate: " + error, err);
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
        const Outcome outcome = check.run(context);
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
