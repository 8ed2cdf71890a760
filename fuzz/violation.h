// How the harness reports a broken rule: one line naming the rule (and the event,
// if any) on standard output, then an abort that libFuzzer records as a crash.
// Standard output, because run.sh hands standard error to /dev/null to keep the
// plug-in's chunk messages out of the log (sanitizer reports still get through).
#pragma once

#include <cstdio>
#include <cstdlib>

#include "plugin/protocol/vst_abi.h"

[[noreturn]] inline void Violation(const char* rule, const VstMidiEvent* event = nullptr) {
    printf("\n*** moravox fuzz: %s\n", rule);
    if (event) {
        const auto* b = reinterpret_cast<const unsigned char*>(event->midiData);
        printf("*** event: type %d byteSize %d deltaFrames %d midi %02x %02x %02x %02x\n",
               event->type, event->byteSize, event->deltaFrames, b[0], b[1], b[2], b[3]);
    }
    fflush(stdout);
    abort();
}
