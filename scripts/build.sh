#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh x86_64|i386 [extra cmake -D options]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
cmake --preset "$preset" "$@" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
