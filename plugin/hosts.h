// Which host the plug-in runs in, told apart by the host's product string.
#pragma once

#include "plugin/protocol/vst_abi.h"

namespace velk {
namespace plugin {

enum HostType {
    HOST_UNKNOWN = 0,
    HOST_SONAR = 1,
    HOST_ENERGYXT = 2,
    HOST_PROJECT5 = 3,
    HOST_FLSTUDIO = 4,
    HOST_CANTABILE = 5,
    HOST_SAVIHOST = 6,
    HOST_MELODYNE = 7,
    HOST_CUBASE = 8,
    HOST_CUBASE4 = 9,
    HOST_SAMPLITUDE = 10,
    HOST_TRACKTION = 11,
    HOST_PHRAZOR = 12,
    HOST_USINE = 13,
};

// Host type for a product string; the vendor version tells Cubase generations apart.
int DetectHostType(const char* product, VstInt32 vendorVersion);

// Display name of a host type; "(unknown)" outside the table.
const char* HostDisplayName(int hostType);

} // namespace plugin
} // namespace velk
