#!/bin/sh
# The application end to end in a real desktop or tray from Debian, started
# headless with a display, session bus and home of its own, and used as a
# person would: the item appears, a click opens the panel under it (above a
# bottom bar), a second click, Escape and a click elsewhere close it, the item
# shows the usage figures, Quit ends it. Screenshots and logs stay in <artefacts>.
#   run.sh <scenario> <ostrel_under_test> <artefacts> <source dir> <usage_server>
# The application's real client fetches the figures over TLS from a local
# server that answers with a stored reply.
# A host that is missing or does not start fails: nothing is skipped.
# HOSTS_TRACE=1 traces every step with times.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
scenario=$1 app=$2 out=$3 src=$4 server=$5
screen_w=1280 screen_h=800
# The figures the stored reply gives at a pinned time, and the label they make.
now=2026-05-28T15:42:00Z
label="42% · 2 hr 5 min"

# Hooks, X11's unless the host's file says otherwise: shot <png>, click <x>
# <y> [count], escape, panel_shown (px py pw ph framed), locate_item (item_*),
# after_app, quit_app, flow. host_start sets edge (top|bottom), bar (its
# inner edge) and strip (the bar's area, WxH+X+Y).
shot() { import -window root "$1"; }
click() { x_click "$1" "$2"; }
escape() { xdotool key Escape; }
panel_shown() { x_find_panel; }
after_app() { :; }
quit_app() { quit_by_menu; }
locate_item() {
    shot "$work/after.png"
    found=$(diff_box "$work/before.png" "$work/after.png" "$strip") || return 1
    set -- $found
    item_w=$1 item_h=$2 item_x0=$3 item_y0=$4 item_x=$(($3 + $1 / 2)) item_y=$(($4 + $2 / 2))
}
near() { echo "$item_x"; }

ostrel() { "$app" --usage-endpoint "$usage_url" --usage-ca "$work/server/ca.pem" --now "$now" "$@"; }
start_app() {
    ostrel "$@" >>"$out/ostrel.log" 2>&1 &
    app_pid=$!
}
closed() { ! panel_shown; }
# must_close <what did it>: the panel goes and does not come back at once
# (hosts that activate on the release would reopen what the press closed).
must_close() {
    poll 50 closed && ! poll 10 panel_shown && return 0
    problem "${context:+$context: }$1 left the panel open, or opened it again"
    escape
    poll 30 closed || { click "$item_x" "$item_y" && poll 30 closed; } || fail "the panel does not close at all"
}
open_panel() { click "$item_x" "$item_y" && poll 100 panel_shown && sleep 0.5 && panel_shown; }
# A click elsewhere closes the panel, where the test can tell.
close_elsewhere() {
    if [ -n "${no_click_elsewhere:-}" ]; then
        note "not checked: a click elsewhere ($no_click_elsewhere)"
        escape
        must_close "Escape"
    else
        elsewhere
        must_close "a click elsewhere"
    fi
}
# A point away from the panel and the bar.
elsewhere() { click $((px > screen_w - px - pw ? px / 2 : (px + pw + screen_w) / 2)) $((screen_h / 2)); }

flow() {
    host_start
    shot "$work/before.png"
    start_app
    after_app
    poll 150 locate_item || fail "the item never appeared: $(cat "$out/ostrel.log")"
    sleep 0.5 && locate_item
    box="$item_w $item_h $item_x0 $item_y0"
    note "item ${item_w}x$item_h at $item_x0,$item_y0"
    shot "$out/1-item.png"
    check_item "$out/1-item.png" $box
    open_panel || { shot "$out/2-no-panel.png" && fail "no panel after a click on the item"; }
    shot "$out/2-panel-open.png"
    check_panel "$edge" "$bar" "$(near)"
    click "$item_x" "$item_y"
    must_close "a second click on the item"
    open_panel || fail "a third click did not open the panel again"
    shot "$out/3-figures.png"
    escape
    must_close "Escape"
    open_panel || fail "a fourth click did not open the panel again"
    close_elsewhere
    # The first opening fetched the figures: the item shows them.
    crop="${item_w}x$item_h+$item_x0+$item_y0"
    [ "$(compare -metric AE "$out/1-item.png[$crop]" "$out/3-figures.png[$crop]" null: 2>&1)" != 0 ] ||
        problem "the item looks the same with the figures as without"
    check_item "$out/3-figures.png" $box
    if item_registered; then
        [ "$(item_label)" = "$label" ] || problem "the item's label is \"$(item_label)\", not \"$label\""
    fi
    quit_app
}

# The host's file may replace any of the above.
case $scenario in
sway_*) host=sway ;;
gnome_*) host=gnome ;;
trayer | sni) host=tray ;;
fit_*) host=fit ;;
*) host=$scenario ;;
esac
. "$here/$host.sh"

case ${OSTREL_STAGE:-} in
'')
    # PID 1 of new PID, mount and network namespaces: nothing the desktop
    # starts outlives the test, and X servers' abstract sockets (loopback
    # only) cannot meet another test's.
    require unshare
    [ -x "$app" ] || fail "no application binary at $app"
    mkdir -p "$out" && rm -f "$out"/*.png "$out"/*.log
    OSTREL_STAGE=namespace exec unshare --fork --pid --mount-proc --net --kill-child=KILL -- sh "$0" "$@"
    ;;
namespace)
    # A /tmp of its own too: GNOME's Xwayland deletes the lock files of X
    # servers it cannot see, such as other tests'.
    mount -t tmpfs -o mode=1777 tmpfs /tmp && mkdir -m 1777 /tmp/.X11-unix
    make_home "$src/tests/data/real/stats/v3-heavy.json"
    printf '{"claudeAiOauth":{"accessToken":"sk-ant-oat01-hosts","expiresAt":4102444800000}}' \
        >"$HOME/.claude/.credentials.json"
    require ip
    ip link set lo up
    mkdir "$work/server"
    "$server" "$work/server" "$src/docs/screenshot/usage-reply.json" >"$work/server/log" 2>&1 &
    poll 100 grep -q '^url ' "$work/server/log" || fail "the usage server did not start: $(cat "$work/server/log")"
    usage_url=$(awk '/^url / { print $2; exit }' "$work/server/log")
    export work usage_url
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
    host_prepare
    OSTREL_STAGE=session exec dbus-run-session -- sh "$0" "$@"
    ;;
session)
    started=$(date +%s)
    flow
    note "$scenario took $(($(date +%s) - started)) s"
    finish "$scenario"
    ;;
esac
