#!/usr/bin/env bash
# cmake --install and the uninstall target of one build tree, into a temporary HOME, prefix
# and DESTDIR. Usage: install_test.sh CMAKE BUILD_DIR PLUGIN HOST_TOOL INSTALLED_NAME OTHER_NAME
set -euo pipefail
cmake=$1 build=$2 plugin=$3 host_tool=$4 name=$5 other=$6
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
# Without a home and without a prefix it refuses instead of writing somewhere odd.
if env -u HOME -u DESTDIR "$cmake" --install "$build" >/dev/null 2>&1; then
    fail "an install without HOME reported success"
fi

# An explicit prefix, then a staged one, leave the home alone.
rm "$tmp/home/.vst/$name"
HOME="$tmp/home" "$cmake" --install "$build" --prefix "$tmp/prefix" >/dev/null
same "$tmp/prefix/lib/vst/$name"
HOME="$tmp/home" DESTDIR="$tmp/stage" "$cmake" --install "$build" --prefix /usr >/dev/null
same "$tmp/stage/usr/lib/vst/$name"
[ ! -e "$tmp/home/.vst/$name" ] || fail "an install with a prefix wrote into the home"

# Uninstall removes what the last install wrote, under the same DESTDIR, and nothing else.
DESTDIR="$tmp/stage" "$cmake" --build "$build" --target uninstall >/dev/null
[ ! -e "$tmp/stage/usr/lib/vst/$name" ] || fail "uninstall left $tmp/stage/usr/lib/vst/$name"
[ -d "$tmp/stage/usr/lib/vst" ] || fail "uninstall removed the folder other plug-ins may share"
[ -e "$tmp/prefix/lib/vst/$name" ] || fail "uninstall removed a file of an earlier install"
[ -e "$tmp/home/.vst/$other" ] || fail "uninstall removed the other architecture's plug-in"
echo "install and uninstall of $name: ok"
