#!/usr/bin/env bash
# Installs the Debian 12 packages Ostrel needs, by group:
#
#   run    what the application needs when it runs
#   build  the compiler, CMake and the Qt development files
#   test   what the tests, benchmarks, fuzzing and packaging use
#
#   scripts/install-deps.sh             # every group
#   scripts/install-deps.sh run build   # enough to build and start it (scripts/run.sh)
#
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

run=(
    # Qt; the X11 platform plugin (in libqt6gui6) and its runtime pieces
    libqt6core6 libqt6dbus6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins
    libxkbcommon-x11-0 libxcb-cursor0
    # GNOME's font and scale for Qt, where the desktop is GNOME
    qt6-gtk-platformtheme
    # the account service over HTTP/1.1 or HTTP/2, and the roots that verify it
    libcurl4 ca-certificates
    # fonts for the panel's text
    fonts-dejavu-core fontconfig
)

build=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libicu-dev libcurl4-openssl-dev
)

test=(
    # certificates for the local HTTPS server, a German libc locale
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
    # entries and the AppStream metainfo, and formats the manual page
    dpkg-dev file desktop-file-utils appstream man-db
    # the no-files check and the desktop hosts: system-call tracing, a network
    # namespace of its own (unshare) with its loopback brought up (ip)
    strace util-linux iproute2
    # benchmarks (the footprint benchmark counts instructions with callgrind)
    libbenchmark-dev valgrind
    # fuzzing: clang's libFuzzer and sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # HTTP/2 for the usage client's tests: nghttp2's library and nghttpd
    libnghttp2-dev nghttp2-server
    # desktops' fonts (KDE's Noto Sans, GNOME's Cantarell) for the layout-fit
    # test and the pictures
    fonts-noto-core fonts-cantarell
    # Real panels for the end-to-end tests in tests/hosts, each run headless:
    # xfce4-panel with xfwm4 (X11); KDE Plasma (kwin_x11, plasmashell and the
    # default desktop layout: about 1.1 GB, most of the install); sway with
    # waybar, grim for screenshots and Xwayland; GNOME Shell with the
    # AppIndicator extension. Qt's Wayland plugin runs the application
    # natively there; python3 drives sway's virtual pointer.
    xfce4-panel xfwm4
    plasma-workspace kwin-x11 plasma-desktop
    sway waybar grim xwayland
    gnome-shell gnome-shell-extension-appindicator
    qt6-wayland python3
)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run build test)
packages=()
for group in "${groups[@]}"; do
    case $group in
    run) packages+=("${run[@]}") ;;
    build) packages+=("${build[@]}") ;;
    test) packages+=("${test[@]}") ;;
    *) echo "usage: $0 [run] [build] [test]   (none: all three)" >&2; exit 2 ;;
    esac
done

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
