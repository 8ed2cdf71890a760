// A fixed number of the benchmark's blocks, for counting instructions (see
// scripts/count-instructions.sh, which runs it under callgrind):
//   moravox_blocks randomized|all GENERATOR EVENTS BLOCKS
//   moravox_blocks ideal - EVENTS BLOCKS     (the least such a block could execute)
// Exits with 1 when the host was not handed every event it should have been.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/block_setup.h"

namespace {

using namespace moravox::bench;

__attribute__((noinline)) void RunBlocks(VSTPlugin& plugin, Block& block, int blocks) {
    for (int i = 0; i < blocks; i++) {
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
    }
}

// The least any plug-in doing the randomized case's work could execute: the audio
// copy, and per event three Park-Miller draws mapped onto the ranges and a 32-byte
// event written for the host; no queue, no settings, no checks.
__attribute__((noinline)) void RunIdealBlocks(Block& block, int blocks) {
    static VstMidiEvent out[256];
    uint32_t state = 12345;
    velk::engine::FastMod channels, values;
    channels.Set(16);
    values.Set(128);
    for (int b = 0; b < blocks; b++) {
        for (int c = 0; c < 2; c++) memcpy(block.out[c], block.in[c], sizeof(float) * kFrames);
        const VstEvents* in = block.Events();
        for (int i = 0; i < in->numEvents; i++) {
            const auto* e = reinterpret_cast<const VstMidiEvent*>(in->events[i]);
            const uint32_t v = values.Mod(state = velk::math::random::generator::SRandomPM::After(state));
            const uint32_t ch = channels.Mod(state = velk::math::random::generator::SRandomPM::After(state));
            const uint32_t n = values.Mod(state = velk::math::random::generator::SRandomPM::After(state));
            out[i] = *e;
            const uint32_t word = (0xB0 + ch) | n << 8 | v << 16;
            memcpy(out[i].midiData, &word, sizeof(word));
        }
        asm volatile("" : : "r"(out) : "memory");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && !strcmp(argv[1], "ideal")) {
        const int events = argc > 3 ? atoi(argv[3]) : 256;
        const int blocks = argc > 4 ? atoi(argv[4]) : 100;
        if (events < 0 || events > 256 || blocks < 1) return 2;
        Block block(kRandomized, events);
        RunIdealBlocks(block, blocks);
        printf("%d ideal blocks of %d events\n", blocks, events);
        return 0;
    }
    const bool known = argc > 1 && (!strcmp(argv[1], "randomized") || !strcmp(argv[1], "all"));
    const Settings settings = known && !strcmp(argv[1], "all") ? kEveryOptionOn : kRandomized;
    const int generator = argc > 2 ? atoi(argv[2]) : 2;
    const int events = argc > 3 ? atoi(argv[3]) : 256;
    const int blocks = argc > 4 ? atoi(argv[4]) : 100;
    if (!known || generator < 0 || generator > 2 || events < 0 || events > 256 || blocks < 1) {
        fprintf(stderr, "usage: moravox_blocks randomized|all [GENERATOR 0-2] [EVENTS 0-256] "
                        "[BLOCKS]\n");
        return 2;
    }
    int status = 0;
    VSTPlugin plugin(Master, status);
    plugin.setBlockSize(kFrames);
    plugin.resume();
    Configure(plugin, settings, static_cast<float>(generator) * 0.5f);
    Block block(settings, events);
    // The first blocks fill the note table and settle the settings; they are not counted.
    for (int i = 0; i < 20; i++) {
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
    }
    handedOver = 0;
    RunBlocks(plugin, block, blocks);
    const long long expected = static_cast<long long>(ExpectedOut(settings, events)) * blocks;
    printf("%d blocks of %d events, %s, generator %d: %lld events handed over\n", blocks, events,
           argv[1], generator, handedOver);
    if (handedOver != expected) {
        fprintf(stderr, "expected %lld events to reach the host, got %lld\n", expected,
                handedOver);
        return 1;
    }
    return 0;
}
