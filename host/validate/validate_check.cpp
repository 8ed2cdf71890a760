#include "host/validate/validate_check.h"

#include <dirent.h>

#include <cmath>
#include <cstring>

namespace moravox::host::validate {

std::unique_ptr<LoadedPlugin> Context::Load(std::string& error, HostAnswers answers) {
    auto plugin = std::make_unique<LoadedPlugin>(options_.path, answers);
    if (!plugin->library.Loaded()) {
        error = plugin->library.Error();
        return nullptr;
    }
    if (!plugin->host.Instantiate()) {
        error = plugin->host.Error();
        return nullptr;
    }
    plugin->host.Open();
    return plugin;
}

void Context::RandomizeParameters(Host& host) {
    AEffect* effect = host.Effect();
    if (effect == nullptr) return;
    for (VstInt32 i = 0; i < effect->numParams; ++i) host.SetParameter(i, Unit());
}

std::vector<VstMidiEvent> Context::RandomNotes(int count, int frames) {
    std::vector<VstMidiEvent> events;
    for (int i = 0; i < count; ++i) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = frames > 0 ? Below(frames) : 0;
        const bool on = Below(3) != 0;
        event.midiData[0] = static_cast<char>((on ? 0x90 : 0x80) | Below(16));
        event.midiData[1] = static_cast<char>(Below(128));
        event.midiData[2] = static_cast<char>(on ? 1 + Below(127) : 0);
        events.push_back(event);
    }
    return events;
}

void Audio::Resize(size_t frames, std::mt19937& random) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int c = 0; c < 2; ++c) {
        // At least one sample, so the pointers are never null.
        in[c].assign(frames + 1, 0.0f);
        out[c].assign(frames + 1, 0.0f);
        for (float& sample : in[c]) sample = noise(random);
        inputs[c] = in[c].data();
        outputs[c] = out[c].data();
    }
}

void Audio::FillOutputs(float value) {
    for (auto& channel : out) std::fill(channel.begin(), channel.end(), value);
}

std::vector<char> GetChunk(Host& host, bool program) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const char* bytes = static_cast<const char*>(data);
    return std::vector<char>(bytes, bytes + size);
}

VstIntPtr SetChunk(Host& host, std::vector<char> chunk, bool program) {
    return host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                         chunk.empty() ? nullptr : chunk.data());
}

std::vector<float> Parameters(Host& host) {
    std::vector<float> values;
    AEffect* effect = host.Effect();
    if (effect == nullptr) return values;
    for (VstInt32 i = 0; i < effect->numParams; ++i) values.push_back(host.GetParameter(i));
    return values;
}

std::string InvalidEvent(const VstMidiEvent& event, int frames) {
    const auto status = static_cast<unsigned char>(event.midiData[0]);
    const auto data1 = static_cast<unsigned char>(event.midiData[1]);
    const auto data2 = static_cast<unsigned char>(event.midiData[2]);
    char text[128];
    if (event.type != kVstMidiType) {
        std::snprintf(text, sizeof text, "an event of type %d", static_cast<int>(event.type));
        return text;
    }
    if (status < 0x80 || data1 > 127 || data2 > 127) {
        std::snprintf(text, sizeof text, "invalid MIDI %02X %02X %02X", status, data1, data2);
        return text;
    }
    const int last = frames > 0 ? frames - 1 : 0;
    if (event.deltaFrames < 0 || event.deltaFrames > last) {
        std::snprintf(text, sizeof text, "an event at frame %d of a %d-frame block",
                      static_cast<int>(event.deltaFrames), frames);
        return text;
    }
    return "";
}

std::string InvalidEvents(const std::vector<VstMidiEvent>& events, int frames) {
    for (const VstMidiEvent& event : events) {
        std::string why = InvalidEvent(event, frames);
        if (!why.empty()) return why;
    }
    return "";
}

int ThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
    return count;
}

std::string FirstDifference(const std::vector<char>& a, const std::vector<char>& b) {
    if (a.size() != b.size())
        return std::to_string(a.size()) + " bytes became " + std::to_string(b.size());
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return "byte " + std::to_string(i) + " of " + std::to_string(a.size());
    return "";
}

} // namespace moravox::host::validate
