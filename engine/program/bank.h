// One program's settings: a plain 220-byte record that is also the program
// chunk hosts store, and the bank of 32 with its chunk rules.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace velk {
namespace engine {

struct VSTPluginProgram {
    char name[48];
    uint8_t formatEnable;
    uint8_t channelEnable;
    uint8_t numberEnable;
    uint8_t valueEnable;
    uint8_t midiThru;
    uint8_t presetSwitching;
    uint8_t midiInThru;
    uint8_t zero[3];
    uint8_t alignment[2];
    int32_t channelMin;
    int32_t numberMin;
    int32_t valueMin;
    int32_t channelMax;
    int32_t numberMax;
    int32_t valueMax;
    int32_t formatIn;
    int32_t formatOut;
    // The advanced block: from here to the end, 128 bytes.
    int32_t everyNth;
    int32_t randomOffset;
    int32_t eventCount;
    int32_t randomizer;
    uint8_t reserved[112];

    // Defaults of every program, with the name "(default)".
    void SetDefaults();
    // Forces every field into its range and terminates the name. A record that
    // is already valid is left byte-for-byte as it is.
    void Sanitize();
};

constexpr size_t kProgramSize = 220;
constexpr size_t kOldProgramSize = 92;
constexpr size_t kAdvancedOffset = 92;
constexpr size_t kSettingsOffset = 48; // what copy and paste carry: all but the name
constexpr int kNumPrograms = 32;
constexpr size_t kBankSize = kNumPrograms * kProgramSize;       // 7040
constexpr size_t kOldBankSize = kNumPrograms * kOldProgramSize; // 2944
constexpr int kMaxNameLength = 47;

static_assert(sizeof(VSTPluginProgram) == kProgramSize, "program record is 220 bytes");
static_assert(
    offsetof(VSTPluginProgram, formatEnable) == 48 &&
        offsetof(VSTPluginProgram, midiInThru) == 54 && offsetof(VSTPluginProgram, zero) == 55 &&
        offsetof(VSTPluginProgram, alignment) == 58 &&
        offsetof(VSTPluginProgram, channelMin) == 60 &&
        offsetof(VSTPluginProgram, numberMin) == 64 && offsetof(VSTPluginProgram, valueMin) == 68 &&
        offsetof(VSTPluginProgram, channelMax) == 72 &&
        offsetof(VSTPluginProgram, numberMax) == 76 && offsetof(VSTPluginProgram, valueMax) == 80 &&
        offsetof(VSTPluginProgram, formatIn) == 84 && offsetof(VSTPluginProgram, formatOut) == 88 &&
        offsetof(VSTPluginProgram, everyNth) == 92 &&
        offsetof(VSTPluginProgram, randomOffset) == 96 &&
        offsetof(VSTPluginProgram, eventCount) == 100 &&
        offsetof(VSTPluginProgram, randomizer) == 104 &&
        offsetof(VSTPluginProgram, reserved) == 108,
    "program record layout");
static_assert(alignof(VSTPluginProgram) == 4, "records copy as 32-bit words");

// Fields are read on the audio thread while host threads write them: every
// access is a relaxed atomic one, so a reader sees either the old or the new value.
template <class T> inline T Load(const T& field) {
    return __atomic_load_n(&field, __ATOMIC_RELAXED);
}
// Every store to a program of any instance counts itself here, after the
// store: a reader that finds the count as it last saw it needs not read a field.
inline std::atomic<uint32_t> programEdits{0};
template <class T> inline void Store(T& field, T value) {
    __atomic_store_n(&field, value, __ATOMIC_RELAXED);
    programEdits.fetch_add(1, std::memory_order_release);
}
// Copies bytes [from, to) between records word by word (offsets multiples of 4).
void CopyWords(VSTPluginProgram& to, const VSTPluginProgram& from, size_t begin, size_t end);
// Reads the name into text (48 bytes, always terminated).
void LoadName(const VSTPluginProgram& program, char* text);
// Stores at most 47 characters of text as the name.
void StoreName(VSTPluginProgram& program, const char* text);

class VSTPluginProgramBank {
public:
    VSTPluginProgramBank();

    // Chunk loading: 1 when loaded, 0 when rejected (nothing changed). A chunk
    // from a newer version loads its known part and says so with a message.
    int readBank(const void* data, long byteSize);
    int readProgram(const void* data, long byteSize, int index);

    VSTPluginProgram& operator[](int index) { return programs[index]; }
    const VSTPluginProgram& operator[](int index) const { return programs[index]; }
    VSTPluginProgram* Data() { return programs; }

private:
    VSTPluginProgram programs[kNumPrograms];
};

} // namespace engine
} // namespace velk
