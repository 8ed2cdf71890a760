#!/usr/bin/env bash
# Moravox (LV2) in a real Ardour, without a display: scripts/ardour/session.lua builds a session
# around the bundle of BUILD_DIR (default build/x86_64), saves it and opens it again.
#   apt-get install ardour; scripts/try-ardour.sh [BUILD_DIR]
# Runs in a home of its own, so Ardour's settings and plug-in folders stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
bundle=$(realpath "${1:-build/x86_64}")/lv2/moravox.lv2
[ -f "$bundle/moravox.so" ] || { echo "no $bundle: build first" >&2; exit 2; }
command -v ardour7-lua >/dev/null || { echo "ardour7-lua is missing: apt-get install ardour" >&2; exit 2; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# Ardour looks for LV2 bundles in ~/.lv2 and for its Lua scripts in its configuration folder.
mkdir -p "$home/.lv2" "$home/.config/ardour7/scripts"
ln -s "$bundle" "$home/.lv2/moravox.lv2"
cp scripts/ardour/moravox_test_notes.lua "$home/.config/ardour7/scripts/"
HOME=$home XDG_CONFIG_HOME=$home/.config timeout 300 ardour7-lua scripts/ardour/session.lua \
    "$home/session"
