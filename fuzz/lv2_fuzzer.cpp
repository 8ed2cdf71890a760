// The LV2 build as an LV2 host drives it, through lv2_descriptor and lv2ui_descriptor only:
// control values of any bits, atom sequences of MIDI and patch messages (well formed or not),
// runs with any room for the MIDI and notify outputs, state restores of any bytes, and a UI
// without instance access (and without a display) fed the notify port's atoms and any other.
//
// Input: calls until the input ends, each a byte choosing it (value modulo 7):
//   0  a control port: index byte (modulo 16), 4 bytes of float
//   1  a MIDI event for the next run: frame (2 bytes, may lie past the block), size byte
//      (modulo 5), that many bytes
//   2  a patch message for the next run (see PatchMessage below)
//   3  a run: frames (2 bytes, 0 to 8191), MIDI output room and notify room (2 bytes each);
//      the outputs must stay inside their room and hold well-formed events
//   4  a state restore: flags byte (bit 0 bank, bit 1 program), bank length (2 bytes) and
//      bytes, program (4 bytes), type byte (0 the right type, else another)
//   5  the UI's port_event: port byte, format byte (0 float, 1 atom:eventTransfer), then a
//      float (4 bytes) or the last notify atom (flag bit 7 clear) or a patch message
//   6  the UI's idle call, and a state save
// Rules broken are reported by Violation (violation.h).
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "byte_reader.h"
#include "plugin/lv2/lv2_messages.h"
#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_ports.h"
#include "violation.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);
extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);

namespace {

using moravox::lv2::kAudioInLeft;
using moravox::lv2::kBankUri;
using moravox::lv2::kControls;
using moravox::lv2::kMidiIn;
using moravox::lv2::kMidiOut;
using moravox::lv2::kNotify;
using moravox::lv2::kPortCount;
using moravox::lv2::kProgramUri;
using moravox::lv2::kUri;
using moravox::lv2::ReadSet;
using moravox::lv2::Urids;

// Before every constructor without a priority: no display, as in host_fuzzer.
__attribute__((constructor(101))) void NoDisplay() {
    setenv("DISPLAY", "", 1);
}

std::map<std::string, LV2_URID> ids;
LV2_URID MapUri(LV2_URID_Map_Handle, const char* uri) {
    auto [it, added] = ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1));
    return it->second;
}
LV2_URID_Map map = {nullptr, MapUri};
const LV2_Feature mapFeature = {LV2_URID__map, &map};
const LV2_Feature* const features[] = {&mapFeature, nullptr};

constexpr uint32_t kBuffer = 8192;
constexpr uint8_t kGuard = 0xA5;

struct Sequence {
    alignas(8) uint8_t bytes[kBuffer + 64];
    LV2_Atom_Sequence* Get() { return reinterpret_cast<LV2_Atom_Sequence*>(bytes); }
};

// A patch message: kind byte (modulo 4: patch:Set, patch:Get, another object type, not an
// object), a byte for any URID, property byte (one of the plug-in's, or that URID), for a
// record or a parameter an index byte, value type byte (Int, Long,
// Bool, Float, Chunk, URID, any), value bytes (4, 8 or a length byte and bytes), and a size
// byte that, when odd, makes the atom claim a size of its own (shorter or longer).
std::vector<uint8_t> PatchMessage(ByteReader& in, const Urids& u) {
    alignas(8) uint8_t buffer[512] = {};
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map);
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof(buffer));
    const uint8_t kind = in.U8() % 4;
    const LV2_URID properties[] = {u.seed,        u.trigger,     u.program,     u.record,
                                   u.settings[0], u.settings[1], u.settings[2], u.settings[3],
                                   u.bank,        u.parameter,   in.U8()};
    const LV2_URID property = properties[in.U8() % 11];
    const uint8_t type = in.U8() % 7;
    LV2_Atom_Forge_Frame frame;
    if (kind == 3) {
        lv2_atom_forge_int(&forge, static_cast<int32_t>(in.U16()));
    } else {
        const LV2_URID otype = kind == 0 ? u.patchSet : kind == 1 ? u.patchGet : in.U8();
        lv2_atom_forge_object(&forge, &frame, 0, otype);
        lv2_atom_forge_key(&forge, u.patchProperty);
        lv2_atom_forge_urid(&forge, property);
        if (property == u.record || property == u.parameter) {
            lv2_atom_forge_key(&forge, property == u.record ? u.program : u.index);
            lv2_atom_forge_int(&forge, static_cast<int8_t>(in.U8()));
        }
        lv2_atom_forge_key(&forge, u.patchValue);
        int64_t number = 0;
        in.Bytes(&number, type == 1 ? 8 : 4);
        uint8_t chunk[256] = {};
        size_t length = 0;
        switch (type) {
        case 0: lv2_atom_forge_int(&forge, static_cast<int32_t>(number)); break;
        case 1: lv2_atom_forge_long(&forge, number); break;
        case 2: lv2_atom_forge_bool(&forge, number != 0); break;
        case 3: lv2_atom_forge_float(&forge, static_cast<float>(number)); break;
        case 4:
            length = in.U8() % 2 ? 220 : in.U8();
            in.Bytes(chunk, length);
            lv2_atom_forge_atom(&forge, static_cast<uint32_t>(length), u.atomChunk);
            lv2_atom_forge_write(&forge, chunk, static_cast<uint32_t>(length));
            break;
        case 5: lv2_atom_forge_urid(&forge, static_cast<LV2_URID>(number)); break;
        default:
            lv2_atom_forge_atom(&forge, 4, static_cast<LV2_URID>(number >> 32));
            lv2_atom_forge_write(&forge, &number, 4);
            break;
        }
        lv2_atom_forge_pop(&forge, &frame);
    }
    auto* atom = reinterpret_cast<LV2_Atom*>(buffer);
    const uint8_t claim = in.U8();
    if (claim & 1) atom->size = claim >> 1 > atom->size ? atom->size : claim >> 1;
    return std::vector<uint8_t>(buffer, buffer + sizeof(LV2_Atom) + atom->size);
}

