#!/bin/sh
# Counts how often GNOME Shell's AppIndicator extension keeps our item: in
# <cold> fresh GNOME sessions (the application started right after the
# shell), and over <relaunches> quits and restarts of the application inside
# one more session. An item counts as shown when the extension's actor is
# there three seconds after the start and still five seconds after it.
# Nothing is retried: each drop is counted, with the shell's log line.
#   gnome_item_count.sh <ostrel> <artefacts> <statistics fixture> <cold> <relaunches>
# Prints figures; it is a measurement, not a test.
set -eu
. "$(dirname "$0")/hosts_common.sh"
. "$(dirname "$0")/gnome_common.sh"
app=$1
out=$2
gnome_require
if [ "${6:-}" = --session ]; then
    # One session, inside its namespaces: $4 application starts in it.
    make_scratch "$3"
    export work HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1
    unset DISPLAY WAYLAND_DISPLAY
    gnome_system_bus
    dbus-run-session -- sh "$0" "$1" "$2" "$3" "$4" "$5" --bus 2>>"$out/session-bus.log"
    exit
fi
if [ "${6:-}" = --bus ]; then
    gnome_settings
    gnome_start "$out/shell.log"
    export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=ostrel-wl XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    n=0
    while [ "$n" -lt "$4" ]; do
        n=$((n + 1))
        dropped_before=$(grep -c 'initalizing proxy' "$out/shell.log" || true)
        "$app" >>"$out/ostrel.log" 2>&1 &
        app_pid=$!
        t0=$(date +%s%N)
        at3=no at5=no
        until_ms() { while [ $((($(date +%s%N) - t0) / 1000000)) -lt "$1" ]; do sleep 0.1; done; }
        until_ms 3000
        indicator && at3=yes
        until_ms 5000
        indicator && at5=yes
        drops=$(($(grep -c 'initalizing proxy' "$out/shell.log" || true) - dropped_before))
        result=dropped
        [ "$at3$at5" = yesyes ] && result=shown
        echo "start $n: $result (at 3 s: $at3, at 5 s: $at5, shell log drops: $drops)"
        item_registered || { echo "start $n: the item is not registered with the watcher"; }
        if item_registered && quit_by_menu 2>/dev/null; then :; else kill "$app_pid"; wait "$app_pid" || true; fi
        gone() { ! indicator && ! item_registered; }
        poll 100 gone || echo "start $n: the item outlived the application"
    done
    grep 'initalizing proxy' "$out/shell.log" | sed 's/^/shell: /' | head -n 3
    exit 0
fi

mkdir -p "$out"
: >"$out/counts.txt"
cold=$4
relaunches=$5
shown=0
i=0
while [ "$i" -lt "$cold" ]; do
    i=$((i + 1))
    mkdir -p "$out/cold-$i"
    line=$(OSTREL_HOST_INSIDE=1 unshare --fork --pid --mount-proc --net --kill-child=KILL -- \
        sh "$0" "$app" "$out/cold-$i" "$3" 1 0 --session | grep '^start 1:' | head -n 1) || true
    echo "cold $i: ${line#start 1: }" | tee -a "$out/counts.txt"
    case $line in *": shown"*) shown=$((shown + 1)) ;; esac
done
[ "$cold" = 0 ] || echo "cold starts: $shown of $cold showed the item" | tee -a "$out/counts.txt"
if [ "$relaunches" -gt 0 ]; then
    mkdir -p "$out/relaunch"
    OSTREL_HOST_INSIDE=1 unshare --fork --pid --mount-proc --net --kill-child=KILL -- \
        sh "$0" "$app" "$out/relaunch" "$3" "$relaunches" 0 --session | tee "$out/relaunch/runs.txt"
    kept=$(grep -c '^start [0-9]*: shown' "$out/relaunch/runs.txt" || true)
    echo "relaunches: $kept of $relaunches showed the item" | tee -a "$out/counts.txt"
fi
grep -h '^shell:' "$out"/*/runs.txt "$out"/cold-*/shell.log 2>/dev/null | head -n 1
