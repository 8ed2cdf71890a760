#!/usr/bin/env bash
# Runs a command with a private Xvfb server as DISPLAY, and stops the server afterwards.
set -euo pipefail
num=${MORAVOX_XVFB_DISPLAY:-}
if [ -z "$num" ]; then
    num=90
    while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$((num + 1)); done
fi
Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp >/tmp/moravox-xvfb-$num.log 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; wait $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$num" ] && break
    sleep 0.1
done
if [ ! -e "/tmp/.X11-unix/X$num" ]; then
    echo "Xvfb :$num did not start" >&2
    cat "/tmp/moravox-xvfb-$num.log" >&2
    exit 1
fi
export DISPLAY=":$num"
"$@"
