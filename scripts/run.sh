#!/usr/bin/env bash
# Installs what building and running need (not the test tools), builds a
# release and starts Ostrel in the desktop's status area. Extra arguments go
# to the application: Qt's own, such as -platform xcb, or --status-line=FORMAT.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run build

cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build/app --parallel "$(nproc 2>/dev/null || echo 2)" --target ostrel

exec build/app/src/app/ostrel "$@"
