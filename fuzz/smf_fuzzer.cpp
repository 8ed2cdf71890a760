// The Standard MIDI File reader on any bytes. A refusal must say what and
// where; a file it accepts must be well-formed as read, written back by the
// writer and read again to the very same file (format, division, every
// track's events and end), and written the same way twice. Its tracks merge
// into one ordered list, and its tempo map is checked (tempo_check.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/formats/smf_reader.h"
#include "host/formats/smf_writer.h"
#include "tempo_check.h"
#include "violation.h"

using namespace moravox::host;

namespace {

void CheckRead(const SmfFile& file) {
    if (file.format > 1 || file.tracks.empty() || (file.format == 0 && file.tracks.size() != 1))
        Violation("an accepted file with a format or track count the reader refuses");
    if (file.division == 0 || file.division > 0x7FFF)
        Violation("an accepted division out of range");
    size_t events = 0;
    for (const SmfTrack& track : file.tracks) {
        uint64_t tick = 0;
        for (const SmfEvent& event : track.events) {
            if (event.tick < tick || event.tick >= kMaxSmfTick)
                Violation("event ticks out of order");
            tick = event.tick;
            if (event.IsMeta(kMetaEndOfTrack)) Violation("an end of track among the events");
            if (event.IsChannelMessage() &&
                (event.data1 > 127 || event.data2 > 127 ||
                 (ChannelDataBytes(event.status) == 1 && event.data2 != 0)))
                Violation("a channel message with a data byte it cannot have");
            if (!event.IsChannelMessage() && event.status != kMetaStatus &&
                event.status != kSysExStatus && event.status != kSysExEscapeStatus)
                Violation("an event with a status a file cannot hold");
        }
        if (track.endTick < tick) Violation("a track ends before its last event");
        events += track.events.size();
    }
    const std::vector<SmfEvent> merged = MergeTracks(file);
    if (merged.size() != events) Violation("merging the tracks lost or made events");
    for (size_t i = 1; i < merged.size(); i++)
        if (merged[i].tick < merged[i - 1].tick) Violation("merged events out of tick order");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    SmfFile file;
    FormatError error;
    if (!ReadSmf(bytes, file, error)) {
        if (error.what.empty() || error.offset > size)
            Violation("a refusal without a reason or place");
        return 0;
    }
    CheckRead(file);

    std::vector<uint8_t> written;
    std::string why;
    if (!WriteSmf(file, written, why)) Violation("an accepted file could not be written back");
    SmfFile again;
    if (!ReadSmf(written, again, error)) Violation("the written file was refused");
    if (!(again == file)) Violation("the written file reads back different events");
    std::vector<uint8_t> twice;
    if (!WriteSmf(again, twice, why) || twice != written)
        Violation("writing it again gave other bytes");

    CheckTempoMap(file);
    return 0;
}
