#!/usr/bin/env bash
# cmake --install and the uninstall target of one build tree, into a temporary HOME, prefix
# and DESTDIR. Usage: install_test.sh CMAKE BUILD_DIR PLUGIN HOST_TOOL INSTALLED_NAME OTHER_NAME
#                    LV2_BINARY LV2_HOME_FOLDER LV2_LIB_FOLDER
set -euo pipefail
cmake=$1 build=$2 plugin=$3 host_tool=$4 name=$5 other=$6 lv2=$7 lv2_home=$8 lv2_lib=$9
tmp=$(mktemp -d)
manifest="$build/install_manifest.txt"
# The tree's own manifest belongs to whoever installed from it: put it back afterwards.
[ -f "$manifest" ] && cp -p "$manifest" "$tmp/manifest.saved"
restore() {
    if [ -f "$tmp/manifest.saved" ]; then cp -p "$tmp/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
    rm -rf "$tmp"
}
trap restore EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
same() { cmp -s "$plugin" "$1" || fail "$1 is not the built plug-in"; }
# The bundle in a folder: the binary and the Turtle files, and lv2ls finds it there.
bundle_in() {
    cmp -s "$lv2" "$1/moravox.lv2/moravox.so" || fail "$1/moravox.lv2 has not the built LV2 binary"
    for ttl in manifest.ttl moravox.ttl presets.ttl; do
        [ -f "$1/moravox.lv2/$ttl" ] || fail "$1/moravox.lv2 lacks $ttl"
    done
    LV2_PATH="$1" lv2ls 2>/dev/null | grep -qx "https://moravox.org/lv2/moravox" ||
        fail "lv2ls does not find the bundle in $1"
}
in_home() { env -u DESTDIR HOME="$tmp/home" "$cmake" --install "$build" >/dev/null; }

# No prefix: the user's own folder, next to the other architecture's plug-in, which stays.
mkdir -p "$tmp/home/.vst"
echo "the other build" >"$tmp/home/.vst/$other"
in_home
same "$tmp/home/.vst/$name"
[ "$(cat "$tmp/home/.vst/$other")" = "the other build" ] || fail "the other architecture's $other was replaced"
[ -x "$tmp/home/.vst/$name" ] || fail "the installed plug-in is not executable"
"$host_tool" info "$tmp/home/.vst/$name" 2>/dev/null | grep -q "Moravox" ||
    fail "the installed plug-in does not load"
bundle_in "$tmp/home/$lv2_home"
# Without a home and without a prefix it refuses instead of writing somewhere odd.
if env -u HOME -u DESTDIR "$cmake" --install "$build" >/dev/null 2>&1; then
    fail "an install without HOME reported success"
fi

# An explicit prefix, then a staged one, leave the home alone.
rm "$tmp/home/.vst/$name"
HOME="$tmp/home" "$cmake" --install "$build" --prefix "$tmp/prefix" >/dev/null
same "$tmp/prefix/lib/vst/$name"
bundle_in "$tmp/prefix/$lv2_lib"
HOME="$tmp/home" DESTDIR="$tmp/stage" "$cmake" --install "$build" --prefix /usr >/dev/null
same "$tmp/stage/usr/lib/vst/$name"
bundle_in "$tmp/stage/usr/$lv2_lib"
[ ! -e "$tmp/home/.vst/$name" ] || fail "an install with a prefix wrote into the home"

# Uninstall removes what the last install wrote, under the same DESTDIR, and nothing else.
DESTDIR="$tmp/stage" "$cmake" --build "$build" --target uninstall >/dev/null
[ ! -e "$tmp/stage/usr/lib/vst/$name" ] || fail "uninstall left $tmp/stage/usr/lib/vst/$name"
[ ! -e "$tmp/stage/usr/$lv2_lib/moravox.lv2/moravox.so" ] || fail "uninstall left the LV2 binary"
[ -d "$tmp/stage/usr/lib/vst" ] || fail "uninstall removed the folder other plug-ins may share"
[ -e "$tmp/prefix/lib/vst/$name" ] || fail "uninstall removed a file of an earlier install"
[ -e "$tmp/home/.vst/$other" ] || fail "uninstall removed the other architecture's plug-in"
echo "install and uninstall of $name: ok"
