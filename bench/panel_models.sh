#!/usr/bin/env bash
# What the panel costs as the statistics file names more models. For files
# with 5, 500 and 50,000 models the real application runs under Xvfb
# (1400 × 1200 at QT_SCALE_FACTOR=2, trayer as the status area, no usage
# credentials, so nothing leaves the machine); its icon is clicked and it
# prints for each:
#   open ms     click to the panel's window mapped (the file is first read on
#               that click, so this includes decoding, sorting and layout)
#   drawn ms    click to a screenshot showing the drawn panel (an upper
#               bound: a screenshot alone takes some 100 ms)
#   rss MiB     resident memory with the panel open, then after wheeling its
#               middle to the end, and the peak (VmHWM)
#   wheel cpu   the application's CPU time for 60 wheel notches, drawing included
#   idle cpu    its CPU time in 10 s with the panel open and left alone
#
#   bench/panel_models.sh [build dir]     # default build/release
#
# Needs xvfb, dbus, trayer, xdotool and imagemagick (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--inside" ]; then
    build=${1:-build/release}
    for tool in Xvfb xvfb-run dbus-run-session trayer xdotool import; do
        command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
    done
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target ostrel >/dev/null
    exec xvfb-run -a -s "-screen 0 1400x1200x24 -nolisten tcp" dbus-run-session -- "$0" --inside "$build"
fi
app=$(realpath "$2/src/app/ostrel")

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 NO_AT_BRIDGE=1 XDG_RUNTIME_DIR="$work/runtime"
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
mkdir -m 700 "$work/runtime"

trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0xdddddd >"$work/trayer.log" 2>&1 &
pids+=($!)
sleep 1

# stats <models>: a statistics file naming that many models, heaviest last.
stats() {
    awk -v n="$1" 'BEGIN {
        printf "{\"version\":2,\"lastComputedDate\":\"2026-05-28\",\"dailyActivity\":[{\"date\":\"2026-05-28\",";
        printf "\"messageCount\":9631,\"sessionCount\":40,\"toolCallCount\":2786}],\"dailyModelTokens\":[],";
        printf "\"totalSessions\":8842,\"totalMessages\":120035,\"firstSessionDate\":\"2026-04-28T23:19:27.629Z\",";
        printf "\"modelUsage\":{";
        for (i = 0; i < n; i++)
            printf "%s\"claude-model-%06d\":{\"inputTokens\":%d,\"outputTokens\":%d,"        \
                   "\"cacheReadInputTokens\":%d,\"cacheCreationInputTokens\":0}",
                (i ? "," : ""), i, i * 1000 + 17, i * 37, i * 5000;
        printf "}}";
    }'
}

ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
mib() { awk -v k="$(awk -v f="$2" '$1 == f":" { print $2 }' "/proc/$1/status")" 'BEGIN { printf "%.0f", k / 1024 }'; }
cpu_ns() { awk '{ print $1 }' "/proc/$1/schedstat"; }
cpu_ms() { echo $(( ($(cpu_ns "$1") - $2) / 1000000 )); }

panel=""
panel_shown() {
    for panel in $(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$panel")"
        [ "$WIDTH" = 680 ] && return 0
    done
    return 1
}
# The panel's picture once two in a row agree.
settled() {
    import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$work/a.png"
    until import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$work/b.png" \
        && cmp -s "$work/a.png" "$work/b.png"; do
        mv "$work/b.png" "$work/a.png"
    done
}
drawn() {
    import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$work/a.png"
    [ "$(convert "$work/a.png" -format %k info:)" -ge 16 ]
}

printf '%8s %8s %9s %8s %8s %8s %10s %9s\n' \
    models "open ms" "drawn ms" "rss MiB" "at end" "peak" "wheel cpu" "idle cpu"
for models in 5 500 50000; do
    home="$work/home-$models"
    mkdir -p "$home/.claude"
    stats "$models" >"$home/.claude/stats-cache.json"
    HOME="$home" "$app" >"$work/app-$models.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    until [ "$(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null | wc -l)" -ge 1 ]; do sleep 0.1; done
    sleep 1 # the icon is drawn and docked

    start=$(date +%s%N)
    xdotool mousemove 1388 12 click 1
    until panel_shown; do :; done
    open=$(ms "$start")
    until drawn; do :; done
    drawn=$(ms "$start")
    settled
    rss=$(mib "$pid" VmRSS)

    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 3 / 4))
    before=$(cpu_ns "$pid")
    xdotool click --repeat 60 --delay 5 5
    settled
    wheel=$(cpu_ms "$pid" "$before")
    rss_end=$(mib "$pid" VmRSS)

    before=$(cpu_ns "$pid")
    sleep 10
    idle=$(cpu_ms "$pid" "$before")
    peak=$(mib "$pid" VmHWM)
    printf '%8s %8s %9s %8s %8s %8s %7s ms %6s ms\n' \
        "$models" "$open" "$drawn" "$rss" "$rss_end" "$peak" "$wheel" "$idle"

    xdotool key Escape
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
