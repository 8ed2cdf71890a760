#!/usr/bin/env bash
# Makes the golden renders in tests/host/golden/ again: mix.mid, the bank switching.fxb and
# one render per line of cases.txt. Only for when the plug-in's output is meant to change.
#   scripts/make-goldens.sh [BUILD_DIR]   (default build/x86_64)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/x86_64}
host=$build/moravox-host
plugin=$build/moravox.so
golden=tests/host/golden
python3 scripts/make-golden-input.py "$golden/mix.mid"

# Four programs that differ in everything a program change can switch, with preset switching on.
programs=(
  "--name Switch-PM --set 15=1 --set 20=1 --set 3=1 --set 9=1 --set 12=1"
  "--name Switch-MT-PC --set 20=0.5 --set 1=0.0455 --set 2=1 --set 17=0.2 --set 18=0.4"
  "--name Switch-CRT-CC --set 20=0 --set 1=0.0909 --set 13=1 --set 19=0.4 --set 6=1 --set 7=0.9 --set 8=0.2"
  "--name Switch-Off --set 0=0 --set 12=1 --set 13=1"
)
bank=$(mktemp --suffix=.fxb)
trap 'rm -f "$bank"' EXIT
for n in "${!programs[@]}"; do
  from=()
  [ "$n" -gt 0 ] && from=(--bank "$golden/switching.fxb")
  # shellcheck disable=SC2086
  "$host" bank save "$plugin" "$bank" "${from[@]}" --program "$n" ${programs[$n]}
  cat "$bank" > "$golden/switching.fxb"
done

grep -v '^#' "$golden/cases.txt" | while read -r name args; do
  [ -n "$name" ] || continue
  # Names of files in the golden folder stand for their paths.
  resolved=()
  for arg in $args; do
    case $arg in *.mid | *.fxb) resolved+=("$golden/$arg") ;; *) resolved+=("$arg") ;; esac
  done
  "$host" render "$plugin" "$golden/mix.mid" -o "$golden/$name.mid" "${resolved[@]}"
done
