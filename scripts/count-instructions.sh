#!/usr/bin/env bash
# Instructions per event of the engine benchmark's blocks, counted by callgrind: they do not
# depend on how busy the machine is, unlike the benchmark's times.
#   scripts/count-instructions.sh [BUILD_DIR]   (default build/bench-x86_64, a Release build
#                                               with MORAVOX_BENCH=ON; or bench/'s own build)
#   scripts/count-instructions.sh BUILD_DIR HOST_DIR   (the render's tools from another build)
# Where HOST_DIR (by default BUILD_DIR) holds moravox-host and moravox.so, the render of a
# one-hour file is counted as well.
# Exits with 1 when a run did not hand the host every event, or with --check when a goal is
# not met.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
blocks_tool=${1:-build/bench-x86_64}/moravox_blocks
[ -x "$blocks_tool" ] || { echo "no $blocks_tool: build the target moravox_blocks" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# count SETTINGS GENERATOR EVENTS BLOCKS: instructions per event (per block without events)
count() {
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --toggle-collect='*RunBlocks*' \
    --toggle-collect='*RunIdealBlocks*' \
    "$blocks_tool" "$1" "$2" "$3" "$4" > "$out/log" 2>&1 || { cat "$out/log" >&2; exit 1; }
  local total
  total=$(callgrind_annotate "$out/cg" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
  local per=$(( $3 > 0 ? $4 * $3 : $4 ))
  awk -v t="$total" -v n="$per" 'BEGIN { printf "%.1f", t / n }'
}

names=("C library" "Mersenne" "Park-Miller")
declare -A at
printf '%-16s %-12s %14s %14s %14s\n' settings generator "256 events" "1 event" "empty block"
for settings in randomized all; do
  for g in 0 1 2; do
    many=$(count $settings $g 256 100)
    one=$(count $settings $g 1 1000)
    none=$(count $settings $g 0 1000)
    at[$settings$g]=$many
    label=$settings; [ $settings = all ] && label="every option on"
    printf '%-16s %-12s %14s %14s %14s\n' "$label" "${names[$g]}" "$many" "$one" "$none"
  done
done
ideal=$(count ideal - 256 100)
echo "(instructions per event; per block for the empty block)"
echo "The least a loop doing the randomized case's work executes: $ideal per event"

# The render of a one-hour file of 200,000 events, the whole program: reading, merging,
# playing through the plug-in and writing.
render_per_event=
tools=${2:-${1:-build/bench-x86_64}}
if [ -x "$tools/moravox-host" ] && [ -e "$tools/moravox.so" ]; then
  python3 scripts/make-hour.py "$out/hour.mid"
  valgrind --tool=callgrind --callgrind-out-file="$out/cg-render" \
    "$tools/moravox-host" render "$tools/moravox.so" "$out/hour.mid" -o "$out/rendered.mid" \
    > "$out/log" 2>&1 || { cat "$out/log" >&2; exit 1; }
  total=$(callgrind_annotate "$out/cg-render" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
  events=$(grep -o '^[0-9]* events in' "$out/log" | grep -o '^[0-9]*')
  render_per_event=$(awk -v t="$total" -v n="$events" 'BEGIN { printf "%.0f", t / n }')
  echo "moravox-host render, one hour, $events events: $render_per_event instructions per input event"
fi

echo "The goals are set for x86_64:"
unmet=0
goal() { # TEXT VALUE LIMIT
  local verdict=met
  awk -v v="$2" -v l="$3" 'BEGIN { exit !(v <= l) }' || { verdict="NOT met"; unmet=1; }
  printf 'Goal: %s: %s, %s\n' "$1" "$2" "$verdict"
}
goal "randomized, Park-Miller, at most 100 per event" "${at[randomized2]}" 100
goal "every option on, Park-Miller, at most 130 per event" "${at[all2]}" 130
for s in randomized all; do
  ratio=$(awk -v m="${at[${s}1]}" -v p="${at[${s}2]}" 'BEGIN { printf "%.3f", m / p }')
  goal "$s, Mersenne within 10 % of Park-Miller (ratio)" "$ratio" 1.10
done
[ -n "$render_per_event" ] &&
  goal "render of the one-hour file, at most 2,500 per input event" "$render_per_event" 2500
[ $check = 1 ] && exit $unmet
exit 0