void CheckRoom(const uint8_t* bytes, uint32_t room, const char* rule) {
    for (uint32_t i = sizeof(LV2_Atom) + room; i < kBuffer + 64; i++)
        if (bytes[i] != kGuard) Violation(rule);
}

void CheckMidi(LV2_Atom_Sequence* out, uint32_t room, uint32_t frames, const Urids& u) {
    if (out->atom.size > room) Violation("the MIDI output is larger than its room");
    int64_t last = 0;
    LV2_ATOM_SEQUENCE_FOREACH (out, ev) {
        if (ev->body.type != u.midiEvent) Violation("a MIDI output event that is not MIDI");
        if (ev->time.frames < last || ev->time.frames >= (frames ? frames : 1))
            Violation("a MIDI output event out of order or outside the block");
        last = ev->time.frames;
        const auto* b = reinterpret_cast<const uint8_t*>(ev + 1);
        const uint32_t expected = (b[0] & 0xE0) == 0xC0 ? 2 : 3;
        if (b[0] < 0x80 || b[0] >= 0xF0 || ev->body.size != expected)
            Violation("a MIDI output event that is no channel message");
        for (uint32_t k = 1; k < ev->body.size; k++)
            if (b[k] >= 0x80) Violation("a MIDI data byte above 127");
    }
}

// The notify port holds the program's record, or a setting or the program within its range.
void CheckNotify(LV2_Atom_Sequence* out, uint32_t room, const Urids& u) {
    if (out->atom.size > room) Violation("the notify output is larger than its room");
    LV2_ATOM_SEQUENCE_FOREACH (out, ev) {
        LV2_URID property = 0;
        const LV2_Atom* value = nullptr;
        if (!ReadSet(u, &ev->body, property, value)) Violation("a notify event that is no patch:Set");
        if (property == u.record) {
            if (value->type != u.atomChunk || value->size != 220)
                Violation("a record that is not the program's 220 bytes");
            continue;
        }
        int64_t number = -1;
        if (!moravox::lv2::ReadInteger(u, value, number)) Violation("a notified value that is no number");
        int64_t low = 0, high = 31;
        if (property != u.program) {
            int i = 0;
            while (i < moravox::lv2::kPanelSettingCount && property != u.settings[i]) i++;
            if (i == moravox::lv2::kPanelSettingCount) Violation("a notified property of no meaning");
            low = moravox::lv2::kPanelSettings[i].minimum;
            high = moravox::lv2::kPanelSettings[i].maximum;
        }
        if (number < low || number > high) Violation("a notified value outside its range");
    }
}

struct Store {
    std::vector<uint8_t> bank;
    int32_t program = 0;
    uint32_t bankType = 0, programType = 0;
    bool hasBank = false, hasProgram = false;
};

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                     uint32_t* flags) {
    const Store* s = static_cast<const Store*>(handle);
    *flags = LV2_STATE_IS_POD;
    if (key == ids[kBankUri] && s->hasBank) {
        *size = s->bank.size();
        *type = s->bankType;
        return s->bank.data();
    }
    if (key == ids[kProgramUri] && s->hasProgram) {
        *size = sizeof(s->program);
        *type = s->programType;
        return &s->program;
    }
    return nullptr;
}

LV2_State_Status Keep(LV2_State_Handle, uint32_t, const void* value, size_t size, uint32_t,
                      uint32_t) {
    if (!value || size == 0 || size > 1 << 20) Violation("a state value without bytes");
    return LV2_STATE_SUCCESS;
}

