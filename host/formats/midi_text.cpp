#include "host/formats/midi_text.h"

#include <cstdio>

namespace moravox::host {
namespace {

std::string Channel(const SmfEvent& event, const char* name, const char* first,
                    const char* second) {
    std::string text = std::string(name) + " channel " + std::to_string(event.status & 0x0F) + " " +
                       first + " " + std::to_string(event.data1);
    if (second != nullptr) text += std::string(" ") + second + " " + std::to_string(event.data2);
    return text;
}

std::string Meta(const SmfEvent& event) {
    static const char* const kTexts[] = {"text",  "copyright", "track name", "instrument",
                                         "lyric", "marker",    "cue point"};
    const std::vector<uint8_t>& data = event.payload;
    if (event.data1 == kMetaTempo && data.size() == 3) {
        const unsigned tempo = static_cast<unsigned>(data[0] << 16 | data[1] << 8 | data[2]);
        return "tempo " + std::to_string(tempo) + " us per quarter note";
    }
    if (event.data1 == kMetaTimeSignature && data.size() >= 2) {
        const unsigned denominator = data[1] < 16 ? 1u << data[1] : 0;
        return "time signature " + std::to_string(data[0]) + "/" + std::to_string(denominator);
    }
    if (event.data1 >= 1 && event.data1 <= 7) {
        std::string text;
        for (const uint8_t c : data) text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
        return std::string(kTexts[event.data1 - 1]) + " \"" + text + "\"";
    }
    char type[8];
    std::snprintf(type, sizeof type, "0x%02X", event.data1);
    return std::string("meta event ") + type + ", " + std::to_string(data.size()) + " bytes";
}

} // namespace

std::string DescribeEvent(const SmfEvent& event) {
    switch (event.status & 0xF0) {
    case 0x80: return Channel(event, "note-off", "note", "velocity");
    case 0x90: return Channel(event, "note-on", "note", "velocity");
    case 0xA0: return Channel(event, "aftertouch", "note", "pressure");
    case 0xB0: return Channel(event, "control change", "controller", "value");
    case 0xC0: return Channel(event, "program change", "program", nullptr);
    case 0xD0: return Channel(event, "channel pressure", "pressure", nullptr);
    case 0xE0:
        return "pitch bend channel " + std::to_string(event.status & 0x0F) + " value " +
               std::to_string(event.data2 << 7 | event.data1);
    default: break;
    }
    if (event.status == kMetaStatus) return Meta(event);
    return "SysEx, " + std::to_string(event.payload.size()) + " bytes";
}

std::string FormatMicroseconds(uint64_t microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%06llu",
                  static_cast<unsigned long long>(microseconds / 1000000),
                  static_cast<unsigned long long>(microseconds % 1000000));
    return text;
}

} // namespace moravox::host
