#include "host/formats/smf_reader.h"
#include "host/formats/smf_writer.h"
#include "host/smf_bytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace moravox::host;
using namespace smf_bytes;

namespace {

SmfFile Read(const Bytes& bytes) {
    SmfFile file;
    FormatError error;
    EXPECT_TRUE(ReadSmf(bytes, file, error)) << error.Line("test");
    return file;
}

Bytes Write(const SmfFile& file) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(WriteSmf(file, bytes, error)) << error;
    return bytes;
}

// Two tracks with every kind of event the format has.
SmfFile Sample() {
    SmfFile file;
    file.format = 1;
    file.division = 480;
    SmfTrack conductor;
    conductor.events = {MetaEvent(0, 0x03, {'S', 'o', 'n', 'g'}), TempoEvent(0, 500000),
                        MetaEvent(0, kMetaTimeSignature, {3, 2, 24, 8}), TempoEvent(1920, 250000)};
    conductor.endTick = 3840;
    SmfTrack notes;
    SmfEvent sysex;
    sysex.tick = 0;
    sysex.status = kSysExStatus;
    sysex.payload = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    notes.events = {sysex,
                    ChannelEvent(0, 0x90, 60, 100),
                    ChannelEvent(0, 0x90, 64, 90),
                    ChannelEvent(240, 0x80, 60, 0),
                    ChannelEvent(240, 0xC3, 12),
                    ChannelEvent(300, 0xE1, 0x00, 0x40),
                    ChannelEvent(300, 0xD1, 33),
                    ChannelEvent(0x0FFFFFFF, 0xB0, 7, 127)};
    notes.endTick = 0x0FFFFFFF;
    file.tracks = {conductor, notes};
    return file;
}

} // namespace

TEST(Smf, WriterAndReaderRoundTrip) {
    const SmfFile file = Sample();
    const Bytes bytes = Write(file);
    EXPECT_EQ(Read(bytes), file);
    EXPECT_EQ(Write(Read(bytes)), bytes);

    SmfFile single;
    single.tracks.resize(1); // format 0, one empty track
    EXPECT_EQ(Write(single), Cat({Header(0, 1, 96), Track(kEndOfTrack)}));
    EXPECT_EQ(Read(Write(single)), single);
}

TEST(Smf, WriterUsesRunningStatusOnlyBetweenChannelMessages) {
    SmfFile file;
    SmfTrack track;
    track.events = {ChannelEvent(0, 0x90, 60, 100), ChannelEvent(10, 0x90, 60, 0),
                    TempoEvent(10, 600000), ChannelEvent(10, 0x90, 62, 100),
                    ChannelEvent(200, 0xC0, 5)};
    file.tracks = {track};
    const Bytes body = {0x00, 0x90, 60,   100,  0x0A, 60, 0x00, 0x00, 0xFF, 0x51, 0x03,
                        0x09, 0x27, 0xC0, 0x00, 0x90, 62, 100,  0x81, 0x3E, 0xC0, 5};
    EXPECT_EQ(Write(file), Cat({Header(0, 1, 96), Track(Cat({body, kEndOfTrack}))}));
}

TEST(Smf, ReaderFollowsRunningStatusAndKeepsTheEnd) {
    // Running status across a meta event (files do that), note-on velocity 0 kept as it is,
    // a two-byte running message, the end of the track after the last event.
    const Bytes body = {0x00, 0x90, 60,   100,  0x10, 60,   0x00, 0x00, 0xFF, 0x01,
                        0x02, 'h',  'i',  0x05, 62,   70,   0x00, 0xC2, 0x07, 0x01,
                        0x08, 0x83, 0x60, 0xFF, 0x2F, 0x00, 0x01, 0x02, 0x03};
    const SmfFile file = Read(Cat({Header(0, 1, 96), Track(body)}));
    ASSERT_EQ(file.tracks.size(), 1u);
    const SmfTrack& track = file.tracks[0];
    const std::vector<SmfEvent> expected = {
        ChannelEvent(0, 0x90, 60, 100),  ChannelEvent(16, 0x90, 60, 0),
        MetaEvent(16, 0x01, {'h', 'i'}), ChannelEvent(21, 0x90, 62, 70),
        ChannelEvent(21, 0xC2, 7),       ChannelEvent(22, 0xC2, 8)};
    EXPECT_EQ(track.events, expected);
    EXPECT_EQ(track.endTick, 22u + 0x1E0u); // bytes after the end of the track are not events
}

