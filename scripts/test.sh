#!/usr/bin/env bash
# Installs dependencies, then builds and runs the whole test suite twice:
# once as released, once under AddressSanitizer and UndefinedBehaviorSanitizer.
# Then builds the platform files other systems use and runs their tests, and
# fuzzes every input decoder (a core-only clang build) for a bounded time.
# Warnings are errors throughout. Exits non-zero on the first failure.
#
#   scripts/test.sh                     # what CI runs
#   scripts/test.sh --fuzz-seconds 600  # longer fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=30
while [ $# -gt 0 ]; do
    case $1 in
    --fuzz-seconds) fuzz_seconds=$2; shift 2 ;;
    *) echo "usage: $0 [--fuzz-seconds N]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh run build test

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DOSTREL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
    ctest --test-dir "$dir" --output-on-failure --parallel "$jobs"
}

echo "== release build"
run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build (ASan + UBSan)"
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON -DOSTREL_BUILD_BENCH=OFF

# Qt's file watcher and Qt's tray icon alone, as macOS and Windows get them:
# only what differs is built and tested.
echo "== the other platforms' files, on Linux"
portable=(tst_statsfilewatcher tst_statsviewmodel ostrel_under_test usage_server)
cmake -S . -B build/portable -G Ninja -DOSTREL_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DOSTREL_PORTABLE_PLATFORM=ON \
    -DOSTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build/portable --parallel "$jobs" --target "${portable[@]}"
ctest --test-dir build/portable --output-on-failure --parallel "$jobs" \
    -R '^(tst_statsfilewatcher|tst_statsviewmodel|host_trayer)$'

echo "== fuzzing (${fuzz_seconds}s per target)"
scripts/fuzz.sh "$fuzz_seconds"

echo "== all tests passed"
