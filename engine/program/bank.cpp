#include "engine/program/bank.h"

#include <cstdio>
#include <cstring>

#include "GUI/info.h"
#include "engine/program/parameter_table.h"

namespace velk {
namespace engine {

namespace {

template <class T> void Clamp(T& field, T low, T high) {
    if (field < low) field = low;
    if (field > high) field = high;
}

void Flag(uint8_t& field) {
    if (field > 1) field = 1;
}

void NewerVersionMessage(const char* what) {
    char text[160];
    snprintf(text, sizeof(text),
             "Failed to load %s\n(Reason: Saved with newer version\nThis version = %.2f\n"
             "Some settings will be lost !)",
             what, 1.02);
    SInfo(text, "Moravox");
}

// A chunk's record, checked in a private copy before it reaches the bank. Only
// the first `size` bytes come from the chunk; the rest keeps what `current` holds.
void LoadRecord(VSTPluginProgram& target, const unsigned char* data, size_t size) {
    VSTPluginProgram record;
    CopyWords(record, target, 0, kProgramSize);
    memcpy(&record, data, size);
    record.Sanitize();
    CopyWords(target, record, 0, size);
}

} // namespace

void VSTPluginProgram::SetDefaults() {
    memset(this, 0, sizeof(*this));
    strcpy(name, "(default)");
    int count = 0;
    const ParameterInfo* rows = ParameterRows(count);
    for (int i = 0; i < count; i++) {
        const ParameterInfo& p = rows[i];
        if (p.stored == Stored::Flag) this->*(p.flag) = static_cast<uint8_t>(p.defaultValue);
        if (p.stored == Stored::Integer) this->*(p.integer) = p.defaultValue;
    }
}

void VSTPluginProgram::Sanitize() {
    name[kMaxNameLength] = '\0';
    int count = 0;
    const ParameterInfo* rows = ParameterRows(count);
    for (int i = 0; i < count; i++) {
        const ParameterInfo& p = rows[i];
        if (p.stored == Stored::Flag) Flag(this->*(p.flag));
        if (p.stored == Stored::Integer) Clamp(this->*(p.integer), 0, p.scale);
    }
}

void CopyWords(VSTPluginProgram& to, const VSTPluginProgram& from, size_t begin, size_t end) {
    auto* target = reinterpret_cast<uint32_t*>(&to);
    auto* source = reinterpret_cast<const uint32_t*>(&from);
    for (size_t i = begin / 4; i < end / 4; i++) Store(target[i], Load(source[i]));
}

// Up to the terminator only: a host's buffer may be shorter than the stored field.
void LoadName(const VSTPluginProgram& program, char* text) {
    int i = 0;
    for (; i < kMaxNameLength; i++) {
        text[i] = Load(program.name[i]);
        if (text[i] == '\0') return;
    }
    text[i] = '\0';
}

void StoreName(VSTPluginProgram& program, const char* text) {
    size_t length = strnlen(text, kMaxNameLength);
    for (size_t i = 0; i < sizeof(program.name); i++)
        Store(program.name[i], i < length ? text[i] : '\0');
}

VSTPluginProgramBank::VSTPluginProgramBank() {
    for (int i = 0; i < kNumPrograms; i++) {
        programs[i].SetDefaults();
        // "01 - empty preset" .. "32 - empty preset"
        snprintf(programs[i].name, sizeof(programs[i].name), "%02i - empty preset", i + 1);
    }
}

int VSTPluginProgramBank::readBank(const void* data, long byteSize) {
    if (!data || byteSize < 0) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const size_t size = static_cast<size_t>(byteSize);
    size_t recordSize;
    if (size == kOldBankSize)
        recordSize = kOldProgramSize;
    else if (size >= kBankSize)
        recordSize = kProgramSize;
    else
        return 0;
    for (int i = 0; i < kNumPrograms; i++)
        LoadRecord(programs[i], bytes + i * recordSize, recordSize);
    if (size > kBankSize) NewerVersionMessage("bank");
    return 1;
}

int VSTPluginProgramBank::readProgram(const void* data, long byteSize, int index) {
    if (!data || byteSize < 0 || index < 0 || index >= kNumPrograms) return 0;
    const size_t size = static_cast<size_t>(byteSize);
    size_t recordSize;
    if (size == kOldProgramSize)
        recordSize = kOldProgramSize;
    else if (size >= kProgramSize)
        recordSize = kProgramSize;
    else
        return 0;
    LoadRecord(programs[index], static_cast<const unsigned char*>(data), recordSize);
    if (size > kProgramSize) NewerVersionMessage("program");
    return 1;
}

} // namespace engine
} // namespace velk
