#!/usr/bin/env bash
# The main job: install what is needed, build the plug-in for both architectures, then play the
# shipped example MIDI file through the x86_64 plug-in with the shipped example preset and a
# fixed seed, and print the render's summary and the first events it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh x86_64
bash scripts/build.sh i386
mkdir -p build/examples
./build/x86_64/moravox-host render ./build/x86_64/moravox.so examples/riff.mid \
    -o build/examples/riff-scatter.mid --preset examples/scatter.fxp --seed 1
./build/x86_64/moravox-host dump build/examples/riff-scatter.mid --limit 16
