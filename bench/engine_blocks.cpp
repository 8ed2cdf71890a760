// A fixed number of the benchmark's blocks, for counting instructions (see
// scripts/count-instructions.sh, which runs it under callgrind):
//   moravox_blocks randomized|all GENERATOR EVENTS BLOCKS
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

} // namespace

int main(int argc, char** argv) {
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
