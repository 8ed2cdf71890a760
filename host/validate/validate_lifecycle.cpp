// Opening and closing: cold and warm, many instances side by side, and the load-scan-unload
// cycle a host's plug-in scanner runs.
#include "host/validate/validate_check.h"

#include <dirent.h>

#include <cstring>
#include <fstream>

namespace moravox::host::validate {
namespace {

// Identity, a resume, one block with notes, a suspend and the close.
Outcome OpenProcessClose(Context& context) {
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    AEffect* effect = host.Effect();
    if (effect->numParams < 0 || effect->numPrograms < 0 || effect->numInputs < 0 ||
        effect->numOutputs < 0)
        return Outcome::Fail("negative counts in the record");
    if (effect->processReplacing == nullptr && (effect->flags & effFlagsCanReplacing))
        return Outcome::Fail("claims replacing processing without the function");
    host.Resume();
    Audio audio;
    audio.Resize(256, context.random());
    host.SendMidi(context.RandomNotes(8, 256));
    host.ProcessReplacing(audio.inputs, audio.outputs, 256);
    host.Suspend();
    host.Close();
    if (host.Effect() != nullptr) return Outcome::Fail("the record outlived effClose");
    return Outcome::Pass();
}

Outcome OpenCold(Context& context) {
    return OpenProcessClose(context);
}

// Again while another instance of the same library stays open.
Outcome OpenWarm(Context& context) {
    std::string error;
    auto first = context.Load(error);
    if (first == nullptr) return Outcome::Fail(error);
    first->host.Resume();
    Outcome second = OpenProcessClose(context);
    if (second.kind != Outcome::kPass) return second;
    return OpenProcessClose(context);
}

Outcome SixteenInstances(Context& context) {
    constexpr int kInstances = 16;
    std::vector<std::unique_ptr<LoadedPlugin>> plugins;
    std::vector<std::vector<float>> expected;
    std::vector<std::vector<char>> chunks;
    std::string error;
    for (int i = 0; i < kInstances; ++i) {
        plugins.push_back(context.Load(error));
        if (plugins.back() == nullptr) return Outcome::Fail("instance " + std::to_string(i) +
                                                            ": " + error);
        Host& host = plugins.back()->host;
        context.RandomizeParameters(host);
        host.Resume();
        expected.push_back(Parameters(host));
        chunks.push_back(GetChunk(host, true));
    }
    Audio audio;
    audio.Resize(128, context.random());
    for (int round = 0; round < 4; ++round)
        for (auto& plugin : plugins) {
            plugin->host.SendMidi(context.RandomNotes(16, 128));
            plugin->host.ProcessReplacing(audio.inputs, audio.outputs, 128);
        }
    for (int i = 0; i < kInstances; ++i) {
        Host& host = plugins[i]->host;
        if (Parameters(host) != expected[i])
            return Outcome::Fail("instance " + std::to_string(i) +
                                 " lost its parameters to its neighbours");
        const std::string difference = FirstDifference(chunks[i], GetChunk(host, true));
        if (!difference.empty())
            return Outcome::Fail("instance " + std::to_string(i) + ": program chunk changed, " +
                                 difference);
    }
    return Outcome::Pass(std::to_string(kInstances) + " instances");
}

bool Mapped(const std::string& path) {
    char real[4096];
    if (realpath(path.c_str(), real) == nullptr) return false;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(real) != std::string::npos) return true;
    return false;
}

// dlopen, main, effClose, dlclose: what a host's scanner does for every file it finds.
Outcome ScanCycles(Context& context) {
    const int cycles = context.options().strictness >= 5 ? 200 : 40;
    const int threadsBefore = ThreadCount();
    for (int i = 0; i < cycles; ++i) {
        PluginLibrary library(context.options().path);
        if (!library.Loaded()) return Outcome::Fail("cycle " + std::to_string(i) + ": " +
                                                    library.Error());
        Host host(library);
        if (!host.Instantiate())
            return Outcome::Fail("cycle " + std::to_string(i) + ": " + host.Error());
        host.Close();
    }
    const int threadsAfter = ThreadCount();
    if (threadsAfter != threadsBefore)
        return Outcome::Fail(std::to_string(threadsAfter - threadsBefore) +
                             " threads left running after " + std::to_string(cycles) + " cycles");
    if (Mapped(context.options().path))
        return Outcome::Fail("the library stays mapped after its last dlclose");
    return Outcome::Pass(std::to_string(cycles) + " cycles, no thread left");
}

int DescriptorCount() {
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(fds))
            if (entry->d_name[0] != '.') ++count;
        closedir(fds);
    }
    return count - 1; // the one reading the folder
}

// The whole life of an instance, again and again: nothing it opens (threads, descriptors such
// as its X connection) may outlive it. Counted after every cycle, from the first on, since a
// library mapped for the first time may keep what it opens once.
Outcome FullCycles(Context& context) {
    const int cycles = context.options().strictness >= 3 ? 50 : 20;
    int threads = -1, descriptors = -1;
    for (int i = 0; i < cycles; ++i) {
        Outcome outcome = OpenProcessClose(context);
        if (outcome.kind != Outcome::kPass)
            return Outcome::Fail("cycle " + std::to_string(i) + ": " + outcome.detail);
        const int threadsNow = ThreadCount(), descriptorsNow = DescriptorCount();
        if (i == 0) {
            threads = threadsNow;
            descriptors = descriptorsNow;
        } else if (threadsNow != threads || descriptorsNow != descriptors) {
            return Outcome::Fail("after cycle " + std::to_string(i) + " " +
                                 std::to_string(threadsNow - threads) + " threads and " +
                                 std::to_string(descriptorsNow - descriptors) +
                                 " descriptors more than after the first");
        }
    }
    return Outcome::Pass(std::to_string(cycles) + " cycles, threads and descriptors steady");
}

} // namespace

void AddLifecycleChecks(std::vector<Check>& checks) {
    checks.push_back({"open.cold", 1, false, OpenCold});
    checks.push_back({"open.warm", 1, false, OpenWarm});
    checks.push_back({"open.sixteen-instances", 3, false, SixteenInstances});
    checks.push_back({"open.scan-cycles", 3, false, ScanCycles});
    checks.push_back({"open.full-cycles", 1, false, FullCycles});
}

} // namespace moravox::host::validate
