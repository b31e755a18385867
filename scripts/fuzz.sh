#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each for a bounded time. The build is
# the core alone (no Gui), with its tests built too: it also proves that
# configuration compiles.
#
#   scripts/fuzz.sh            # 30 seconds per target (what the test suite runs)
#   scripts/fuzz.sh 3600       # an hour per target
#
# New inputs go to build/fuzz/corpus/<target>; the seed corpus in the repo is
# only read. A crash leaves its input in build/fuzz/artifacts/ and fails the run:
# turn it into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build/fuzz

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_SANITIZE=ON -DOSTREL_BUILD_FUZZERS=ON -DOSTREL_BUILD_TESTS=ON -DOSTREL_BUILD_BENCH=OFF \
    -DOSTREL_BUILD_APP=OFF -DOSTREL_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)"

mkdir -p "$build/artifacts"
for fuzzer in "$build"/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    target=${fuzzer##*/fuzz_}
    mkdir -p "$build/corpus/$target"
    log="$build/fuzz-$target.log"
    echo "== fuzzing $target for ${seconds}s"
    status=0
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzzer $target failed (exit $status); inputs in $build/artifacts/" >&2
        exit 1
    fi
done
