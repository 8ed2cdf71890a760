#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) into build/fuzz and runs each
# for a bounded time, starting from a copy of its seed corpus under fuzz/corpus/
# so the committed corpus stays as it is. Exits non-zero when any target finds
# a crash, a sanitizer report, a leak, a timeout or a broken output rule.
#
#   bash fuzz/run.sh [--build-only] [target...]   (default: every target)
#   bash fuzz/run.sh --long SECONDS [target...]   nightly: every target (or those
#                                     named) for SECONDS each; add FUZZ_KEEP=1 to keep
#                                     what the corpora grew into
#   FUZZ_SECONDS=25                   seconds per target (--long overrides it)
#   FUZZ_JOBS=2                       targets run side by side
#   FUZZ_KEEP=1                       keep the grown corpora (printed at the end)
#
# Targets: chunk_fuzzer and stream_fuzzer (the engine through VSTPlugin),
# host_fuzzer (the plug-in through its exported main, as a host loads it),
# lv2_fuzzer (the LV2 build through its descriptors, as an LV2 host loads it),
# smf_fuzzer and preset_fuzzer (the host tool's MIDI file and FXP/FXB formats).
#
# A finding is saved under build/fuzz/artifacts/; run the target on that file
# (with MORAVOX_FUZZ_TRACE=1 to list every event the plug-in hands over) to replay it.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-25}
jobs=${FUZZ_JOBS:-2}
build=build/fuzz
build_only=0
usage() {
    echo "usage: bash fuzz/run.sh [--build-only | --long SECONDS] [target...]" >&2
    exit 2
}
while [ $# -gt 0 ]; do
    case "$1" in
    --build-only) build_only=1; shift ;;
    --long)
        if [ $# -lt 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then usage; fi
        seconds=$2
        shift 2
        ;;
    -*) usage ;;
    *) break ;;
    esac
done
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
    targets=(chunk_fuzzer stream_fuzzer host_fuzzer lv2_fuzzer smf_fuzzer preset_fuzzer)
fi

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
if [ "$build_only" = 1 ]; then exit 0; fi

work=$(mktemp -d /tmp/moravox-fuzz.XXXXXX)
if [ "${FUZZ_KEEP:-0}" != "1" ]; then trap 'rm -rf "$work"' EXIT; fi
mkdir -p "$build/artifacts"

# Longest input per target: a whole bank chunk plus some calls for the chunk
# target, a bank file (7200 bytes) and then some for the preset target.
max_len() {
    case "$1" in
    chunk_fuzzer) echo 16384 ;;
    preset_fuzzer) echo 8192 ;;
    *) echo 4096 ;;
    esac
}

run_one() { # target
    local target=$1
    mkdir -p "$work/$target"
    cp fuzz/corpus/"$target"/* "$work/$target"/
    # Standard error is closed for the target (the plug-in's chunk messages would
    # flood the log); libFuzzer and the sanitizers keep reporting on their own copy.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$(max_len "$target")" -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work/$target" >"$work/$target.log" 2>&1
}

report() { # target status
    local target=$1 status=$2 log="$work/$1.log" summary
    summary=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    if [ "$status" -eq 0 ]; then
        echo "$target: ok,${summary#*DONE}"
    else
        failed+=("$target")
        echo "$target: FAILED (exit $status)"
        grep -E 'moravox fuzz|ERROR|SUMMARY|runtime error|Test unit written' "$log" |
            head -20 || true
        echo "--- last lines of the log ---"
        tail -40 "$log"
    fi
}

# In batches of $jobs targets side by side.
failed=()
for ((first = 0; first < ${#targets[@]}; first += jobs)); do
    batch=("${targets[@]:first:jobs}")
    pids=()
    for target in "${batch[@]}"; do
        echo "=== fuzz $target (${seconds}s) ==="
        run_one "$target" &
        pids+=($!)
    done
    for i in "${!batch[@]}"; do
        status=0
        wait "${pids[$i]}" || status=$?
        report "${batch[$i]}" "$status"
    done
done

if [ "${FUZZ_KEEP:-0}" = "1" ]; then echo "corpora and logs kept in $work"; fi
if [ "${#failed[@]}" -gt 0 ]; then
    echo "fuzz: FAILED: ${failed[*]}"
    exit 1
fi
echo "fuzz: all targets ran clean"
