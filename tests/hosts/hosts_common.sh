# Sourced by the real-host scenarios. Each runs as
#   <scenario>.sh <ostrel> <artefacts> <statistics fixture> [options]
# and re-runs itself as PID 1 of private PID and mount namespaces, so every
# process a desktop leaves behind dies with it, even after a time-out kill.
# A host that is missing or does not start fails the test: nothing skips.

# HOSTS_TRACE=1 traces every command, with times.
[ -z "${HOSTS_TRACE:-}" ] || { PS4='+ $(date +%T.%N | cut -c1-12) ' && set -x; }

screen_w=1280
screen_h=800

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "$(date +%T) $*"
}

# problem <text>: a check that failed; the scenario goes on (to keep its
# screenshots) and `finish` fails it.
problems=""
problem() {
    echo "PROBLEM: $*" >&2
    problems="$problems
  - $*"
}

finish() {
    [ -z "$problems" ] || fail "$1:$problems"
    echo "PASS: $1"
    exit 0
}

# poll <tenths of a second> <command...>: until the command succeeds, for at
# most that long by the clock (on a loaded machine a try can take seconds).
poll() {
    deadline=$(($(date +%s%N) / 100000000 + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $(($(date +%s%N) / 100000000)) -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

require() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "no $tool: scripts/install-deps.sh installs the desktop hosts"
    done
}

# isolate "$@": outside, re-runs the calling script inside fresh PID, mount
# and network namespaces with /proc of its own (--kill-child takes them all
# down if the test runner kills us); inside, returns. The network namespace
# has only a loopback device, and keeps X servers' abstract sockets private:
# without it a client can reach another test's X server on the same display
# number.
isolate() {
    [ "${OSTREL_HOST_INSIDE:-}" = 1 ] && return 0
    require unshare
    [ -x "$1" ] || fail "no application binary at $1"
    mkdir -p "$2"
    rm -f "$2"/*.png "$2"/*.log "$2"/*.txt
    OSTREL_HOST_INSIDE=1 exec unshare --fork --pid --mount-proc --net --kill-child=KILL -- sh "$0" "$@"
}

# A scratch folder: runtime directory (mode 700) and a home holding only the
# statistics fixture. `owner` (a uid) gets it all when the host runs unprivileged.
make_scratch() {
    work=$(mktemp -d /tmp/ostrel-host.XXXXXX)
    chmod 755 "$work"
    mkdir -m 700 "$work/runtime"
    mkdir -p "$work/home/.claude" "$work/config" "$work/shots"
    cp "$1" "$work/home/.claude/stats-cache.json"
    # PID 1 of the namespace: end everything else in it before cleaning up,
    # gently first, so X servers remove their lock and socket files.
    trap 'kill -TERM -1 2>/dev/null || true; sleep 1; kill -KILL -1 2>/dev/null || true; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
}

# ---- X11 -------------------------------------------------------------------

start_xvfb() {
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -nolisten tcp 3>"$work/display" 2>"$out/xvfb.log" &
    poll 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
}

x_shot() {
    import -window root "$1"
}

# x_click <x> <y> [button]: held for a tenth of a second, as a finger does
# (a press and release sent back to back hide faults that a real click shows).
x_click() {
    xdotool mousemove "$1" "$2" sleep 0.2 mousedown "${3:-1}" sleep 0.12 mouseup "${3:-1}"
}

# x_find_panel: `panel`, our visible 340-pixel-wide window, if there is one.
x_find_panel() {
    for panel in $(xdotool search --onlyvisible --classname '^ostrel$' 2>/dev/null); do
        xwininfo -id "$panel" | grep -q '^ *Width: 340$' && return 0
    done
    return 1
}

x_panel_gone() {
    ! xwininfo -id "$panel" 2>/dev/null | grep -q IsViewable
}

# x_closed_for_good: the panel went and did not come back at once (hosts
# that send Activate on release would reopen it right after the press shut it).
x_closed_for_good() {
    poll 50 x_panel_gone || return 1
    ! poll 20 x_find_panel
}

# x_panel_geometry: X Y WIDTH HEIGHT of `panel`, plus `framed` (not
# override-redirect: a window the window manager decorates and lists).
x_panel_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$panel")"
    framed=yes
    xwininfo -id "$panel" | grep -q 'Override Redirect State: yes' && framed=no
    return 0
}

# x_workarea: `wa_x wa_y wa_w wa_h`, the screen less the bars' struts.
x_workarea() {
    set -- $(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,/ /g')
    [ "$#" -ge 4 ] || return 1
    wa_x=$1 wa_y=$2 wa_w=$3 wa_h=$4
}

# ---- D-Bus -----------------------------------------------------------------

watcher_property() {
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}

host_registered() {
    watcher_property IsStatusNotifierHostRegistered | grep -q true
}

# item_registered: `item`, the bus name of the item the watcher lists (by
# its name, or by its connection when it registered its object path).
item_registered() {
    item=$(watcher_property RegisteredStatusNotifierItems |
        grep -o "org.kde.StatusNotifierItem-[0-9]*-[0-9]*\|:[0-9]*\.[0-9]*[@]*/StatusNotifierItem" | head -n 1)
    item=${item%%/*}
    item=${item%@}
    [ -n "$item" ]
}

item_property() {
    gdbus call --session -d "$item" -o /StatusNotifierItem \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"
}

# quit_by_menu: the item menu's Quit, as a host sends it; the app must end.
quit_by_menu() {
    layout=$(gdbus call --session -d "$item" -o /MenuBar -m com.canonical.dbusmenu.GetLayout 0 1 '[]')
    quit_id=$(printf '%s' "$layout" | grep -o "([0-9]*, {[^}]*'label': <'Quit'>" | grep -o '^([0-9]*' | tr -d '(')
    [ -n "$quit_id" ] || fail "no Quit in the item's menu: $layout"
    gdbus call --session -d "$item" -o /MenuBar -m com.canonical.dbusmenu.Event "$quit_id" clicked '<0>' 0 >/dev/null
    poll 100 sh -c "! kill -0 $app_pid" || fail "Quit from the item's menu did not end the application"
    wait "$app_pid" || fail "the application exited with status $? after Quit"
}

# ---- images ----------------------------------------------------------------

# diff_box <before> <after> [crop WxH+X+Y]: "W H X Y" of the box around every
# pixel that changed (within the crop, in whole-image coordinates); fails if
# nothing did.
diff_box() {
    crop=${3:-${screen_w}x${screen_h}+0+0}
    box=$(convert "$1" "$2" -crop "$crop" +repage -compose difference -composite -colorspace gray \
        -threshold 8% -format '%@' info: 2>/dev/null)
    set -- $(printf '%s' "$box" | tr 'x+' '  ') $(printf '%s' "$crop" | tr 'x+' '  ')
    [ "$#" = 8 ] && [ "$1" -gt 0 ] && [ "$1" -lt "$5" ] || return 1
    echo "$1 $2 $(($3 + $7)) $(($4 + $8))"
}

# diff_blobs <before> <after> <crop WxH+X+Y>: "W H X Y" of each separate
# region that changed (parts two pixels apart joined), left to right.
diff_blobs() {
    set -- "$1" "$2" $(printf '%s' "$3" | tr 'x+' '  ')
    convert "$1" "$2" -crop "$3x$4+$5+$6" +repage -compose difference -composite -colorspace gray \
        -threshold 8% -morphology Dilate Square:1 -define connected-components:verbose=true \
        -connected-components 8 null: 2>/dev/null |
        awk -v ox="$5" -v oy="$6" '$NF == "srgb(255,255,255)" || $NF == "gray(255)" {
            split($2, g, /[x+]/); print g[1] - 2, g[2] - 2, g[3] + 1 + ox, g[4] + 1 + oy }' | sort -n -k3
}

# colours <image> [crop]: how many colours a region holds.
colours() {
    convert "$1" ${2:+-crop "$2" +repage} -format %k info:
}

# check_contrast <screenshot> <W> <H> <X> <Y>: the item's glyph must stand
# out from the bar (WCAG's 3:1 for graphics), whatever colours the bar has.
check_contrast() {
    set -- $(python3 "$(dirname "$0")/contrast.py" "$@") || { problem "cannot measure the item's contrast"; return 0; }
    note "item contrast $1:1 (bar $2, glyph $3)"
    awk -v r="$1" 'BEGIN { exit !(r >= 3) }' || problem "the item's glyph ($3) barely stands out from the bar ($2): contrast $1:1, under 3:1"
}

# thumb <screenshot> <crop> <png>: a small PNG of a region, for the docs.
thumb() {
    convert "$1" -crop "$2" +repage -strip -define png:compression-level=9 "$3"
}

# ---- the panel's checks ----------------------------------------------------

# check_panel <edge top|bottom> <bar-extent> <item-centre-x> X Y W H [framed]:
# the panel is frameless, fully on screen, off the bar on its inner side and
# next to the item. Each broken rule is a problem.
check_panel() {
    edge=$1 bar=$2 item_x=$3 px=$4 py=$5 pw=$6 ph=$7 framed_=${8:-no}
    broken=""
    [ "$pw" = 340 ] || broken="$broken; width $pw, not 340"
    [ "$framed_" = no ] || broken="$broken; an ordinary framed top-level window, not a drop-down"
    [ "$px" -ge 0 ] && [ "$py" -ge 0 ] && [ $((px + pw)) -le $screen_w ] && [ $((py + ph)) -le $screen_h ] ||
        broken="$broken; not fully on the ${screen_w}x$screen_h screen"
    if [ "$edge" = top ]; then
        [ "$py" -ge "$bar" ] || broken="$broken; its top ($py) covers the bar (0..$bar)"
        [ "$py" -le $((bar + 48)) ] || broken="$broken; it opens at y=$py, not right below the bar ($bar)"
    else
        [ $((py + ph)) -le "$bar" ] || broken="$broken; its bottom ($((py + ph))) covers the bar (from $bar)"
        [ $((py + ph)) -ge $((bar - 48)) ] || broken="$broken; its bottom ($((py + ph))) is far above the bar ($bar)"
    fi
    [ "$item_x" -ge $((px - 8)) ] && [ "$item_x" -le $((px + pw + 8)) ] ||
        broken="$broken; it spans x=$px..$((px + pw)), away from the item at x=$item_x"
    note "panel ${pw}x$ph at $px,$py (bar at the $edge, edge $bar; item x=$item_x)"
    [ -z "$broken" ] || problem "${context:+$context: }the panel${broken}"
}
