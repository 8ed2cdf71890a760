#!/usr/bin/env bash
# Runs a command with a private JACK server (see scripts/servers.sh), and stops the server
# afterwards. The command finds the server's name in JACK_DEFAULT_SERVER, where every JACK client
# looks, and in MORAVOX_JACK_SERVER, which tells the tests a server is there for them. Exits with
# the command's status.
set -euo pipefail
# shellcheck source=scripts/servers.sh
source "$(dirname "$0")/servers.sh"
name=${MORAVOX_JACK_SERVER_NAME:-moravox-$$}
log=$(mktemp /tmp/moravox-jackd-XXXXXX.log)
jackd_pid=

# No reservation of audio devices through D-Bus, and no server started behind our back.
export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1

trap 'jackd_stop "$name"; rm -f "$log"' EXIT
jackd_clear_stale_registry
jackd_start "$name" "$log"
if ! jackd_ready "$name"; then
    echo "jackd -n $name -d dummy did not start" >&2
    cat "$log" >&2
    exit 1
fi

export JACK_DEFAULT_SERVER="$name" MORAVOX_JACK_SERVER="$name"
status=0
"$@" || status=$?
exit "$status"
