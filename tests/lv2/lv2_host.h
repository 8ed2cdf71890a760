// A small LV2 host over lilv for the tests: loads the built bundle, runs blocks with MIDI
// atoms, sets control ports, sends the seed and saves or restores the state.
#pragma once

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plugin/lv2/lv2_messages.h"

namespace testlv2 {

// One MIDI message at a frame of its block.
struct Message {
    int frame;
    std::vector<uint8_t> bytes;
    bool operator==(const Message& o) const { return frame == o.frame && bytes == o.bytes; }
};

// The process-wide world with the bundle and the installed specifications.
LilvWorld* World();
const LilvPlugin* MoravoxPlugin();

class Lv2Host {
public:
    explicit Lv2Host(uint32_t blockLength = 256, double rate = 48000.0);
    ~Lv2Host();
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    bool Ok() const { return instance != nullptr; }
    LilvInstance* Instance() const { return instance; }
    static uint32_t Map(const char* uri);
    LV2_URID_Map* UridMap() { return &mapData; }
    LV2_URID_Unmap* UridUnmap() { return &unmapData; }

    void SetControl(uint32_t port, float value) { controls[port] = value; }
    float Control(uint32_t port) const { return controls[port]; }
    // A patch:Set of the seed, sent with the next block.
    void Seed(uint32_t seed);
    // Any atom (a patch message), sent with the next block at frame 0.
    void Send(const LV2_Atom* atom);
    const moravox::lv2::Urids& Ids() const { return ids_; }
    // The atoms the plug-in wrote to its notify port in the last block.
    std::vector<std::vector<uint8_t>> Notified() const;
    // One block: the messages in, what the plug-in sent out.
    std::vector<Message> Run(const std::vector<Message>& in, uint32_t frames);
    // The same in two steps, for a thread that must not allocate: the input is written once
    // and may be played again and again; the output is only counted.
    void Prepare(const std::vector<Message>& in);
    size_t RunPrepared(uint32_t frames);
    // The room the output sequence is given, in bytes of events, as a stingy host gives it;
    // the bytes after it are filled with a mark that the plug-in must leave alone.
    void LimitOutput(uint32_t bytes) { outputRoom = bytes; }
    bool OutputMarkIntact() const;

    // The state as the plug-in saves it, and a restore of one.
    LilvState* Save();
    void Restore(const LilvState* state);
    // The plug-in's state interface called with just these two properties.
    void RestoreChunk(const std::vector<uint8_t>& bank, int32_t program);

private:
    static uint32_t MapUri(void* handle, const char* uri);
    static const char* UnmapUri(void* handle, uint32_t urid);

    // One map for the process, as hosts keep it: states pass between instances.
    static std::map<std::string, uint32_t> ids;
    static std::vector<std::string> uris;
    LV2_URID_Map mapData;
    LV2_URID_Unmap unmapData;
    int32_t blockOption;
    LV2_Options_Option options[3];
    LV2_Feature mapFeature, unmapFeature, optionsFeature, boundedFeature;
    const LV2_Feature* features[5];
    LilvInstance* instance = nullptr;
    uint32_t blockLength;
    float controls[16] = {};
    std::vector<float> audio[4];
    alignas(8) uint8_t midiIn[32768];
    alignas(8) uint8_t midiOut[32768];
    alignas(8) uint8_t notify[4096];
    uint32_t midiEventUrid = 0;
    uint32_t outputRoom = sizeof(midiOut) - 64;
    moravox::lv2::Urids ids_ = {};
    std::vector<std::vector<uint8_t>> pending; // atoms for the next block
};

} // namespace testlv2
