#include "lv2/lv2_host.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

#include <cstring>
#include <string>

#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_ports.h"

using namespace moravox::lv2;

namespace testlv2 {

LilvWorld* World() {
    static LilvWorld* world = [] {
        // The built bundle's folder and the installed specifications, nothing else.
        LilvWorld* w = lilv_world_new();
        std::string bundle = MORAVOX_LV2_BUNDLE;
        LilvNode* path = lilv_new_string(
            w, (bundle.substr(0, bundle.rfind('/')) + ":/usr/lib/lv2").c_str());
        lilv_world_set_option(w, LILV_OPTION_LV2_PATH, path);
        lilv_node_free(path);
        lilv_world_load_all(w);
        return w;
    }();
    return world;
}

const LilvPlugin* MoravoxPlugin() {
    LilvNode* uri = lilv_new_uri(World(), kUri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(World()), uri);
    lilv_node_free(uri);
    return plugin;
}

std::map<std::string, uint32_t> Lv2Host::ids;
std::vector<std::string> Lv2Host::uris;

uint32_t Lv2Host::MapUri(void*, const char* uri) {
    return Map(uri);
}

const char* Lv2Host::UnmapUri(void*, uint32_t urid) {
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

uint32_t Lv2Host::Map(const char* uri) {
    auto [it, added] = ids.emplace(uri, static_cast<uint32_t>(uris.size() + 1));
    if (added) uris.push_back(uri);
    return it->second;
}

Lv2Host::Lv2Host(uint32_t blockLength, double rate) : blockLength(blockLength) {
    midiEventUrid = Map(LV2_MIDI__MidiEvent);
    mapData = {this, &MapUri};
    unmapData = {this, &UnmapUri};
    blockOption = static_cast<int32_t>(blockLength);
    options[0] = {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__nominalBlockLength),
                  sizeof(int32_t), Map(LV2_ATOM__Int), &blockOption};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                  Map(LV2_ATOM__Int), &blockOption};
    options[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature = {LV2_URID__map, &mapData};
    unmapFeature = {LV2_URID__unmap, &unmapData};
    optionsFeature = {LV2_OPTIONS__options, options};
    boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    features[0] = &mapFeature;
    features[1] = &unmapFeature;
    features[2] = &optionsFeature;
    features[3] = &boundedFeature;
    features[4] = nullptr;
    const LilvPlugin* plugin = MoravoxPlugin();
    if (!plugin) return;
    instance = lilv_plugin_instantiate(plugin, rate, features);
    if (!instance) return;
    for (uint32_t i = 0; i < kControls; i++) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        LilvNode* def = nullptr;
        lilv_port_get_range(plugin, port, &def, nullptr, nullptr);
        controls[i] = def ? lilv_node_as_float(def) : 0.0f;
        lilv_node_free(def);
        lilv_instance_connect_port(instance, i, &controls[i]);
    }
    for (int c = 0; c < 4; c++) {
        audio[c].assign(blockLength, 0.0f);
        lilv_instance_connect_port(instance, kAudioInLeft + c, audio[c].data());
    }
    lilv_instance_connect_port(instance, kMidiIn, midiIn);
    lilv_instance_connect_port(instance, kMidiOut, midiOut);
    lilv_instance_connect_port(instance, kNotify, notify);
    ids_.Map(&mapData);
    lilv_instance_activate(instance);
}

Lv2Host::~Lv2Host() {
    if (!instance) return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

std::vector<Message> Lv2Host::Run(const std::vector<Message>& in, uint32_t frames) {
    Prepare(in);
    RunPrepared(frames);
    std::vector<Message> sent;
    const auto* out = reinterpret_cast<const LV2_Atom_Sequence*>(midiOut);
    LV2_ATOM_SEQUENCE_FOREACH (out, ev) {
        if (ev->body.type != Map(LV2_MIDI__MidiEvent)) continue;
        const auto* bytes = reinterpret_cast<const uint8_t*>(ev + 1);
        sent.push_back({static_cast<int>(ev->time.frames),
                        std::vector<uint8_t>(bytes, bytes + ev->body.size)});
    }
    return sent;
}

void Lv2Host::Prepare(const std::vector<Message>& in) {
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(midiIn);
    seq->atom.type = Map(LV2_ATOM__Sequence);
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    seq->body.unit = 0;
    seq->body.pad = 0;
    const uint32_t capacity = sizeof(midiIn) - sizeof(LV2_Atom);
    for (const std::vector<uint8_t>& atom : pending) {
        alignas(8) uint8_t event[sizeof(LV2_Atom_Event) + 1024] = {};
        if (atom.size() > 1024) continue;
        auto* e = reinterpret_cast<LV2_Atom_Event*>(event);
        std::memcpy(&e->body, atom.data(), atom.size());
        lv2_atom_sequence_append_event(seq, capacity, e);
    }
    pending.clear();
    for (const Message& m : in) {
        struct {
            LV2_Atom_Event event;
            uint8_t bytes[4];
        } ev = {};
        ev.event.time.frames = m.frame;
        ev.event.body.type = Map(LV2_MIDI__MidiEvent);
        ev.event.body.size = static_cast<uint32_t>(m.bytes.size());
        if (!m.bytes.empty()) std::memcpy(ev.bytes, m.bytes.data(), m.bytes.size());
        lv2_atom_sequence_append_event(seq, capacity, &ev.event);
    }
}

size_t Lv2Host::RunPrepared(uint32_t frames) {
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(midiOut);
    out->atom.type = 0;
    out->atom.size = outputRoom;
    std::memset(midiOut + sizeof(LV2_Atom) + outputRoom, 0xA5,
                sizeof(midiOut) - sizeof(LV2_Atom) - outputRoom);
    auto* note = reinterpret_cast<LV2_Atom_Sequence*>(notify);
    note->atom.type = 0;
    note->atom.size = sizeof(notify) - sizeof(LV2_Atom);
    lilv_instance_run(instance, frames);
    size_t count = 0;
    LV2_ATOM_SEQUENCE_FOREACH (out, ev) count += ev->body.type == midiEventUrid;
    return count;
}

void Lv2Host::Seed(uint32_t seed) {
    moravox::lv2::Message set;
    if (moravox::lv2::ForgeSet(ids_, ids_.seed, static_cast<int32_t>(seed), set))
        Send(set.Atom());
}

void Lv2Host::Send(const LV2_Atom* atom) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(atom);
    pending.emplace_back(bytes, bytes + sizeof(LV2_Atom) + atom->size);
}

