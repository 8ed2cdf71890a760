#!/usr/bin/env bash
# Measures the editor's figures on a private Xvfb: first open, reopen, a full refresh of
# the panel, and the CPU the host process uses while the editor is open and idle.
# Usage: scripts/measure-editor.sh [BUILD_DIR]   (default build/x86_64; needs moravox.so,
# moravox-host and tests/test_panel built there). Prints a Markdown table.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/x86_64}
if [ -z "${DISPLAY:-}" ] || [ "${MORAVOX_MEASURE_INNER:-0}" != 1 ]; then
    MORAVOX_MEASURE_INNER=1 exec bash scripts/with-xvfb.sh bash "$0" "$build"
fi
host="$build/moravox-host"
plugin="$build/moravox.so"
panel_tests="$build/tests/test_panel"
for f in "$host" "$plugin" "$panel_tests"; do
    [ -e "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The n-th number after "key": in a line of JSON.
field() { sed -n "s/.*\"$2\":\([-0-9.e]*\).*/\1/p" <<<"$1" | head -n1; }
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "| figure | host model | measured | limit |"
echo "|---|---|---|---|"
for model in 1 2 3; do
    # First open: once per fresh process, ten processes.
    : >"$work/first"
    for _ in $(seq 1 10); do
        report=$("$host" gui "$plugin" --host-model "$model" --cycles 1 </dev/null | tail -n1)
        field "$report" first_open_ms >>"$work/first"
    done
    first=$(median <"$work/first")
    report=$("$host" gui "$plugin" --host-model "$model" --cycles 200 </dev/null | tail -n1)
    reopen=$(field "$report" median)
    reopen_max=$(field "$report" max)
    printf '| first open (median of 10) | %s | %.2f ms | 30 ms |\n' "$model" "$first"
    printf '| reopen (median of 200; max %.2f ms) | %s | %.3f ms | 3 ms |\n' "$reopen_max" "$model" "$reopen"

    # CPU while open and idle, over 10 s, from the scheduler's per-thread run times (ns):
    # the whole host process, and the plug-in's own idle thread (named "moravox").
    # Beside it, a host thread that only wakes every 22 ms as the idle thread does: the
    # baseline for what waking alone costs on this machine.
    "$host" gui "$plugin" --host-model "$model" --seconds 13 --baseline-tick 22 \
        </dev/null >/dev/null &
    pid=$!
    sleep 1.5
    runtimes() {
        for t in /proc/"$pid"/task/*; do
            echo "$(tr ' ' _ <"$t/comm") $(cut -d' ' -f1 "$t/schedstat")"
        done
    }
    runtimes >"$work/before"
    sleep 10
    runtimes >"$work/after"
    wait "$pid"
    percent() { # [thread name]
        awk -v name="${1:-}" 'FNR == NR { if (name == "" || $1 == name) a += $2; next }
            { if (name == "" || $1 == name) b += $2 } END { printf "%.2f", (b - a) / 1e10 * 100 }' \
            "$work/before" "$work/after"
    }
    printf '| CPU open and idle, 10 s: whole host process | %s | %s %% of a core | - |\n' \
        "$model" "$(percent)"
    idle=$(percent moravox)
    baseline=$(percent tick-baseline)
    printf '| CPU open and idle, 10 s: the plug-in'"'"'s idle thread | %s | %s %% of a core | 0.5 %% |\n' \
        "$model" "$idle"
    printf '| CPU, same 10 s: a thread that only wakes every 22 ms (baseline) | %s | %s %% of a core (idle thread %s times it) | - |\n' \
        "$model" "$baseline" "$(awk -v a="$idle" -v b="$baseline" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
done

"$panel_tests" --gtest_filter='PanelTest.FullRefreshShowsTheProgramNameAndEveryValue' \
    --gtest_output="json:$work/refresh.json" >/dev/null
refresh=$(sed -n 's/.*"full_refresh_median_us": "\([0-9.]*\)".*/\1/p' "$work/refresh.json")
refresh_max=$(sed -n 's/.*"full_refresh_max_us": "\([0-9.]*\)".*/\1/p' "$work/refresh.json")
printf '| full refresh (median of 200; max %.0f us) | - | %.0f us | 1 ms |\n' "$refresh_max" "$refresh"
