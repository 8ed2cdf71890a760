#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test on both architectures,
# plain and under the sanitizers (ASan+UBSan on both, TSan on x86_64), with a
# private Xvfb as the display. MORAVOX_QUICK=1 skips the sanitizer builds.
#
# Each configuration's tests run while the next configuration builds: they spend
# most of their time waiting on X, JACK and timers, and the builds keep both cores
# busy. One test run at a time, so each has the machine's one JACK registry to itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

start=$SECONDS
failed=()
logs=$(mktemp -d /tmp/moravox-test.XXXXXX)
trap 'rm -rf "$logs"' EXIT
pending_name=
pending_pid=

phase() { echo "=== $1 (at $((SECONDS - start)) s) ==="; }

build() { # name preset [cmake options...]
    local name=$1 preset=$2
    shift 2
    phase "build $name"
    if [ "$name" = "$preset" ]; then
        cmake --preset "$preset" "$@" >/dev/null
    else
        cmake --preset "$preset" -B "build/$name" "$@" >/dev/null
    fi
    cmake --build "build/$name" -j"$(nproc)"
}

# The tests of one build, then (for plain builds) the validation suite against its plug-in,
# as a host would meet it, editor included. Failures are written to the log's .failed file.
tests_of() { # name validate(0/1)
    local name=$1 validate=$2
    # What ThreadSanitizer must not count against us (see the file).
    if [[ $name == tsan-* ]]; then export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp"; fi
    if ! bash scripts/with-xvfb.sh bash scripts/with-jackd.sh ctest --test-dir "build/$name" \
        --output-on-failure -j2 --timeout 300; then
        # Name the failed tests, so the summary at the end says what broke.
        local list="build/$name/Testing/Temporary/LastTestsFailed.log"
        echo "$name ($(sed 's/^[0-9]*://' "$list" 2>/dev/null | paste -sd' ' -))" >>"$logs/$name.failed"
    fi
    if [ "$validate" = 1 ]; then
        echo "--- validate $name ---"
        if ! bash scripts/with-xvfb.sh "build/$name/moravox-host" validate \
            "build/$name/moravox.so" --strictness 5 --seed 1; then
            echo "validate-$name" >>"$logs/$name.failed"
        fi
    fi
}

finish_tests() {
    [ -n "$pending_pid" ] || return 0
    wait "$pending_pid" || true
    phase "tests of $pending_name"
    cat "$logs/$pending_name.log"
    if [ -f "$logs/$pending_name.failed" ]; then
        mapfile -t -O "${#failed[@]}" failed <"$logs/$pending_name.failed"
    fi
    pending_pid=
}

start_tests() { # name validate(0/1)
    finish_tests
    pending_name=$1
    tests_of "$1" "$2" >"$logs/$1.log" 2>&1 &
    pending_pid=$!
}

build x86_64 x86_64
start_tests x86_64 1
build i386 i386
start_tests i386 1

if [ "${MORAVOX_QUICK:-0}" != "1" ]; then
    build asan-x86_64 x86_64 -DMORAVOX_SANITIZE=address -DMORAVOX_BENCH=OFF
    start_tests asan-x86_64 0
    build asan-i386 i386 -DMORAVOX_SANITIZE=address -DMORAVOX_BENCH=OFF
    start_tests asan-i386 0
    build tsan-x86_64 x86_64 -DMORAVOX_SANITIZE=thread -DMORAVOX_BENCH=OFF
    start_tests tsan-x86_64 0
fi

# The fuzz targets build beside the last test run, and run after it.
phase "fuzz build"
bash fuzz/run.sh --build-only
finish_tests

# Memcheck of the suite without the editor, and without a display so nothing waits on X: among
# its checks 50 whole load-open-process-close-unload cycles, counting threads and descriptors.
phase "valgrind validate"
if ! env -u DISPLAY valgrind -q --error-exitcode=3 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect build/x86_64/moravox-host validate build/x86_64/moravox.so \
    --no-gui --strictness 3 --seed 1; then
    failed+=("valgrind")
fi

phase "fuzz"
if ! bash fuzz/run.sh; then
    failed+=("fuzz")
fi

phase "end"
if [ "${#failed[@]}" -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All test configurations passed."
