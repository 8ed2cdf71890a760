#!/usr/bin/env bash
# Runs a command with a private Xvfb server as DISPLAY, and stops the server afterwards.
# -noreset: otherwise the server resets whenever its last client leaves, and a
# connection made during the reset fails.
# Displays start at :90 (away from a desktop's :0); a server counts as ours only when
# its lock file names our process, so runs started side by side never share one.
set -euo pipefail
log=$(mktemp)
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && { kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; }; rm -f "$log"' EXIT
ours() { [ "$( (tr -dc 0-9 <"/tmp/.X$1-lock") 2>/dev/null)" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$1" ]; }
num=${MORAVOX_XVFB_DISPLAY:-90}
for _ in $(seq 1 50); do
    if [ ! -e "/tmp/.X$num-lock" ]; then
        Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 100); do
            ours "$num" && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        ours "$num" && break
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
    num=$((num + 1))
done
if [ -z "$xvfb_pid" ]; then
    echo "Xvfb did not start" >&2
    cat "$log" >&2
    exit 1
fi
export DISPLAY=":$num"
"$@"
