#!/usr/bin/env bash
# Installs every Debian 12 package Ostrel needs to build, run and test.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    # the panel and status item draw with Qt Widgets (in qt6-base-dev); the
    # X11 platform plugin and its runtime pieces
    libqt6widgets6 libqt6gui6 libxkbcommon-x11-0 libxcb-cursor0
    libicu-dev
    # fonts, so offscreen and Xvfb rendering have glyphs to draw
    fonts-dejavu-core fontconfig
    # desktops' fonts (KDE's Noto Sans, GNOME's Cantarell through Qt's GTK theme) for the layout-fit test and pictures
    fonts-noto-core fonts-cantarell qt6-gtk-platformtheme
    # tests: certificates for the local HTTPS server, a German libc locale
    openssl locales
    # end-to-end tests: a virtual X server, trays (XEmbed and StatusNotifierItem),
    # X tools and screenshots; a private session bus per test (dbus-run-session),
    # gdbus, the real StatusNotifierWatcher and an SNI host (gtk-sni-tray)
    xvfb xauth x11-utils xdotool imagemagick trayer
    dbus dbus-daemon libglib2.0-bin haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils
    # the application icon test renders the scalable icon
    qt6-svg-dev
    # packaging: cpack -G DEB computes the dependencies with dpkg-shlibdeps
    # (dpkg-dev), which needs file; the package test validates the desktop
    # entries and the AppStream metainfo
    dpkg-dev file desktop-file-utils appstream
    # the no-files check: system-call tracing in a network namespace of its own
    strace util-linux
    # benchmarks (the footprint benchmark counts instructions with callgrind)
    libbenchmark-dev valgrind
    # fuzzing: clang's libFuzzer and sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # the usage client: libcurl (OpenSSL flavour, HTTP/2 through nghttp2);
    # its tests serve HTTP/2 with nghttp2's library and nghttpd
    libcurl4-openssl-dev libnghttp2-dev nghttp2-server
)

# ---- Desktop hosts for the end-to-end tests in tests/hosts -----------------
# Real panels, each run headless by its test: xfce4-panel with xfwm4 (X11);
# KDE Plasma (kwin_x11, plasmashell and the default desktop layout, about
# 1.1 GB, the largest part); sway with waybar, grim for screenshots and
# Xwayland (Wayland); GNOME Shell with the AppIndicator extension. The Qt
# Wayland platform plugin lets the application run natively on the Wayland
# hosts; python3 drives the virtual pointer on sway and reads the hosts'
# JSON. Installing them all took about 7 minutes and 1.7 GB here, nearly all
# of it Plasma (xfce 10 s / 20 MB, sway 17 s / 58 MB, GNOME 50 s / 463 MB,
# Plasma 5.5 min / 1.1 GB).
packages+=(
    xfce4-panel xfwm4
    plasma-workspace kwin-x11 plasma-desktop
    sway waybar grim xwayland
    gnome-shell gnome-shell-extension-appindicator
    qt6-wayland python3
)

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
