#!/usr/bin/env bash
# cmake --install puts a loadable moravox.so where hosts look: ~/.vst by default. Usage: install_test.sh BUILD_DIR HOST_TOOL
set -euo pipefail
build=$1
host_tool=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/home"
HOME="$work/home" cmake --install "$build" >/dev/null
test -f "$work/home/.vst/moravox.so" || { echo "user scope: no ~/.vst/moravox.so"; exit 1; }
"$host_tool" info "$work/home/.vst/moravox.so" | grep -q "Moravox" ||
    { echo "user scope: the installed plug-in does not load"; exit 1; }

# Without a home the user scope refuses instead of writing somewhere odd.
if env -u HOME cmake --install "$build" >/dev/null 2>&1; then
    echo "user scope without HOME: reported success"
    exit 1
fi
echo "install: ~/.vst ok"
