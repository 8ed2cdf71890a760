// Speaker arrangements: a header and that many 112-byte speaker records.
#include <cstdlib>
#include <cstring>

#include "plugin/protocol/audioeffectx.h"

namespace {
size_t ArrangementBytes(VstInt32 channels) {
    return 8 + sizeof(VstSpeakerProperties) * static_cast<size_t>(channels);
}
} // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels) {
    if (!arrangement || nbChannels < 0) return false;
    deallocateArrangement(arrangement);
    void* memory = calloc(1, ArrangementBytes(nbChannels));
    if (!memory) return false;
    *arrangement = static_cast<VstSpeakerArrangement*>(memory);
    (*arrangement)->numChannels = nbChannels;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (!arrangement) return false;
    free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    memcpy(to->name, from->name, sizeof(to->name));
    to->name[sizeof(to->name) - 1] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from || !to) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    // The records run past the declared array: walk them as plain memory.
    VstSpeakerProperties* target = (*to)->speakers;
    VstSpeakerProperties* source = from->speakers;
    for (VstInt32 i = 0; i < from->numChannels; i++)
        if (!copySpeaker(target + i, source + i)) return false;
    return true;
}
