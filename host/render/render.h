// Plays a MIDI file through a plug-in block by block, as a host does, and collects what the
// plug-in hands back.
#pragma once

#include "host/core/host.h"
#include "host/formats/smf.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace moravox::host {

struct RenderOptions {
    uint32_t sampleRate = 48000;
    uint32_t blockSize = 256;
    uint64_t tailSamples = 48000; // processed after the last input event
    // Silent blocks before the file starts, as a plug-in runs in a host before playback: what
    // a setting asks for (a program change ends the notes of the old one over two blocks) is
    // done before the first note. What the plug-in sends meanwhile is put at the start.
    uint32_t prerollBlocks = 2;
    bool keepInput = false; // format 1: the input on track 1, the output on track 2
};

struct RenderResult {
    // Format 0: the input's tempo and time signature events and the plug-in's output.
    SmfFile output;
    size_t eventsIn = 0;     // channel messages handed to the plug-in
    size_t eventsOut = 0;    // messages the plug-in handed back and the file holds
    size_t busiestBlock = 0; // the most input events handed over with one block
    size_t lostOut = 0;      // handed back, but more than the host keeps per block
    size_t unwritable = 0;   // handed back, but not a channel message
    uint64_t samples = 0;    // processed
    double seconds = 0.0;    // wall-clock time of the processing alone
};

// (samples processed, samples in all)
using RenderProgress = std::function<void(uint64_t, uint64_t)>;

// The host should have been made with RenderAnswers(options) and opened, and the plug-in set up;
// a host that logs its calls is switched to real-time mode, so the log does not keep a copy of
// every block. Resumes the plug-in, processes, suspends it.
RenderResult Render(Host& host, const SmfFile& input, const RenderOptions& options,
                    const RenderProgress& progress = nullptr);

// The answers a host for Render needs.
HostAnswers RenderAnswers(const RenderOptions& options);

} // namespace moravox::host
