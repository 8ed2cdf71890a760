#!/usr/bin/env bash
# Runs a command with a private Xvfb server as DISPLAY, and stops the server afterwards.
# Displays start at :90 (away from a desktop's :0); see scripts/servers.sh for how the server
# is started and told apart from others.
set -euo pipefail
# shellcheck source=scripts/servers.sh
source "$(dirname "$0")/servers.sh"
log=$(mktemp)
xvfb_pid='' xvfb_display=''
trap '[ -n "$xvfb_pid" ] && server_stop "$xvfb_pid" Xvfb "$xvfb_display"; rm -f "$log"' EXIT
if ! xvfb_start "${MORAVOX_XVFB_DISPLAY:-90}" "$log"; then
    echo "Xvfb did not start" >&2
    cat "$log" >&2
    exit 1
fi
export DISPLAY="$xvfb_display"
"$@"
