#!/bin/sh
# End to end under a real X server: the application docks into trayer's
# XEmbed tray, a click on its icon opens the panel, and the panel is a
# 340-pixel-wide window. Screenshots land in the artefact directory.
#
#   e2e_trayer.sh <ostrel binary> <artefact dir> <statistics fixture>
#
# Exits 77 (skipped) when the X tools are not installed.
set -eu

if [ "${1:-}" = "--inside" ]; then
    shift
    inside=1
else
    inside=0
fi

bin=$1
out=$2
fixture=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ "$inside" = 0 ]; then
    for tool in xvfb-run xauth dbus-run-session trayer xdotool xwininfo import; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
            exit 77
        fi
    done
    mkdir -p "$out"
    rm -f "$out"/*.png "$out"/*.log
    # -a picks a free display number, so parallel runs cannot collide. A
    # private session bus has no StatusNotifierWatcher: Qt takes the XEmbed path.
    exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
        dbus-run-session -- sh "$0" --inside "$bin" "$out" "$fixture"
fi

work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/home/.claude"
cp "$fixture" "$work/home/.claude/stats-cache.json"
mkdir -m 700 "$work/runtime"

trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0xdddddd >"$out/trayer.log" 2>&1 &
pids="$pids $!"
sleep 1

HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 \
    QT_LOGGING_RULES="qt.qpa.tray=true" "$bin" >"$out/ostrel.log" 2>&1 &
app=$!
pids="$pids $app"

# The icon: a visible window of ours that is not the panel.
icon=""
for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || fail "ostrel exited early: $(cat "$out/ostrel.log")"
    icon=$(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null | head -n 1 || true)
    [ -n "$icon" ] && break
    sleep 0.2
done
[ -n "$icon" ] || fail "no tray icon appeared"

eval "$(xdotool getwindowgeometry --shell "$icon")"
echo "icon window $icon at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] || fail "icon window is ${WIDTH}x$HEIGHT, not a tray icon"
import -window root "$out/before-click.png"

xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1

panel=""
for _ in $(seq 1 100); do
    for window in $(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null || true); do
        [ "$window" = "$icon" ] && continue
        width=$(xwininfo -id "$window" | awk '/^ *Width:/ { print $2 }')
        if [ "$width" = 340 ]; then
            panel=$window
            break
        fi
    done
    [ -n "$panel" ] && break
    sleep 0.2
done
import -window root "$out/panel-open.png"
[ -n "$panel" ] || fail "no 340-pixel-wide panel after the click"

info=$(xwininfo -id "$panel")
echo "$info" | grep -E 'Absolute upper-left|Width|Height|Override'
top=$(echo "$info" | awk '/Absolute upper-left Y:/ { print $4 }')
left=$(echo "$info" | awk '/Absolute upper-left X:/ { print $4 }')
height=$(echo "$info" | awk '/^ *Height:/ { print $2 }')
# Below trayer's 24-pixel bar, inside the 1280 x 800 screen.
[ "$top" -ge 24 ] || fail "panel top $top overlaps the bar"
[ "$left" -ge 0 ] && [ $((left + 340)) -le 1280 ] || fail "panel x $left leaves the screen"
[ $((top + height)) -le 800 ] || fail "panel bottom $((top + height)) leaves the screen"
echo "$info" | grep -q 'Override Redirect State: yes' || fail "panel is not a popup"

# A figure for the log: the application's memory with the panel open.
grep VmRSS "/proc/$app/status" 2>/dev/null || true

# Escape closes it.
xdotool key Escape
for _ in $(seq 1 50); do
    xwininfo -id "$panel" 2>/dev/null | grep -q 'Map State: IsViewable' || break
    sleep 0.1
done
xwininfo -id "$panel" 2>/dev/null | grep -q 'Map State: IsViewable' && fail "Escape left the panel open"

echo "PASS: icon docked, click opened a 340-px panel at $left,$top, Escape closed it"
