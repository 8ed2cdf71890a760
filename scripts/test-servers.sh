#!/usr/bin/env bash
# The X and JACK servers of a ctest run, for the fixtures of tests/CMakeLists.txt:
#   test-servers.sh start-x|stop-x|start-jack|stop-jack DIR
#   test-servers.sh run DIR COMMAND [ARG...]
# A server handed to ctest (DISPLAY; MORAVOX_JACK_SERVER, as scripts/with-xvfb.sh and
# scripts/with-jackd.sh set them) is used as it is and nothing is started. Otherwise start-*
# starts a private one and notes it in DIR, stop-* stops it, and run gives it to one test
# command: ctest fixes a test's environment when the build is configured, long before the server
# and its display number or name exist.
set -euo pipefail
# shellcheck source=scripts/servers.sh
source "$(dirname "$0")/servers.sh"
action=$1 dir=$2
shift 2

# A line "KEY=VALUE" of a note.
field() { # file key
    sed -n "s/^$2=//p" "$1" 2>/dev/null
}

# The note is written whole or not at all, for the tests that read it.
note() { # file lines...
    local file=$1
    shift
    printf '%s\n' "$@" >"$file.new"
    mv "$file.new" "$file"
}

start_x() {
    if [ -n "${DISPLAY:-}" ]; then
        echo "using the given display $DISPLAY"
        return 0
    fi
    if ! command -v Xvfb >/dev/null; then
        echo "no DISPLAY, and no Xvfb to start one (install xvfb)" >&2
        return 1
    fi
    # From :190, away from a desktop's :0 and from scripts/with-xvfb.sh's :90.
    if ! xvfb_start 190 "$dir/xvfb.log"; then
        echo "Xvfb did not start" >&2
        cat "$dir/xvfb.log" >&2
        return 1
    fi
    note "$dir/x" "pid=$xvfb_pid" "display=$xvfb_display"
    echo "started Xvfb $xvfb_display (pid $xvfb_pid)"
}

stop_x() {
    [ -f "$dir/x" ] || return 0
    server_stop "$(field "$dir/x" pid)" Xvfb "$(field "$dir/x" display)" || true
    rm -f "$dir/x" "$dir/xvfb.log"
}

start_jack() {
    if [ -n "${MORAVOX_JACK_SERVER:-}" ]; then
        echo "using the given JACK server $MORAVOX_JACK_SERVER"
        return 0
    fi
    if ! command -v jackd >/dev/null; then
        # As the tests do themselves: they skip.
        echo "jackd is not installed: the tests that need a JACK server skip"
        return 0
    fi
    export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
    local name=moravox-ctest-$$
    jackd_clear_stale_registry
    jackd_start "$name" "$dir/jackd.log"
    # Noted at once, so that stop-jack finds a server that never got ready.
    note "$dir/jack" "pid=$jackd_pid" "name=$name"
    if ! jackd_ready "$name"; then
        echo "jackd -n $name -d dummy did not start" >&2
        cat "$dir/jackd.log" >&2
        stop_jack
        return 1
    fi
    echo "started jackd -n $name (pid $jackd_pid)"
}

stop_jack() {
    [ -f "$dir/jack" ] || return 0
    local name
    name=$(field "$dir/jack" name)
    jackd_pid=$(field "$dir/jack" pid)
    jackd_stop "$name"
    rm -f "$dir/jack" "$dir/jackd.log"
}

# What a test needs of the servers noted, unless it was handed servers of its own.
run() {
    local pid value
    if [ -z "${DISPLAY:-}" ] && [ -f "$dir/x" ]; then
        pid=$(field "$dir/x" pid) value=$(field "$dir/x" display)
        if server_alive "$pid" Xvfb "$value"; then export DISPLAY="$value"; fi
    fi
    if [ -z "${MORAVOX_JACK_SERVER:-}" ] && [ -f "$dir/jack" ]; then
        pid=$(field "$dir/jack" pid) value=$(field "$dir/jack" name)
        if server_alive "$pid" jackd "-n $value"; then
            export JACK_DEFAULT_SERVER="$value" MORAVOX_JACK_SERVER="$value" \
                JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
        fi
    fi
    exec "$@"
}

mkdir -p "$dir"
case $action in
    # A server an interrupted run left behind goes first.
    start-x) stop_x && start_x ;;
    stop-x) stop_x ;;
    start-jack) stop_jack && start_jack ;;
    stop-jack) stop_jack ;;
    run) run "$@" ;;
    *)
        echo "usage: $0 start-x|stop-x|start-jack|stop-jack|run DIR [COMMAND...]" >&2
        exit 2
        ;;
esac
