#include "plugin/hosts.h"

#include <cstring>

namespace velk {
namespace plugin {

namespace {

const char* const kHostNames[] = {
    "(unknown)",  "Sonar",     "Energy XT", "Project 5",     "FL Studio",
    "Cantabile",  "SaviHost",  "Melodyne",  "Cubase/Nuendo", "Cubase4/Nuendo4",
    "Samplitude", "Tracktion", "Phrazor",   "Usine"};

struct Marker {
    const char* text;
    int type;
};

// Tested in this order; the first match wins.
const Marker kMarkers[] = {{"Samplitude", HOST_SAMPLITUDE}, {"SAVIHost", HOST_SAVIHOST},
                           {"Melodyne", HOST_MELODYNE},     {"Tracktion", HOST_TRACKTION},
                           {"Cantabile", HOST_CANTABILE},   {"Phrazor", HOST_PHRAZOR},
                           {"Usine", HOST_USINE},           {"energyXT", HOST_ENERGYXT}};

} // namespace

int DetectHostType(const char* product, VstInt32 vendorVersion) {
    if (!product || !*product) return HOST_UNKNOWN;
    if (strstr(product, "Cubase")) return vendorVersion > 8199 ? HOST_CUBASE4 : HOST_CUBASE;
    for (const Marker& marker : kMarkers)
        if (strstr(product, marker.text)) return marker.type;
    return HOST_UNKNOWN;
}

const char* HostDisplayName(int hostType) {
    if (hostType < 0 || hostType > HOST_USINE) return kHostNames[HOST_UNKNOWN];
    return kHostNames[hostType];
}

} // namespace plugin
} // namespace velk
