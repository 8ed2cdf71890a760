#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test on both architectures,
# plain, and on x86_64 under the sanitizers (ASan+UBSan, TSan), with a private Xvfb
# as the display. MORAVOX_FULL=1 adds ASan+UBSan on i386 (CI leaves it out for time).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

failed=()
run() { # name preset [cmake options...]
    local name=$1 preset=$2
    shift 2
    local dir="build/$name"
    echo "=== $name ==="
    if [ "$name" = "$preset" ]; then
        cmake --preset "$preset" "$@" >/dev/null
    else
        cmake --preset "$preset" -B "$dir" "$@" >/dev/null
    fi
    cmake --build "$dir" -j"$(nproc)"
    # A test that fails gets one more run: some JACK client start-ups on a loaded machine
    # still fail now and then (being looked into); a real fault fails both runs.
    if ! bash scripts/with-xvfb.sh bash scripts/with-jackd.sh ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300 \
        --repeat until-pass:2; then
        failed+=("$name")
    fi
}

# The validation suite against the built plug-in, as a host would meet it, editor included.
validate() { # name
    echo "=== validate $1 ==="
    if ! bash scripts/with-xvfb.sh "build/$1/moravox-host" validate "build/$1/moravox.so" \
        --strictness 5 --seed 1; then
        failed+=("validate-$1")
    fi
}

run x86_64 x86_64
validate x86_64
run i386 i386
validate i386

# Memcheck of the suite without the editor, and without a display so nothing waits on X.
echo "=== valgrind validate ==="
if ! env -u DISPLAY valgrind -q --error-exitcode=3 --leak-check=full \
    --errors-for-leak-kinds=definite build/x86_64/moravox-host validate build/x86_64/moravox.so \
    --no-gui --strictness 3 --seed 1; then
    failed+=("valgrind")
fi
if [ "${MORAVOX_QUICK:-0}" != "1" ]; then
    run asan-x86_64 x86_64 -DMORAVOX_SANITIZE=address -DMORAVOX_BENCH=OFF
    if [ "${MORAVOX_FULL:-0}" = "1" ]; then
        run asan-i386 i386 -DMORAVOX_SANITIZE=address -DMORAVOX_BENCH=OFF
    fi
    run tsan-x86_64 x86_64 -DMORAVOX_SANITIZE=thread -DMORAVOX_BENCH=OFF
fi

echo "=== fuzz ==="
if ! bash fuzz/run.sh; then
    failed+=("fuzz")
fi

if [ "${#failed[@]}" -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All test configurations passed."
