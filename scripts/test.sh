#!/usr/bin/env bash
# Installs dependencies, then builds and runs the whole test suite twice:
# once as released, once under AddressSanitizer and UndefinedBehaviorSanitizer.
# Then fuzzes every input decoder for a bounded time. Exits non-zero on the
# first failure.
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

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
    ctest --test-dir "$dir" --output-on-failure --parallel "$jobs"
}

echo "== release build"
run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build (ASan + UBSan)"
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON -DOSTREL_BUILD_BENCH=OFF

echo "== fuzzing (${fuzz_seconds}s per target)"
scripts/fuzz.sh "$fuzz_seconds"

echo "== all tests passed"
