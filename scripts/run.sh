#!/usr/bin/env bash
# The main job: install what is needed, build the plug-in for both
# architectures and print the x86_64 plug-in's scanner report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh x86_64
bash scripts/build.sh i386
./build/x86_64/moravox-host info ./build/x86_64/moravox.so
