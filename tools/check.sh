#!/usr/bin/env bash
# Builds everything and runs every test: once plainly, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a bounded time, as many targets at once as the
# machine has cores.
#
# The whole run keeps within KV_CHECK_SECONDS (default 3600, the CI's limit): each fuzz target gets
# KV_FUZZ_SECONDS (default 20), or less when the time left after the builds and tests, shared among the
# targets and the cores, does not hold that much (never under KV_FUZZ_MIN_SECONDS, default 2, so that
# every target still runs its seeds and some fresh inputs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS
jobs=$(nproc)
check_seconds=${KV_CHECK_SECONDS:-3600}
fuzz_max_seconds=${KV_FUZZ_SECONDS:-20}
fuzz_min_seconds=${KV_FUZZ_MIN_SECONDS:-2}
# Kept back from the fuzzing for each round's start-up and the summary.
fuzz_margin_seconds=120
summary=()
passed=0
failed=0

run_ctest() {
    local dir=$1 label=$2 log
    log=$(mktemp)
    set +e
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    set -e
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
    rm -f "$log"
    if [ -n "$line" ]; then
        local total bad
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*tests passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    summary+=("$label: ${line:-no result}")
    return "$status"
}

echo "== build and test"
cmake -S . -B build -G Ninja -DKV_WERROR=ON
cmake --build build -j "$jobs"
run_ctest build "tests"

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-san -G Ninja -DKV_WERROR=ON -DKV_SANITIZE=ON -DKV_BENCH=OFF
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build-san "sanitized tests"

echo "== build the fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKV_FUZZ=ON
cmake --build build-fuzz -j "$jobs"
# The targets run side by side, one a core; a machine with fewer cores gives each target less time
# when the whole run would otherwise pass its limit.
fuzz_one() {
    local target=$1 name corpus
    name=$(basename "$target")
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    local seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    if "$target" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" \
        >"build-fuzz/$name.log" 2>&1; then
        echo clean >"build-fuzz/$name.result"
    else
        echo failed >"build-fuzz/$name.result"
    fi
}
targets=()
for target in build-fuzz/*_fuzz; do
    [ -x "$target" ] && targets+=("$target")
done
# The targets run in rounds of one a core: ceil(targets / jobs) rounds share the time left.
rounds=$(( (${#targets[@]} + jobs - 1) / jobs ))
[ "$rounds" -gt 0 ] || rounds=1
left=$(( check_seconds - (SECONDS - started) - fuzz_margin_seconds ))
fuzz_seconds=$(( left / rounds ))
[ "$fuzz_seconds" -le "$fuzz_max_seconds" ] || fuzz_seconds=$fuzz_max_seconds
[ "$fuzz_seconds" -ge "$fuzz_min_seconds" ] || fuzz_seconds=$fuzz_min_seconds
echo "== fuzz targets, ${fuzz_seconds}s each (${#targets[@]} targets, $jobs at once, $((SECONDS - started))s spent)"
running=0
for target in "${targets[@]}"; do
    rm -f "build-fuzz/$(basename "$target").result"
    echo "-- $(basename "$target")"
    fuzz_one "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait || true
for target in "${targets[@]}"; do
    name=$(basename "$target")
    if [ "$(cat "build-fuzz/$name.result" 2>/dev/null)" = clean ]; then
        passed=$((passed + 1))
        summary+=("fuzz $name: clean")
    else
        echo "-- $name failed:"
        tail -n 60 "build-fuzz/$name.log"
        failed=$((failed + 1))
        summary+=("fuzz $name: FAILED (see build-fuzz/$name.log)")
    fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "fuzzing: ${fuzz_seconds}s a target; whole run: $((SECONDS - started))s of ${check_seconds}s"
echo "checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
