#!/usr/bin/env bash
# Installs every Debian 12 package Ostrel needs to build, run and test.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    libicu-dev
    # fonts, so offscreen and Xvfb rendering have glyphs to draw
    fonts-dejavu-core fontconfig
    # tests: certificates for the local HTTPS server, a German libc locale
    openssl locales
    # status-area tests: a private session bus per test (dbus-run-session),
    # gdbus, and the real StatusNotifierWatcher
    dbus dbus-daemon libglib2.0-bin haskell-status-notifier-item-utils
    # benchmarks
    libbenchmark-dev
    # fuzzing: clang's libFuzzer and sanitizer runtimes
    clang-14 libclang-rt-14-dev
)

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
