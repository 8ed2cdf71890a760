#include "host/cli/cli_render.h"

#include "host/cli/cli_common.h"
#include "host/formats/file_io.h"
#include "host/formats/midi_text.h"
#include "host/render/progress.h"
#include "host/render/render.h"
#include "host/formats/smf_reader.h"
#include "host/formats/smf_writer.h"

#include <cstdio>

namespace moravox::host {
namespace {

constexpr uint64_t kMaxRate = 768000;
constexpr uint64_t kMaxBlock = 65536;
constexpr uint64_t kMaxTailSeconds = 3600;
// A render runs tens of thousands of times faster than real time, so a day of music takes
// seconds; a file that lasts years (a few bytes can say so) would run for hours.
constexpr const char* kDefaultMaxLength = "86400";
constexpr uint64_t kMaxLengthSeconds = 31536000; // what --max-length can raise it to: a year
constexpr uint32_t kMicrosecondsPerSecond = 1000000;
// What the plug-in's input queue holds per block; more are dropped by the plug-in.
constexpr size_t kPluginQueue = 256;

struct RenderCommand {
    std::string plugin, input, output;
    std::string maxLength = kDefaultMaxLength; // seconds, as given
    uint64_t maxMicroseconds = 0;
    RenderOptions options;
    PluginSettings settings;
};

bool ParseRender(const std::vector<std::string>& args, RenderCommand& command, std::string& error) {
    std::set<std::string> valued = SettingOptions();
    valued.insert({"-o", "--output", "--rate", "--block", "--tail", "--max-length"});
    CommandArguments parsed;
    if (!parsed.Parse(args, 1, valued, {"--keep-input"}, error)) return false;
    if (parsed.Plain().size() != 2) {
        error = "render takes a plug-in and a MIDI file: render PLUGIN.so IN.mid -o OUT.mid";
        return false;
    }
    command.plugin = parsed.Plain()[0];
    command.input = parsed.Plain()[1];
    command.output = parsed.Has("-o") ? parsed.Last("-o") : parsed.Last("--output");
    if (command.output.empty()) {
        error = "render needs an output file: -o OUT.mid";
        return false;
    }
    uint64_t number = 0;
    RenderOptions& options = command.options;
    if (parsed.Has("--rate")) {
        if (!ParseInteger(parsed.Last("--rate"), 1000, kMaxRate, number)) {
            error = "--rate takes a sample rate from 1000 to 768000";
            return false;
        }
        options.sampleRate = static_cast<uint32_t>(number);
    }
    if (parsed.Has("--block")) {
        if (!ParseInteger(parsed.Last("--block"), 1, kMaxBlock, number)) {
            error = "--block takes a block size from 1 to 65536";
            return false;
        }
        options.blockSize = static_cast<uint32_t>(number);
    }
    const std::string tail = parsed.Has("--tail") ? parsed.Last("--tail") : "1";
    if (!ParseSecondsAsSamples(tail, options.sampleRate, kMaxTailSeconds, options.tailSamples)) {
        error = "--tail takes seconds from 0 to 3600, such as 2 or 0.5";
        return false;
    }
    if (parsed.Has("--max-length")) command.maxLength = parsed.Last("--max-length");
    if (!ParseSecondsAsSamples(command.maxLength, kMicrosecondsPerSecond, kMaxLengthSeconds,
                               command.maxMicroseconds)) {
        error = "--max-length takes seconds from 0 to 31536000, such as 3600 or 0.5";
        return false;
    }
    options.keepInput = parsed.Has("--keep-input");
    return ParseSettings(parsed, command.settings, error);
}

int ReadInput(const std::string& path, SmfFile& file, std::ostream& err) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error)) return Fail(err, kExitBadInput, error);
    FormatError problem;
    if (!ReadSmf(bytes, file, problem)) return Fail(err, kExitBadInput, problem.Line(path));
    return kExitOk;
}

// Refuses music that lasts longer than the limit, reckoned from the tempo map alone.
int CheckLength(const RenderCommand& command, const SmfFile& input, std::ostream& err) {
    const UInt128 length = MakeTempoMap(input, command.options.sampleRate)
                               .ExactMicrosecondsAt(EndTick(input));
    if (length <= UInt128(command.maxMicroseconds)) return kExitOk;
    const std::string lasts = length.FitsIn64() ? FormatMicroseconds(length.low) + " s"
                                                : "more than 18446744073709 s";
    return Fail(err, kExitBadInput,
                command.input + ": the music lasts " + lasts + ", longer than the limit of " +
                    command.maxLength + " s (--max-length SECONDS changes it)");
}

void Warn(const RenderResult& result, std::ostream& err) {
    if (result.busiestBlock > kPluginQueue) {
        err << "moravox-host: warning: up to " << result.busiestBlock
            << " input events fall in one block; the plug-in keeps " << kPluginQueue
            << " per block (a smaller --block spreads them out)\n";
    }
    if (result.lostOut > 0) {
        err << "moravox-host: warning: " << result.lostOut
            << " output events beyond what the host keeps per block were lost\n";
    }
    if (result.unwritable > 0) {
        err << "moravox-host: warning: " << result.unwritable
            << " output events were not channel messages and were left out\n";
    }
}

} // namespace

std::string RenderSummary(size_t eventsIn, size_t eventsOut, double musicSeconds,
                          double wallSeconds, const std::string& output) {
    const double wall = wallSeconds > 1e-6 ? wallSeconds : 1e-6;
    char text[256];
    std::snprintf(text, sizeof text,
                  "%zu events in, %zu events out, %.3f s of music in %.3f s, real-time factor "
                  "%.0f; wrote ",
                  eventsIn, eventsOut, musicSeconds, wallSeconds, musicSeconds / wall);
    return text + output;
}

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool errIsTerminal) {
    RenderCommand command;
    std::string error;
    if (!ParseRender(args, command, error)) return UsageError(error, err);
    SmfFile input;
    int status = ReadInput(command.input, input, err);
    if (status != kExitOk) return status;
    if ((status = CheckLength(command, input, err)) != kExitOk) return status;

    auto plugin = LoadPlugin(command.plugin, RenderAnswers(command.options), err);
    if (plugin == nullptr) return kExitFailure;
    if ((status = ApplySettings(plugin->host, command.settings, err)) != kExitOk) return status;

    ProgressBar bar(err, "rendering");
    RenderProgress progress;
    if (errIsTerminal) progress = [&bar](uint64_t done, uint64_t all) { bar.Update(done, all); };
    const RenderResult result = Render(plugin->host, input, command.options, progress);
    bar.Clear();
    Warn(result, err);

    std::vector<uint8_t> bytes;
    if (!WriteSmf(result.output, bytes, error)) {
        return Fail(err, kExitFailure, "cannot write " + command.output + ": " + error);
    }
    if (!WriteFileAtomically(command.output, bytes, error)) {
        return Fail(err, kExitFailure, error);
    }
    const double music = static_cast<double>(result.samples) / command.options.sampleRate;
    out << RenderSummary(result.eventsIn, result.eventsOut, music, result.seconds, command.output)
        << "\n";
    return kExitOk;
}

} // namespace moravox::host
