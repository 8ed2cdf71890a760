# shellcheck shell=bash
# Starting and stopping a private Xvfb and a private JACK server (the dummy driver: no audio
# hardware, no D-Bus, fine as root). Sourced by scripts/with-xvfb.sh, scripts/with-jackd.sh and
# scripts/test-servers.sh (the test fixtures), so that all three start the servers alike.

# A command the servers start under: test-servers.sh sets (setsid), so that a server outlives
# the setup test that started it and does not hold ctest's output pipes.
server_launch=()

# The command line of PID, words separated by spaces; false once it has ended (a zombie has).
server_cmdline() { # pid
    local stat
    stat=$( (cat "/proc/$1/stat") 2>/dev/null) || return 1
    [[ ${stat##*) } != Z* ]] || return 1
    (tr '\0' ' ' <"/proc/$1/cmdline") 2>/dev/null
}

# True while PID is a running PROGRAM whose arguments include ARG. Checked by command line,
# because a server started by an earlier run is known only by its pid, which may by now belong
# to something else.
server_alive() { # pid program [arg]
    local cmd argv0
    cmd=$(server_cmdline "$1") || return 1
    argv0=${cmd%% *}
    [ "${argv0##*/}" = "$2" ] || return 1
    [ -z "${3:-}" ] || [[ " $cmd " == *" $3 "* ]]
}

# Waits until the process just started has become PROGRAM (it is a forked shell until it execs),
# so that server_alive knows it from then on; false if it ended first.
server_started() { # pid program
    for _ in $(seq 1 200); do
        server_cmdline "$1" >/dev/null || return 1
        server_alive "$1" "$2" && return 0
        sleep 0.05
    done
    return 1
}

# Stops the server with SIGTERM, waiting until it has ended; false when it had to be killed.
server_stop() { # pid program [arg]
    local status=0
    if server_alive "$@"; then
        kill -TERM "$1" 2>/dev/null || true
        for _ in $(seq 1 50); do
            server_alive "$@" || break
            sleep 0.1
        done
        if server_alive "$@"; then
            kill -KILL "$1" 2>/dev/null || true
            status=1
            for _ in $(seq 1 50); do
                server_alive "$@" || break
                sleep 0.1
            done
        fi
    fi
    # Reaps it when it is the caller's child.
    wait "$1" 2>/dev/null || true
    return $status
}

# -noreset: otherwise the server resets whenever its last client leaves, and a connection made
# during the reset fails.
# A server counts as ours only when its lock file names our process, so runs started side by
# side never share one. Numbers with a socket but no lock file are skipped too: a server started
# with -displayfd (as some tests do) takes no lock, and a new server would take its socket.
xvfb_ours() { # number
    [ "$( (tr -dc 0-9 <"/tmp/.X$1-lock") 2>/dev/null)" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$1" ]
}

# Starts Xvfb on the first free display from FIRST on; sets xvfb_pid and xvfb_display (":N").
xvfb_start() { # first log
    local num=$1 log=$2
    xvfb_pid='' xvfb_display=''
    for _ in $(seq 1 50); do
        if [ ! -e "/tmp/.X$num-lock" ] && [ ! -e "/tmp/.X11-unix/X$num" ]; then
            "${server_launch[@]}" Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp -noreset \
                </dev/null >"$log" 2>&1 &
            xvfb_pid=$!
            server_started "$xvfb_pid" Xvfb || true
            for _ in $(seq 1 100); do
                xvfb_ours "$num" && break
                server_alive "$xvfb_pid" Xvfb ":$num" || break
                sleep 0.1
            done
            if xvfb_ours "$num"; then
                # shellcheck disable=SC2034 # read by the caller
                xvfb_display=":$num"
                return 0
            fi
            server_stop "$xvfb_pid" Xvfb ":$num" || true
            xvfb_pid=
        fi
        num=$((num + 1))
    done
    return 1
}

# The servers' settings, which the callers may change before starting one.
jackd_rate=${MORAVOX_JACK_RATE:-48000}
jackd_period=${MORAVOX_JACK_PERIOD:-256}

# Servers that were killed stay in the machine's JACK server registry, which holds only a few;
# once it is full no server starts ("Too many servers already active"). With no server running at
# all, every entry is stale and the registry can go; JACK makes a new one.
jackd_clear_stale_registry() {
    if ! pgrep -x jackd >/dev/null && ! pgrep -x jackdbus >/dev/null; then
        rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2>/dev/null || true
    fi
}

# Starts jackd -n NAME; sets jackd_pid. The caller exports JACK_NO_AUDIO_RESERVATION=1.
# -t: a generous client timeout, so a client slowed down by a loaded machine (or a sanitizer) is
# not thrown out of the graph.
jackd_start() { # name log
    "${server_launch[@]}" jackd --no-realtime -t 10000 -n "$1" -d dummy \
        -r "$jackd_rate" -p "$jackd_period" </dev/null >"$2" 2>&1 &
    jackd_pid=$!
    server_started "$jackd_pid" jackd || true
}

# True once a client can list the server's ports; false if the server ended or never got there.
jackd_ready() { # name
    for _ in $(seq 1 100); do
        server_alive "$jackd_pid" jackd "-n $1" || return 1
        if JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER="$1" jack_lsp >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Stops the server with SIGTERM, which frees its slot in the registry. A killed server keeps its
# slot and its files in /dev/shm until a server of the same name runs: one is started and stopped.
jackd_stop() { # name
    [ -n "${jackd_pid:-}" ] || return 0
    if ! server_stop "$jackd_pid" jackd "-n $1"; then
        # Until the killed server is reaped, JACK takes its registry entry for a live server.
        for _ in $(seq 1 100); do
            [ -e "/proc/$jackd_pid" ] || break
            sleep 0.1
        done
        jackd_start "$1" /dev/null
        jackd_ready "$1" || true
        server_stop "$jackd_pid" jackd "-n $1" || true
    fi
    jackd_pid=
}
