// The messages a UI without instance access exchanges with the plug-in: patch:Set of the
// panel's own settings (they have no port), of the trigger and of the current program, and
// patch:Get of the current program's record, which the plug-in answers on its notify port.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>

namespace moravox::lv2 {

// patch:Set of this property (an atom:Int or atom:Long) reseeds the generators.
inline constexpr const char* kSeedUri = "https://moravox.org/lv2/moravox#seed";
// The state: the bank chunk as saved by the VST 2 build, and the current program. The
// program is also a property of patch:Set (atom:Int) that switches it.
inline constexpr const char* kBankUri = "https://moravox.org/lv2/moravox#bank";
inline constexpr const char* kProgramUri = "https://moravox.org/lv2/moravox#program";
// The current program's record (atom:Chunk), with the program's index under kProgramUri.
inline constexpr const char* kRecordUri = "https://moravox.org/lv2/moravox#record";
// patch:Set of this property with a true value fires the trigger once, as the panel's button.
inline constexpr const char* kTriggerUri = "https://moravox.org/lv2/moravox#trigger";
// A host parameter set by a UI of its own instance: patch:Set of this property with the value
// in the port's natural units (atom:Float) and the port's index under kIndexUri. The port
// alone could not carry it when its value stands where the host last put it, while the
// plug-in's program holds another (after a program change the ports did not see).
inline constexpr const char* kParameterUri = "https://moravox.org/lv2/moravox#parameter";
inline constexpr const char* kIndexUri = "https://moravox.org/lv2/moravox#index";

// The panel's own settings: the parameter, its property, and the range the panel offers.
struct PanelSetting {
    int parameter;
    const char* uri;
    int minimum, maximum;
};
inline constexpr PanelSetting kPanelSettings[] = {
    {17, "https://moravox.org/lv2/moravox#everyNth", 1, 10},
    {18, "https://moravox.org/lv2/moravox#offset", 0, 100},
    {19, "https://moravox.org/lv2/moravox#eventCount", 1, 10},
    {20, "https://moravox.org/lv2/moravox#generator", 0, 2},
};
inline constexpr int kPanelSettingCount = 4;

struct Urids {
    LV2_URID midiEvent, sequence, object, blank, patchSet, patchGet, patchProperty, patchValue;
    LV2_URID atomInt, atomLong, atomBool, atomFloat, atomChunk, atomUrid, eventTransfer;
    LV2_URID seed, bank, program, record, trigger, parameter, index;
    LV2_URID settings[kPanelSettingCount];

    void Map(LV2_URID_Map* map);
};

// A patch message built in place: at most a record's worth of body.
struct Message {
    alignas(8) uint8_t bytes[384];
    const LV2_Atom* Atom() const { return reinterpret_cast<const LV2_Atom*>(bytes); }
    uint32_t Size() const { return static_cast<uint32_t>(sizeof(LV2_Atom)) + Atom()->size; }
};

// Each returns false (and leaves an empty atom) when the message does not fit.
bool ForgeGet(const Urids& u, Message& out);
bool ForgeSet(const Urids& u, LV2_URID property, int32_t value, Message& out);
bool ForgeSetBool(const Urids& u, LV2_URID property, bool value, Message& out);
bool ForgeParameter(const Urids& u, uint32_t index, float natural, Message& out);
bool ForgeRecord(const Urids& u, int32_t program, const void* record, uint32_t size,
                 Message& out);

// The value of a key of an object atom, or null; nothing past the atom's size is read, however
// much its properties claim.
const LV2_Atom* Property(const LV2_Atom* object, LV2_URID key);
// The property and the value of a patch:Set; false for anything else.
bool ReadSet(const Urids& u, const LV2_Atom* atom, LV2_URID& property, const LV2_Atom*& value);
// A whole number from an atom:Int, atom:Long or atom:Bool.
bool ReadInteger(const Urids& u, const LV2_Atom* value, int64_t& number);
// A number from an atom:Float, or a whole one as ReadInteger takes it.
bool ReadNumber(const Urids& u, const LV2_Atom* value, float& number);

} // namespace moravox::lv2
