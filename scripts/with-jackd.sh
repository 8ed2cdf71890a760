#!/usr/bin/env bash
# Runs a command with a private JACK server (the dummy driver: no audio hardware, no D-Bus, fine
# as root), and stops the server afterwards. The command finds the server's name in
# JACK_DEFAULT_SERVER, where every JACK client looks, and in MORAVOX_JACK_SERVER, which tells
# the tests a server is there for them. Exits with the command's status.
set -euo pipefail
name=${MORAVOX_JACK_SERVER_NAME:-moravox-$$}
rate=${MORAVOX_JACK_RATE:-48000}
period=${MORAVOX_JACK_PERIOD:-256}
log=$(mktemp /tmp/moravox-jackd-XXXXXX.log)
jackd_pid=

# No reservation of audio devices through D-Bus, and no server started behind our back.
export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1

start_server() {
    # -t: a generous client timeout, so a client slowed down by a loaded machine (or a
    # sanitizer) is not thrown out of the graph.
    jackd --no-realtime -t 10000 -n "$name" -d dummy -r "$rate" -p "$period" >"$log" 2>&1 &
    jackd_pid=$!
}

# False when the server had to be killed.
stop_server_once() {
    kill -TERM "$jackd_pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
        kill -0 "$jackd_pid" 2>/dev/null || break
        sleep 0.1
    done
    local stopped=0
    if kill -0 "$jackd_pid" 2>/dev/null; then
        kill -KILL "$jackd_pid" 2>/dev/null || true
        stopped=1
    fi
    wait "$jackd_pid" 2>/dev/null || true
    return $stopped
}

# A killed server keeps its slot in the machine's JACK server registry (which holds only a few)
# and its files in /dev/shm until a server of the same name runs: one is started and stopped.
stop_server() {
    [ -n "$jackd_pid" ] || return 0
    if ! stop_server_once; then
        start_server
        sleep 1
        stop_server_once || true
    fi
    rm -f "$log"
}
trap stop_server EXIT
# Servers that were killed stay in the shared registry, which holds only a few; once it is full
# no server starts ("Too many servers already active"). With no server running at all, every
# entry is stale and the registry can go; JACK makes a new one.
if ! pgrep -x jackd >/dev/null && ! pgrep -x jackdbus >/dev/null; then
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2>/dev/null || true
fi
start_server

# Ready once a client can list the server's ports.
ready=0
for _ in $(seq 1 100); do
    kill -0 "$jackd_pid" 2>/dev/null || break
    if JACK_DEFAULT_SERVER="$name" jack_lsp >/dev/null 2>&1; then
        ready=1
        break
    fi
    sleep 0.1
done
if [ "$ready" != 1 ]; then
    echo "jackd -n $name -d dummy did not start" >&2
    cat "$log" >&2
    exit 1
fi

export JACK_DEFAULT_SERVER="$name" MORAVOX_JACK_SERVER="$name"
status=0
"$@" || status=$?
exit "$status"