void Written(LV2UI_Controller, uint32_t port, uint32_t size, uint32_t format, const void*) {
    if (format == 0 && (port >= kControls || size != sizeof(float)))
        Violation("the UI wrote a value to a port that is no control");
    if (format != 0 && port != kMidiIn) Violation("the UI sent a message elsewhere");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    Urids u = {};
    u.Map(&map);
    const LV2_Descriptor* d = lv2_descriptor(0);
    LV2_Handle plugin = d->instantiate(d, 48000.0, "", features);
    if (!plugin) Violation("the plug-in did not instantiate");
    float controls[kControls] = {1, 0, 0, 0, 0, 15, 0, 0, 127, 0, 0, 127, 0, 0, 0, 0};
    static float audio[4][8192];
    static Sequence midiIn, midiOut, notify;
    for (uint32_t i = 0; i < kControls; i++) d->connect_port(plugin, i, &controls[i]);
    for (uint32_t c = 0; c < 4; c++) d->connect_port(plugin, kAudioInLeft + c, audio[c]);
    d->connect_port(plugin, kMidiIn, midiIn.bytes);
    d->connect_port(plugin, kMidiOut, midiOut.bytes);
    d->connect_port(plugin, kNotify, notify.bytes);
    d->activate(plugin);
    const auto* state =
        static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));

    const LV2UI_Descriptor* uiDescriptor = lv2ui_descriptor(0);
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = uiDescriptor->instantiate(uiDescriptor, kUri, "", Written, nullptr, &widget,
                                                features);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        uiDescriptor->extension_data(LV2_UI__idleInterface));
    std::vector<uint8_t> lastNotified;

    LV2_Atom_Sequence* seq = midiIn.Get();
    auto clear = [&] {
        seq->atom.type = u.sequence;
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->body.unit = seq->body.pad = 0;
    };
    clear();
    auto append = [&](int64_t frame, const std::vector<uint8_t>& body, uint32_t type) {
        alignas(8) uint8_t event[sizeof(LV2_Atom_Event) + 512] = {};
        auto* e = reinterpret_cast<LV2_Atom_Event*>(event);
        e->time.frames = frame;
        e->body.type = type;
        e->body.size = static_cast<uint32_t>(body.size());
        if (!body.empty()) std::memcpy(e + 1, body.data(), body.size());
        lv2_atom_sequence_append_event(seq, kBuffer - sizeof(LV2_Atom), e);
    };

    for (int calls = 0; !in.Empty() && calls < 200; calls++) {
        switch (in.U8() % 7) {
        case 0: {
            const uint8_t port = in.U8() % kControls;
            in.Bytes(&controls[port], sizeof(float));
            break;
        }
        case 1: {
            const int64_t frame = static_cast<int16_t>(in.U16());
            std::vector<uint8_t> bytes(in.U8() % 5);
            for (uint8_t& b : bytes) b = in.U8();
            append(frame, bytes, u.midiEvent);
            break;
        }
        case 2: {
            std::vector<uint8_t> message = PatchMessage(in, u);
            const auto* atom = reinterpret_cast<const LV2_Atom*>(message.data());
            append(0, std::vector<uint8_t>(message.begin() + sizeof(LV2_Atom), message.end()),
                   atom->type);
            break;
        }
        case 3: {
            const uint32_t frames = in.U16() % 8192;
            const uint32_t room = in.U16() % kBuffer, notifyRoom = in.U16() % kBuffer;
            std::memset(midiOut.bytes, kGuard, sizeof(midiOut.bytes));
            std::memset(notify.bytes, kGuard, sizeof(notify.bytes));
            midiOut.Get()->atom = {room, 0};
            notify.Get()->atom = {notifyRoom, 0};
            d->run(plugin, frames);
            CheckRoom(midiOut.bytes, room, "the plug-in wrote past the MIDI output's room");
            CheckRoom(notify.bytes, notifyRoom, "the plug-in wrote past the notify room");
            CheckMidi(midiOut.Get(), room, frames, u);
            CheckNotify(notify.Get(), notifyRoom, u);
            LV2_ATOM_SEQUENCE_FOREACH (notify.Get(), ev) {
                const auto* b = reinterpret_cast<const uint8_t*>(&ev->body);
                lastNotified.assign(b, b + sizeof(LV2_Atom) + ev->body.size);
            }
            clear();
            break;
        }
        case 4: {
            Store s;
            const uint8_t flags = in.U8();
            s.hasBank = flags & 1;
            s.hasProgram = flags & 2;
            s.bank.resize(in.U16() % 8192);
            in.Bytes(s.bank.data(), s.bank.size());
            in.Bytes(&s.program, sizeof(s.program));
            const bool right = in.U8() == 0;
            s.bankType = right ? u.atomChunk : u.atomInt;
            s.programType = right ? u.atomInt : u.atomLong;
            state->restore(plugin, Retrieve, &s, 0, features);
            break;
        }
        case 5: {
            const uint32_t port = in.U8() % kPortCount;
            const uint8_t format = in.U8();
            if (!ui) break;
            if (!(format & 1)) {
                float value = 0.0f;
                in.Bytes(&value, sizeof(value));
                uiDescriptor->port_event(ui, port, sizeof(value), 0, &value);
            } else {
                const std::vector<uint8_t> atom =
                    format & 0x80 || lastNotified.empty() ? PatchMessage(in, u) : lastNotified;
                uiDescriptor->port_event(ui, port, static_cast<uint32_t>(atom.size()),
                                         u.eventTransfer, atom.data());
            }
            break;
        }
        default:
            if (ui && idle) idle->idle(ui);
            state->save(plugin, Keep, nullptr, 0, features);
            break;
        }
    }
    if (ui) uiDescriptor->cleanup(ui);
    d->deactivate(plugin);
    d->cleanup(plugin);
    return 0;
}
