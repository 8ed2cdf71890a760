// A fixed number of the benchmark's blocks, for counting instructions:
//   valgrind --tool=callgrind --toggle-collect='*RunBlocks*' moravox_blocks GENERATOR EVENTS BLOCKS
// then instructions per event = the total / (BLOCKS * EVENTS).
#include <cstdio>
#include <cstdlib>

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
    const int generator = argc > 1 ? atoi(argv[1]) : 1;
    const int events = argc > 2 ? atoi(argv[2]) : 256;
    const int blocks = argc > 3 ? atoi(argv[3]) : 100;
    if (generator < 0 || generator > 2 || events < 0 || events > 256 || blocks < 1) {
        fprintf(stderr, "usage: moravox_blocks [GENERATOR 0-2] [EVENTS 0-256] [BLOCKS]\n");
        return 2;
    }
    int status = 0;
    VSTPlugin plugin(Master, status);
    plugin.setBlockSize(kFrames);
    plugin.resume();
    EveryOptionOn(plugin, static_cast<float>(generator) * 0.5f);
    Block block(events);
    // The first blocks fill the note table and settle the settings; they are not counted.
    for (int i = 0; i < 20; i++) {
        plugin.processEvents(block.Events());
        plugin.processReplacing(block.in, block.out, kFrames);
    }
    RunBlocks(plugin, block, blocks);
    printf("%d blocks of %d events, generator %d\n", blocks, events, generator);
    return 0;
}