TEST(Smf, ReaderSkipsWhatItNeedNotUnderstand) {
    // A longer header, an unknown chunk between tracks, a track without its end event, and
    // data after the declared tracks.
    Bytes header = Header(1, 2, 1);
    header[7] = 8;
    header.insert(header.end(), {0xAB, 0xCD});
    const Bytes alien = Cat({{'X', 'Y', 'Z', 'W'}, Big32(3), {1, 2, 3}});
    const Bytes first = Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x60, 0x80, 60, 0});
    const Bytes second = Track(kEndOfTrack);
    const SmfFile file = Read(Cat({header, alien, first, second, {'j', 'u', 'n', 'k'}}));
    ASSERT_EQ(file.tracks.size(), 2u);
    EXPECT_EQ(file.division, 1u);
    EXPECT_EQ(file.tracks[0].events.size(), 2u);
    EXPECT_EQ(file.tracks[0].endTick, 0x60u);
    EXPECT_EQ(TempoChanges(file)[0].microsecondsPerQuarter, 500000u);
}

TEST(Smf, DivisionsFromOneToTheLargest) {
    for (uint16_t division : {1, 96, 32767}) {
        const SmfFile file = Read(Cat({Header(0, 1, division), Track(kEndOfTrack)}));
        EXPECT_EQ(file.division, division);
        EXPECT_EQ(Read(Write(file)), file);
    }
}

TEST(Smf, MergedTracksKeepTrackOrderAtOneTick) {
    const SmfFile file = Sample();
    const std::vector<SmfEvent> merged = MergeTracks(file);
    ASSERT_EQ(merged.size(), 12u);
    EXPECT_TRUE(merged[0].IsMeta(0x03));        // track 1 first at tick 0 ...
    EXPECT_EQ(merged[3].status, kSysExStatus);  // ... then track 2
    EXPECT_TRUE(merged[10].IsMeta(kMetaTempo)); // tick 1920, between ticks 300 and 2^28
    EXPECT_EQ(EndTick(file), 0x0FFFFFFFu);
}

