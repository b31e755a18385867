# Sourced by every script that runs the real application on a display:
# failing and polling, X servers, windows, the status item on D-Bus, images.
[ -z "${HOSTS_TRACE:-}" ] || { PS4='+ $(date +%T.%N | cut -c1-12) ' && set -x; }

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() { echo "$(date +%T) $*"; }

# problem <text>: a failed check; the scenario goes on (to keep its
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
}

# poll <tenths of a second> <command...>: until the command succeeds, for at
# most that long by the clock (on a loaded machine one try can take seconds).
poll() {
    deadline=$(($(date +%s%N) / 100000000 + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $(($(date +%s%N) / 100000000)) -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

require() {
    for tool; do
        command -v "$tool" >/dev/null || fail "no $tool: scripts/install-deps.sh installs it"
    done
}

# make_home [statistics file]: `work`, a scratch folder removed on exit, with
# a runtime directory and a home holding the file as Claude Code's statistics.
make_home() {
    work=$(mktemp -d)
    chmod 755 "$work"
    pids=""
    trap 'kill $pids 2>/dev/null || true; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
    mkdir -m 700 "$work/runtime"
    mkdir -p "$work/home${1:+/.claude}"
    [ -z "${1:-}" ] || cp "$1" "$work/home/.claude/stats-cache.json"
    unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME CLAUDE_CONFIG_DIR
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
}

# start_xvfb [WxH]: a fresh X server on a display it picks itself.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids="$pids $!"
    poll 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
}

# ---- X11 windows -------------------------------------------------------------

# x_find_panel [class] [width pattern]: `panel`, our visible 340-pixel-wide
# window, its geometry in px py pw ph and `framed` (no: override-redirect).
x_find_panel() {
    for panel in $(xdotool search --onlyvisible --classname "^${1:-ostrel}" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$panel")"
        case $WIDTH in ${2:-340}) ;; *) continue ;; esac
        px=$X py=$Y pw=$WIDTH ph=$HEIGHT framed=yes
        xwininfo -id "$panel" | grep -q 'Override Redirect State: yes' && framed=no
        return 0
    done
    return 1
}

# x_click <x> <y> [button]: held for a tenth of a second, as a finger does
# (a press and release sent back to back hide faults that a real click shows).
x_click() {
    xdotool mousemove "$1" "$2" sleep 0.2 mousedown "${3:-1}" sleep 0.12 mouseup "${3:-1}"
}

# x_workarea: `wa_x wa_y wa_w wa_h`, the screen less the bars' struts.
x_workarea() {
    set -- $(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,/ /g')
    [ "$#" -ge 4 ] && wa_x=$1 wa_y=$2 wa_w=$3 wa_h=$4
}

x_wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }

# ---- the status item on D-Bus ------------------------------------------------

watcher_property() {
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}

host_registered() { watcher_property IsStatusNotifierHostRegistered | grep -q true; }

# item_registered: `item`, the bus name of our item as the watcher lists it
# (by its name, or by its connection when it registered its object path).
item_registered() {
    item=$(watcher_property RegisteredStatusNotifierItems |
        grep -o "org.kde.StatusNotifierItem-[0-9]*-[0-9]*\|:[0-9]*\.[0-9]*@*/StatusNotifierItem" | head -n 1)
    item=${item%%/*}
    item=${item%@}
    [ -n "$item" ]
}

item_label() {
    gdbus call --session -d "$item" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierItem XAyatanaLabel | sed "s/^(<'//; s/'>,)\$//"
}

# quit_by_menu: the item menu's Quit, as a host sends it, must end the application.
quit_by_menu() {
    layout=$(gdbus call --session -d "$item" -o /MenuBar -m com.canonical.dbusmenu.GetLayout 0 1 '[]')
    id=$(printf '%s' "$layout" | grep -o "([0-9]*, {[^}]*'label': <'Quit'>" | grep -o '^([0-9]*' | tr -d '(')
    [ -n "$id" ] || fail "no Quit in the item's menu: $layout"
    gdbus call --session -d "$item" -o /MenuBar -m com.canonical.dbusmenu.Event "$id" clicked '<0>' 0 >/dev/null
    app_ended
}

app_ended() {
    poll 100 sh -c "! kill -0 $app_pid" || fail "Quit did not end the application"
    wait "$app_pid" || fail "the application exited with status $? after Quit"
}

# ---- images ------------------------------------------------------------------

# diff_box <before> <after> [crop WxH+X+Y]: "W H X Y" of the box around every
# pixel that changed (whole-image coordinates); fails if nothing did.
diff_box() {
    crop=${3:-$(identify -format '%wx%h+0+0' "$1")}
    set -- $(convert "$1" "$2" -crop "$crop" +repage -compose difference -composite -colorspace gray \
        -threshold 8% -format '%@' info: 2>/dev/null | tr 'x+' '  ') $(echo "$crop" | tr 'x+' '  ')
    [ "$#" = 8 ] && [ "$1" -gt 0 ] && [ "$1" -lt "$5" ] && echo "$1 $2 $(($3 + $7)) $(($4 + $8))"
}

# check_item <screenshot> <W> <H> <X> <Y>: the drawn item is more than a
# blank and its glyph stands out from the bar around it by WCAG's 3:1 for
# graphics: the bar is the commonest colour in a ring around the item, the
# glyph its pixel of the highest contrast to that.
check_item() {
    cx=$(($4 > 3 ? $4 - 3 : 0)) cy=$(($5 > 3 ? $5 - 3 : 0))
    set -- $(convert "$1" -crop "$(($2 + 6))x$(($3 + 6))+$cx+$cy" +repage -depth 8 ppm:- |
        python3 -c 'import collections, sys
iw, ih, ix, iy = map(int, sys.argv[1:])
raw = sys.stdin.buffer.read()
_, size, _, raw = raw.split(b"\n", 3)  # P6, "W H", 255, pixels (the crop stops at the screen edge)
w, h = map(int, size.split())
px = [tuple(raw[i:i + 3]) for i in range(0, 3 * w * h, 3)]
inner = {px[y * w + x] for y in range(iy, min(iy + ih, h)) for x in range(ix, min(ix + iw, w))}
bar = collections.Counter(px).most_common(1)[0][0]
lum = lambda c: sum(k * ((v / 255) / 12.92 if v <= 10 else ((v / 255 + 0.055) / 1.055) ** 2.4)
                    for k, v in zip((0.2126, 0.7152, 0.0722), c)) + 0.05
ratio = max(max(lum(p), lum(bar)) / min(lum(p), lum(bar)) for p in inner)
print("%.2f #%02x%02x%02x %d" % ((ratio,) + bar + (len(inner),)))' "$2" "$3" $(($4 - cx)) $(($5 - cy)))
    [ "$#" = 3 ] || fail "cannot measure the item's contrast"
    note "item contrast $1:1 on the bar's $2, $3 colours"
    [ "$3" -ge 8 ] || problem "the item is nearly blank"
    awk -v r="$1" 'BEGIN { exit !(r >= 3) }' || problem "the item's glyph barely stands out from the bar ($2): $1:1, under 3:1"
}

# check_panel <top|bottom> <bar's inner edge> <item centre x|any>: the panel
# (px py pw ph framed) is 340 wide, undecorated, fully on the screen, off the
# bar on its inner side and next to the item (`any`: where the compositor
# put it). Each broken rule is a problem.
check_panel() {
    broken=""
    [ "$pw" = 340 ] || broken="$broken; width $pw, not 340"
    [ "$framed" = no ] || broken="$broken; a framed window, not a drop-down"
    [ "$px" -ge 0 ] && [ "$py" -ge 0 ] && [ $((px + pw)) -le "$screen_w" ] && [ $((py + ph)) -le "$screen_h" ] ||
        broken="$broken; not fully on the ${screen_w}x$screen_h screen"
    if [ "$1" = top ]; then
        [ "$py" -ge "$2" ] || broken="$broken; its top ($py) covers the bar (to $2)"
        [ "$3" = any ] || [ "$py" -le $(($2 + 48)) ] || broken="$broken; it opens at y=$py, not right below the bar ($2)"
    else
        [ $((py + ph)) -le "$2" ] || broken="$broken; its bottom ($((py + ph))) covers the bar (from $2)"
        [ $((py + ph)) -ge $(($2 - 48)) ] || broken="$broken; its bottom ($((py + ph))) is far above the bar ($2)"
    fi
    [ "$3" = any ] || { [ "$3" -ge $((px - 8)) ] && [ "$3" -le $((px + pw + 8)) ]; } ||
        broken="$broken; it spans x=$px..$((px + pw)), away from the item at x=$3"
    note "panel ${pw}x$ph at $px,$py (bar at the $1 to $2; item x=$3)"
    [ -z "$broken" ] || problem "${context:+$context: }the panel${broken}"
}