std::vector<std::vector<uint8_t>> Lv2Host::Notified() const {
    std::vector<std::vector<uint8_t>> atoms;
    const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notify);
    LV2_ATOM_SEQUENCE_FOREACH (seq, ev) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&ev->body);
        atoms.emplace_back(bytes, bytes + sizeof(LV2_Atom) + ev->body.size);
    }
    return atoms;
}

bool Lv2Host::OutputMarkIntact() const {
    for (size_t i = sizeof(LV2_Atom) + outputRoom; i < sizeof(midiOut); i++)
        if (midiOut[i] != 0xA5) return false;
    return true;
}

namespace {

const void* PortValue(const char* symbol, void* data, uint32_t* size, uint32_t* type) {
    auto* host = static_cast<Lv2Host*>(data);
    const LilvPlugin* plugin = MoravoxPlugin();
    LilvNode* sym = lilv_new_string(World(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, sym);
    lilv_node_free(sym);
    if (!port) return nullptr;
    static float value;
    value = host->Control(lilv_port_get_index(plugin, port));
    *size = sizeof(float);
    *type = host->Map(LV2_ATOM__Float);
    return &value;
}

void SetPortValue(const char* symbol, void* data, const void* value, uint32_t size,
                  uint32_t type) {
    // Any of the numeric atoms a state file's values become, as hosts take them.
    auto* host = static_cast<Lv2Host*>(data);
    float number = 0.0f;
    if (type == Lv2Host::Map(LV2_ATOM__Float) && size == sizeof(float))
        number = *static_cast<const float*>(value);
    else if (type == Lv2Host::Map(LV2_ATOM__Double) && size == sizeof(double))
        number = static_cast<float>(*static_cast<const double*>(value));
    else if (type == Lv2Host::Map(LV2_ATOM__Int) && size == sizeof(int32_t))
        number = static_cast<float>(*static_cast<const int32_t*>(value));
    else if (type == Lv2Host::Map(LV2_ATOM__Long) && size == sizeof(int64_t))
        number = static_cast<float>(*static_cast<const int64_t*>(value));
    else
        return;
    const LilvPlugin* plugin = MoravoxPlugin();
    LilvNode* sym = lilv_new_string(World(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, sym);
    lilv_node_free(sym);
    if (port) host->SetControl(lilv_port_get_index(plugin, port), number);
}

struct Chunk {
    uint32_t bankKey, programKey, chunkType, intType;
    const std::vector<uint8_t>* bank;
    int32_t program;
};

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                     uint32_t* flags) {
    const auto* c = static_cast<const Chunk*>(handle);
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    if (key == c->bankKey) {
        *size = c->bank->size();
        *type = c->chunkType;
        return c->bank->data();
    }
    if (key == c->programKey) {
        *size = sizeof(int32_t);
        *type = c->intType;
        return &c->program;
    }
    return nullptr;
}

} // namespace

LilvState* Lv2Host::Save() {
    return lilv_state_new_from_instance(MoravoxPlugin(), instance, &mapData, nullptr, nullptr,
                                        nullptr, nullptr, PortValue, this, 0, features);
}

void Lv2Host::Restore(const LilvState* state) {
    lilv_state_restore(state, instance, SetPortValue, this, 0, features);
}

void Lv2Host::RestoreChunk(const std::vector<uint8_t>& bank, int32_t program) {
    const auto* iface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    Chunk c = {Map(kBankUri), Map(kProgramUri), Map(LV2_ATOM__Chunk), Map(LV2_ATOM__Int), &bank,
               program};
    iface->restore(lilv_instance_get_handle(instance), Retrieve, &c, 0, features);
}

} // namespace testlv2