TEST(Smf, MalformedFilesNameTheProblemAndItsOffset) {
    struct Case {
        const char* name;
        Bytes bytes;
        size_t offset;
        const char* what;
    };
    const Bytes ok = Header(0, 1, 96);
    auto with = [](Bytes bytes, size_t at, uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    const Case cases[] = {
        {"not midi", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, 0, "not a MIDI file"},
        {"short header", {'M', 'T', 'h', 'd', 0, 0}, 6, "ends inside the header chunk"},
        {"empty", {}, 0, "ends inside the header chunk"},
        {"header length 5", with(ok, 7, 5), 4, "header chunk length 5 is shorter than 6"},
        {"header past end", with(ok, 7, 7), 4, "header chunk length 7 runs past the end"},
        {"format 2", with(ok, 9, 2), 8, "format 2 (independent sequences) is not supported"},
        {"format 3", with(ok, 9, 3), 8, "unknown format 3"},
        {"no tracks", Header(1, 0, 96), 10, "declares no tracks"},
        {"format 0, two tracks", Header(0, 2, 96), 10, "format 0 file declares 2 tracks"},
        {"smpte", Header(0, 1, 0xE728), 12,
         "SMPTE time division (25 frames per second, 40 ticks per frame) is not supported"},
        {"division 0", Header(0, 1, 0), 12, "division of 0 ticks per quarter note"},
        {"missing track", Cat({Header(1, 2, 96), Track(kEndOfTrack)}), 26,
         "the file ends after 1 of 2 tracks"},
        {"track past end", Cat({ok, {'M', 'T', 'r', 'k'}, Big32(5), {0, 0xFF, 0x2F}}), 18,
         "track 1 length 5 runs past the end of the file (3 bytes left)"},
        {"alien chunk past end", Cat({ok, {'J', 'U', 'N', 'K'}, Big32(9)}), 18,
         "chunk 'JUNK' length 9 runs past the end"},
        {"running status first", Cat({ok, Track({0x00, 60, 100})}), 23,
         "running status with no status byte before it"},
        {"long number", Cat({ok, Track({0x81, 0x82, 0x83, 0x84, 0x05, 0x90, 60, 1})}), 22,
         "variable-length number longer than four bytes"},
        {"number cut off", Cat({ok, Track({0x00, 0x90, 60, 1, 0x81})}), 26,
         "track 1 ends inside a variable-length number"},
        {"event cut off", Cat({ok, Track({0x00, 0x90, 60})}), 25,
         "track 1 ends in the middle of an event"},
        {"status as data", Cat({ok, Track({0x00, 0x90, 60, 0x80})}), 25,
         "status byte 0x80 where a data byte belongs"},
        {"meta past track", Cat({ok, Track({0x00, 0xFF, 0x01, 0x05, 'a'})}), 25,
         "meta event length 5 runs past the end of track 1"},
        {"sysex past track", Cat({ok, Track({0x00, 0xF0, 0x7F, 1})}), 24,
         "SysEx event length 127 runs past the end of track 1"},
        {"tempo of 2 bytes", Cat({ok, Track({0x00, 0xFF, 0x51, 0x02, 1, 2})}), 25,
         "tempo event with 2 data bytes instead of 3"},
        {"tempo 0", Cat({ok, Track({0x00, 0xFF, 0x51, 0x03, 0, 0, 0})}), 26,
         "tempo of 0 microseconds per quarter note"},
        {"system common", Cat({ok, Track({0x00, 0xF2, 0, 0})}), 23,
         "status byte 0xF2 is not allowed in a MIDI file"},
    };
    // Seventeen gaps of 2^28 - 1 ticks: the last one passes 2^32.
    Bytes longBody;
    for (int i = 0; i < 17; ++i)
        longBody.insert(longBody.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 1, 0});
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back(
        {"time overflow", Cat({ok, Track(longBody)}), 22 + 16 * 7, "the time passes 2^32 ticks"});
    for (const Case& c : all) {
        SmfFile file;
        FormatError error;
        EXPECT_FALSE(ReadSmf(c.bytes, file, error)) << c.name;
        EXPECT_EQ(error.offset, c.offset) << c.name << ": " << error.what;
        EXPECT_NE(error.what.find(c.what), std::string::npos) << c.name << ": " << error.what;
    }
}

TEST(Smf, WriterRefusesWhatAFileCannotHold) {
    struct Case {
        const char* name;
        std::vector<SmfEvent> events;
        uint64_t endTick;
        const char* what;
    };
    SmfEvent system;
    system.status = 0xF2;
    const Case cases[] = {
        {"out of order",
         {ChannelEvent(10, 0x90, 1, 1), ChannelEvent(9, 0x90, 1, 1)},
         0,
         "events out of time order at tick 9"},
        {"gap", {ChannelEvent(0x10000000, 0x90, 1, 1)}, 0, "a gap in ticks of 268435456"},
        {"end gap", {}, 0x10000000, "a gap in ticks of 268435456"},
        {"status", {system}, 0, "status byte 242 cannot be written"},
    };
    for (const Case& c : cases) {
        SmfFile file;
        file.tracks.push_back({c.events, c.endTick});
        Bytes bytes;
        std::string error;
        EXPECT_FALSE(WriteSmf(file, bytes, error)) << c.name;
        EXPECT_NE(error.find(c.what), std::string::npos) << c.name << ": " << error;
    }
}
