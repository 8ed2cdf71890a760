#include "host/cli/cli_dump.h"

#include "host/cli/cli_common.h"
#include "host/formats/file_io.h"
#include "host/formats/midi_text.h"
#include "host/formats/smf_reader.h"

#include <cstdio>

namespace moravox::host {
namespace {

std::string Row(const SmfEvent& event, const TempoMap& map) {
    char tick[24];
    std::snprintf(tick, sizeof tick, "%10llu", static_cast<unsigned long long>(event.tick));
    std::string time = FormatMicroseconds(map.MicrosecondsAt(event.tick));
    if (time.size() < 12) time.insert(0, 12 - time.size(), ' ');
    return std::string("  ") + tick + "  " + time + " s  " + DescribeEvent(event);
}

} // namespace

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandArguments parsed;
    std::string error;
    if (!parsed.Parse(args, 1, {"--limit"}, {}, error)) return UsageError("dump: " + error, err);
    if (parsed.Plain().size() != 1) return UsageError("dump takes exactly one MIDI file", err);
    uint64_t limit = UINT64_MAX;
    if (parsed.Has("--limit") && !ParseInteger(parsed.Last("--limit"), 0, UINT32_MAX, limit)) {
        return UsageError("--limit takes a number of events", err);
    }
    const std::string& path = parsed.Plain()[0];
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, error)) return Fail(err, kExitBadInput, error);
    SmfFile file;
    FormatError problem;
    if (!ReadSmf(bytes, file, problem)) return Fail(err, kExitBadInput, problem.Line(path));

    // Times in microseconds need no sample rate; any rate gives the same map.
    const TempoMap map = MakeTempoMap(file, 48000);
    out << path << ": format " << file.format << ", " << file.tracks.size()
        << (file.tracks.size() == 1 ? " track, " : " tracks, ") << file.division
        << " ticks per quarter note\n";
    for (size_t t = 0; t < file.tracks.size(); ++t) {
        const SmfTrack& track = file.tracks[t];
        out << "Track " << t + 1 << ": " << track.events.size() << " events, ends at tick "
            << track.endTick << " (" << FormatMicroseconds(map.MicrosecondsAt(track.endTick))
            << " s)\n";
        for (size_t i = 0; i < track.events.size() && i < limit; ++i) {
            out << Row(track.events[i], map) << "\n";
        }
        if (track.events.size() > limit) {
            out << "  ... " << track.events.size() - limit << " more\n";
        }
    }
    return kExitOk;
}

} // namespace moravox::host
