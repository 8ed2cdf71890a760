#include "plugin/lv2/lv2_messages.h"

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>

#include <cstring>

namespace moravox::lv2 {

void Urids::Map(LV2_URID_Map* map) {
    auto id = [map](const char* uri) { return map->map(map->handle, uri); };
    midiEvent = id(LV2_MIDI__MidiEvent);
    sequence = id(LV2_ATOM__Sequence);
    object = id(LV2_ATOM__Object);
    blank = id(LV2_ATOM__Blank);
    patchSet = id(LV2_PATCH__Set);
    patchGet = id(LV2_PATCH__Get);
    patchProperty = id(LV2_PATCH__property);
    patchValue = id(LV2_PATCH__value);
    atomInt = id(LV2_ATOM__Int);
    atomLong = id(LV2_ATOM__Long);
    atomBool = id(LV2_ATOM__Bool);
    atomFloat = id(LV2_ATOM__Float);
    atomChunk = id(LV2_ATOM__Chunk);
    atomUrid = id(LV2_ATOM__URID);
    eventTransfer = id(LV2_ATOM__eventTransfer);
    seed = id(kSeedUri);
    bank = id(kBankUri);
    program = id(kProgramUri);
    record = id(kRecordUri);
    trigger = id(kTriggerUri);
    parameter = id(kParameterUri);
    index = id(kIndexUri);
    for (int i = 0; i < kPanelSettingCount; i++) settings[i] = id(kPanelSettings[i].uri);
}

namespace {

// A forge on the message's bytes with the URIDs it writes already known, so that forging
// maps nothing (the plug-in forges on the audio thread).
LV2_Atom_Forge ForgeOn(const Urids& u, Message& out) {
    LV2_Atom_Forge forge = {};
    forge.Int = u.atomInt;
    forge.Long = u.atomLong;
    forge.Bool = u.atomBool;
    forge.Float = u.atomFloat;
    forge.Chunk = u.atomChunk;
    forge.URID = u.atomUrid;
    forge.Object = u.object;
    forge.Sequence = u.sequence;
    lv2_atom_forge_set_buffer(&forge, out.bytes, sizeof(out.bytes));
    return forge;
}

bool Finish(LV2_Atom_Forge& forge, LV2_Atom_Forge_Frame& frame, bool whole, Message& out) {
    if (whole) lv2_atom_forge_pop(&forge, &frame);
    if (whole && forge.offset <= sizeof(out.bytes)) return true;
    std::memset(out.bytes, 0, sizeof(LV2_Atom));
    return false;
}

} // namespace

bool ForgeGet(const Urids& u, Message& out) {
    LV2_Atom_Forge forge = ForgeOn(u, out);
    LV2_Atom_Forge_Frame frame;
    const bool whole = lv2_atom_forge_object(&forge, &frame, 0, u.patchGet) != 0;
    return Finish(forge, frame, whole, out);
}

namespace {

// patch:Set { patch:property: property, then what `rest` forges (the value and any other key) }.
template <class Rest>
bool ForgeSetOf(const Urids& u, LV2_URID property, Message& out, Rest rest) {
    LV2_Atom_Forge forge = ForgeOn(u, out);
    LV2_Atom_Forge_Frame frame;
    const bool whole = lv2_atom_forge_object(&forge, &frame, 0, u.patchSet) &&
                       lv2_atom_forge_key(&forge, u.patchProperty) &&
                       lv2_atom_forge_urid(&forge, property) && rest(forge);
    return Finish(forge, frame, whole, out);
}

} // namespace

bool ForgeSet(const Urids& u, LV2_URID property, int32_t value, Message& out) {
    return ForgeSetOf(u, property, out, [&](LV2_Atom_Forge& f) {
        return lv2_atom_forge_key(&f, u.patchValue) && lv2_atom_forge_int(&f, value);
    });
}

bool ForgeSetBool(const Urids& u, LV2_URID property, bool value, Message& out) {
    return ForgeSetOf(u, property, out, [&](LV2_Atom_Forge& f) {
        return lv2_atom_forge_key(&f, u.patchValue) && lv2_atom_forge_bool(&f, value);
    });
}

bool ForgeParameter(const Urids& u, uint32_t index, float natural, Message& out) {
    return ForgeSetOf(u, u.parameter, out, [&](LV2_Atom_Forge& f) {
        return lv2_atom_forge_key(&f, u.index) &&
               lv2_atom_forge_int(&f, static_cast<int32_t>(index)) &&
               lv2_atom_forge_key(&f, u.patchValue) && lv2_atom_forge_float(&f, natural);
    });
}

bool ForgeRecord(const Urids& u, int32_t program, const void* record, uint32_t size,
                 Message& out) {
    return ForgeSetOf(u, u.record, out, [&](LV2_Atom_Forge& f) {
        return lv2_atom_forge_key(&f, u.program) && lv2_atom_forge_int(&f, program) &&
               lv2_atom_forge_key(&f, u.patchValue) &&
               lv2_atom_forge_atom(&f, size, u.atomChunk) &&
               lv2_atom_forge_write(&f, record, size);
    });
}

const LV2_Atom* Property(const LV2_Atom* object, LV2_URID key) {
    const auto* body = reinterpret_cast<const uint8_t*>(object + 1);
    const uint64_t size = object->size;
    for (uint64_t at = sizeof(LV2_Atom_Object_Body); at + sizeof(LV2_Atom_Property_Body) <= size;) {
        const auto* p = reinterpret_cast<const LV2_Atom_Property_Body*>(body + at);
        if (p->value.size > size - at - sizeof(LV2_Atom_Property_Body)) return nullptr;
        if (p->key == key) return &p->value;
        at += lv2_atom_pad_size(static_cast<uint32_t>(sizeof(LV2_Atom_Property_Body)) + p->value.size);
    }
    return nullptr;
}

bool ReadSet(const Urids& u, const LV2_Atom* atom, LV2_URID& property, const LV2_Atom*& value) {
    if (!atom || (atom->type != u.object && atom->type != u.blank) ||
        atom->size < sizeof(LV2_Atom_Object_Body))
        return false;
    if (reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype != u.patchSet) return false;
    const LV2_Atom* key = Property(atom, u.patchProperty);
    value = Property(atom, u.patchValue);
    if (!key || key->type != u.atomUrid || key->size != sizeof(LV2_URID) || !value) return false;
    property = reinterpret_cast<const LV2_Atom_URID*>(key)->body;
    return true;
}

bool ReadInteger(const Urids& u, const LV2_Atom* value, int64_t& number) {
    if ((value->type == u.atomInt || value->type == u.atomBool) &&
        value->size == sizeof(int32_t)) {
        number = reinterpret_cast<const LV2_Atom_Int*>(value)->body;
        return true;
    }
    if (value->type == u.atomLong && value->size == sizeof(int64_t)) {
        number = reinterpret_cast<const LV2_Atom_Long*>(value)->body;
        return true;
    }
    return false;
}

bool ReadNumber(const Urids& u, const LV2_Atom* value, float& number) {
    if (value->type == u.atomFloat && value->size == sizeof(float)) {
        number = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
        return true;
    }
    int64_t whole = 0;
    if (!ReadInteger(u, value, whole)) return false;
    number = static_cast<float>(whole);
    return true;
}

} // namespace moravox::lv2
