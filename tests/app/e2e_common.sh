# Shared by the end-to-end scripts; sourced, not run. The sourcing script
# sets `tools` (the host's programs) and passes its own arguments:
#
#   <host-first|host-second> <app> <second-launch binary> <artefact dir> <statistics fixture>
#
# On first entry this checks the tools (exit 77, skipped, when one is
# missing) and runs the script again inside a virtual X server on a private
# session bus. The server picks a free display number itself and reports it
# (-displayfd), so parallel runs cannot collide the way xvfb-run -a can.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ "${1:-}" = "--inside" ]; then
    shift
else
    for tool in Xvfb dbus-run-session xdotool xwininfo import convert compare gdbus $tools; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
            exit 77
        fi
    done
    mkdir -p "$4"
    rm -f "$4"/*.png "$4"/*.log
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" 2>"$4/xvfb.log" &
    xvfb=$!
    i=0
    while [ ! -s "$display_file" ] && [ $i -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    display=$(cat "$display_file")
    rm -f "$display_file"
    if [ -z "$display" ]; then
        kill "$xvfb" 2>/dev/null
        fail "Xvfb did not start: $(cat "$4/xvfb.log")"
    fi
    status=0
    DISPLAY=":$display" dbus-run-session -- sh "$0" --inside "$@" || status=$?
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null || true
    exit $status
fi

order=$1
app=$2
second=$3
out=$4
fixture=$5
case $order in
host-first | host-second) ;;
*) fail "order must be host-first or host-second, not $order" ;;
esac

# No accessibility bus: GTK hosts would start one (and its daemon) otherwise.
export NO_AT_BRIDGE=1
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A home with statistics and no credentials: nothing reaches the network.
mkdir -p "$work/home/.claude"
cp "$fixture" "$work/home/.claude/stats-cache.json"
mkdir -m 700 "$work/runtime"

# poll <tenths of a second> <command...>
poll() {
    tries=$1
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# launch <program>, always in the background: it replaces the background
# shell, so $! is the program's own process id.
launch() {
    exec env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 \
        QT_LOGGING_RULES="qt.qpa.tray=true" "$@"
}

start_app() {
    launch "$app" >"$out/ostrel.log" 2>&1 &
    app_pid=$!
    pids="$pids $app_pid"
}

# Starts the host (start_host, defined by the script) and the application
# in the order asked for; the late one comes two seconds after the other.
start_both() {
    if [ "$order" = host-first ]; then
        start_host
        sleep 1
        start_app
    else
        start_app
        sleep 2
        kill -0 "$app_pid" 2>/dev/null || fail "ostrel exited early: $(cat "$out/ostrel.log")"
        start_host
    fi
}

shot() {
    import -window root "$out/$1.png"
}

# crop <shot> <name> <x> <y> <width> <height>: a region, also enlarged
# eight times for a person to look at.
crop() {
    convert "$out/$1.png" -crop "$5x$6+$3+$4" +repage "$out/$2.png"
    convert "$out/$2.png" -filter point -resize 800% "$out/$2-zoom.png"
}

# Fails unless the region holds a drawing: more than a handful of colours.
has_ink() {
    colours=$(convert "$out/$1.png" -format %k info:)
    [ "$colours" -ge 4 ] || fail "$1 is blank ($colours colours)"
}

# Fails unless two crops differ in at least `min` pixels.
differ() {
    changed=$(compare -metric AE "$out/$1.png" "$out/$2.png" null: 2>&1 || true)
    [ "${changed%% *}" -ge "$3" ] || fail "$2 does not differ from $1 ($changed pixels)"
}

# The 340-pixel-wide panel among the application's visible windows.
find_panel() {
    panel=""
    for window in $(xdotool search --onlyvisible --class '^ostrel$' 2>/dev/null || true); do
        width=$(xwininfo -id "$window" | awk '/^ *Width:/ { print $2 }')
        if [ "$width" = 340 ]; then
            panel=$window
            return 0
        fi
    done
    return 1
}

panel_viewable() {
    xwininfo -id "$panel" 2>/dev/null | grep -q 'Map State: IsViewable'
}

panel_hidden() {
    ! panel_viewable
}

# Checks the open panel: a popup below a bar `bar` pixels high, inside the
# 1280 × 800 screen.
check_panel() {
    poll 100 find_panel || fail "no 340-pixel-wide panel"
    info=$(xwininfo -id "$panel")
    echo "$info" | grep -E 'Absolute upper-left|Width|Height|Override'
    top=$(echo "$info" | awk '/Absolute upper-left Y:/ { print $4 }')
    left=$(echo "$info" | awk '/Absolute upper-left X:/ { print $4 }')
    height=$(echo "$info" | awk '/^ *Height:/ { print $2 }')
    [ "$top" -ge "$1" ] || fail "panel top $top overlaps the ${1}-pixel bar"
    [ "$left" -ge 0 ] && [ $((left + 340)) -le 1280 ] || fail "panel x $left leaves the screen"
    [ $((top + height)) -le 800 ] || fail "panel bottom $((top + height)) leaves the screen"
    echo "$info" | grep -q 'Override Redirect State: yes' || fail "panel is not a popup"
}

close_with_escape() {
    xdotool key Escape
    poll 50 panel_hidden || fail "Escape left the panel open"
}

# A second launch of the real binary asks the running one for its panel and
# leaves at once, with no icon of its own.
second_launch() {
    launch "$second" >"$out/second-launch.log" 2>&1 &
    second_pid=$!
    pids="$pids $second_pid"
    i=0
    while kill -0 "$second_pid" 2>/dev/null && [ $i -lt 200 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    kill -0 "$second_pid" 2>/dev/null && fail "the second launch is still running"
    wait "$second_pid" || fail "the second launch exited with $?: $(cat "$out/second-launch.log")"
    echo "second launch left after about $((i / 10)).$((i % 10)) s"
    # Qt may give the reopened popup a new window.
    poll 100 find_panel || fail "the second launch did not open the first one's panel"
    kill -0 "$app_pid" 2>/dev/null || fail "the first instance is gone"
}

# The names the application holds on the bus for status items.
our_items() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.ListNames \
        | tr -d "[]()'," | tr ' ' '\n' | grep '^org\.kde\.StatusNotifierItem-' || true
}

report_memory() {
    grep VmRSS "/proc/$app_pid/status" 2>/dev/null || true
}
